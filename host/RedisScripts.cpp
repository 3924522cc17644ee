#include "RedisScripts.h"

#include <array>
#include <string>

namespace {

// Helpers shared by every script; each script is this text followed by its body.
constexpr const char* kPrelude = R"LUA(
local P = ARGV[1]
local ME = tonumber(ARGV[4]) or 0
local SPACES, SPACELIST = P .. ':spaces', P .. ':spacelist'
local function space_name(i)
  local n = tonumber(i)
  if n == nil or n < 0 or n ~= math.floor(n) then return false end
  return redis.call('LINDEX', SPACELIST, n)
end
local function refuse(why, sn) return {0, why, sn or ''} end
local function prop_key(i, name) return P .. ':s:' .. i .. ':p:' .. name end
local function meta_key(i, rec) return P .. ':s:' .. i .. ':rm:' .. rec end
local function rows_key(i, rec) return P .. ':s:' .. i .. ':rr:' .. rec end
local function log_key(i, rec) return P .. ':s:' .. i .. ':rl:' .. rec end
local function recs_key(i) return P .. ':s:' .. i .. ':recs' end

-- The property, or nil and the refusal.
local function property(i, name)
  local sn = space_name(i)
  if not sn then return nil, refuse('no public data space of that index') end
  local k = prop_key(i, name)
  local t = redis.call('HGET', k, 't')
  if not t then return nil, refuse('no such property', sn) end
  return {k = k, t = tonumber(t), sn = sn}
end

-- The record, or nil and the refusal.
local function record(i, rec)
  local sn = space_name(i)
  if not sn then return nil, refuse('no public data space of that index') end
  local m = meta_key(i, rec)
  local types = redis.call('HGET', m, 'types')
  if not types then return nil, refuse('no such record', sn) end
  return {m = m, r = rows_key(i, rec), l = log_key(i, rec), types = types, sn = sn}
end

local function col_type(r, c) return string.byte(r.types, c + 1) end

-- List locks are fenced (PubDataStore.h, ListLockFence.h: the same rules and texts).
local function server_name(s) if s == 0 then return 'the host' end return 'server ' .. s end
local function lock_now(held, h, g)
  return ((held and h ~= 0) and ('held by ' .. server_name(h)) or 'free') .. ' (generation ' .. g .. ')'
end
-- Why the caller may not write the record guarded by lock key k named lock; nil when it may.
local function fence_refusal(k, lock)
  if ME == 0 then return nil end
  local f = redis.call('HMGET', k, 'v', 'h', 'g', 'x:' .. ME)
  if not f[1] then return nil end
  local held, h, g = f[1] == '1', tonumber(f[2] or '0') or 0, f[3] or '0'
  if f[4] then
    return 'refused to ' .. server_name(ME) .. ': its hold of ' .. lock .. ' was taken over by ' ..
           server_name(tonumber(f[4])) .. ' (now ' .. lock_now(held, h, g) .. ')'
  end
  if held and h ~= 0 and h ~= ME then
    return 'refused to ' .. server_name(ME) .. ': ' .. lock .. ' is ' .. lock_now(held, h, g)
  end
  return nil
end
local function fenced(i, rec) return fence_refusal(prop_key(i, rec .. 'PubLock'), rec .. 'PubLock') end
-- The record for a write: nil and the refusal when missing or fenced off.
local function writable(i, rec)
  local r, why = record(i, rec)
  if not r then return nil, why end
  local bad = fenced(i, rec)
  if bad then return nil, refuse(bad, r.sn) end
  return r
end
-- Every change of a record gives it a new version, unique in the world, so a
-- copy of it held elsewhere knows whether it is still current. A change made
-- outside a hold ends the record's log of holds' writes (ApplyList keeps it).
local function touch(r)
  redis.call('HSET', r.m, 'ver', redis.call('INCR', P .. ':ver'))
  redis.call('DEL', r.l)
end
local function is_list_lock(name) return #name > 7 and string.sub(name, -7) == 'PubLock' end

local function default_cell(t)
  if t == 1 or t == 2 or t == 3 then return '\0\0\0\0' end
  if t == 6 or t == 8 then return '\0\0\0\0\0\0\0\0' end
  return ''
end

-- A value of type v may fill a column of type c: equal types, an int in a bool
-- column and back, an int in a 64-bit int column (where it is widened).
local function fits(c, v)
  if c == 0 or c == 7 then return false end
  if c == v then return true end
  return (c == 1 and v == 2) or (c == 2 and v == 1) or (c == 8 and v == 2)
end
local function stored(c, v, bytes)
  if c == 8 and v == 2 then
    return bytes .. ((string.byte(bytes, 4) or 0) >= 128 and '\255\255\255\255' or '\0\0\0\0')
  end
  return bytes
end

local function parse(elem)
  local cells, pos, n = {}, 9, #elem
  while pos <= n do
    local len = struct.unpack('>I4', elem, pos)
    cells[#cells + 1] = string.sub(elem, pos + 4, pos + 3 + len)
    pos = pos + 4 + len
  end
  return string.sub(elem, 1, 8), cells
end
local function join(id, cells)
  local parts = {id}
  for c = 1, #cells do parts[#parts + 1] = struct.pack('>I4', #cells[c]) .. cells[c] end
  return table.concat(parts)
end
-- 8 bytes: exact up to 2^53 inserts (a Lua number), so no id comes back while
-- its row may still be there.
local function new_id(r)
  local n = redis.call('HINCRBY', r.m, 'next', 1)
  return struct.pack('>I4', math.floor(n / 4294967296)) .. struct.pack('>I4', n % 4294967296)
end

local function row_out_of_range(row, rows)
  return 'row ' .. row .. ' out of range (rows ' .. rows .. ')'
end
local function full(r)
  if redis.call('LLEN', r.r) >= tonumber(redis.call('HGET', r.m, 'max')) then
    return 'record full (' .. redis.call('HGET', r.m, 'max') .. ' rows)'
  end
  return nil
end

-- Row values from a[first] (one type byte per value) and the values after it:
-- the cells, or nil and why they do not fit.
local function row_cells(r, a, first)
  local types = a[first]
  local cols = #r.types
  if #types ~= cols then return nil, #types .. ' values for ' .. cols .. ' columns' end
  local cells = {}
  for c = 1, cols do
    local v, ct = string.byte(types, c), string.byte(r.types, c)
    if not fits(ct, v) then
      return nil, 'value ' .. (c - 1) .. ' of type ' .. v .. ' for a column of type ' .. ct
    end
    cells[c] = stored(ct, v, a[first + c])
  end
  return cells
end

-- The cell check of a read or write of one cell: nil, or why not.
local function cell_refusal(r, row, col, t)
  local rows = redis.call('LLEN', r.r)
  if row < 0 or row >= rows then return row_out_of_range(row, rows) end
  local cols = #r.types
  if col < 0 or col >= cols then
    return 'column ' .. col .. ' out of range (cols ' .. cols .. ')'
  end
  local ct = col_type(r, col)
  if not fits(ct, t) then return 'column ' .. col .. ' has type ' .. ct .. ', not ' .. t end
  return nil
end

local function insert_elem(r, row, elem)
  local rows = redis.call('LLEN', r.r)
  if row == rows then
    redis.call('RPUSH', r.r, elem)
  else
    -- Row ids make every element unique, so the element at row is the pivot.
    redis.call('LINSERT', r.r, 'BEFORE', redis.call('LINDEX', r.r, row), elem)
  end
end

-- A granted compare-and-set of list lock k from expected to desired: a take
-- (0 to 1) or takeover (1 to 1) makes the caller the holder under a new
-- generation, and a takeover fences the holder it replaced; a release leaves no
-- holder. The generation.
local function take_or_release(k, expected, desired)
  redis.call('HSET', k, 'v', desired)
  if desired == '1' and (expected == '0' or expected == '1') then
    local g = redis.call('HINCRBY', k, 'g', 1)
    local h = tonumber(redis.call('HGET', k, 'h') or '0') or 0
    if expected == '1' and h ~= 0 and h ~= ME then redis.call('HSET', k, 'x:' .. h, ME) end
    redis.call('HDEL', k, 'x:' .. ME)
    local now = redis.call('TIME')
    redis.call('HSET', k, 'h', ME, 'since', now[1] * 1000 + math.floor(now[2] / 1000))
    return g
  end
  if expected == '1' and desired == '0' then
    redis.call('HSET', k, 'h', 0)
    redis.call('HDEL', k, 'since')
  end
  return tonumber(redis.call('HGET', k, 'g') or '0')
end

-- A record's log of holds' writes: entries "from:to:writes", the version before
-- and after a hold's writes (ApplyList's arguments, each a 4-byte length and
-- its bytes). The writes from version known to version now, when the log has
-- them all in a row; nil otherwise.
local function missed_writes(log, known, now)
  local entries = redis.call('LRANGE', log, 0, -1)
  local out, at = {}, known
  for k = 1, #entries do
    local e = entries[k]
    local c1 = string.find(e, ':', 1, true)
    local c2 = string.find(e, ':', c1 + 1, true)
    if string.sub(e, 1, c1 - 1) == at then
      out[#out + 1] = string.sub(e, c2 + 1)
      at = string.sub(e, c1 + 1, c2 - 1)
    end
  end
  if at ~= now then return nil end
  return out
end
local kLogEntries = 32

-- A write that did nothing ({2, ...}: a probe, a name that exists, a failed
-- compare-and-set) leaves nothing behind, not even its reply: sent again, it
-- is simply tried again. remember, when given, makes the reply kept for a
-- second sending out of a large one.
local kReplyKeptMs = 3600000
local function write(body, remember)
  local cid, seq = ARGV[2], ARGV[3]
  local replies = P .. ':reply:' .. cid
  if cid ~= '' then
    local last = redis.call('GET', replies)
    if last then
      local at = string.find(last, ':', 1, true)
      if string.sub(last, 1, at - 1) == seq then return cmsgpack.unpack(string.sub(last, at + 1)) end
    end
  end
  local result = body()
  if cid ~= '' and result[1] ~= 2 then
    redis.call('SET', replies, seq .. ':' .. cmsgpack.pack(remember and remember(result) or result),
               'PX', kReplyKeptMs)
  end
  return result
end
-- The writes of rows, each on record r with its arguments from a[at] on: a
-- script of its own runs one; ApplyList runs a hold's writes again in order.
local function insert_row(r, a, at)
  local row, rows = tonumber(a[at]), redis.call('LLEN', r.r)
  if row < 0 or row > rows then return refuse(row_out_of_range(row, rows), r.sn) end
  local isfull = full(r)
  if isfull then return refuse(isfull, r.sn) end
  local cells = {}
  for c = 1, #r.types do cells[c] = default_cell(string.byte(r.types, c)) end
  insert_elem(r, row, join(new_id(r), cells))
  return {1, 1}
end
local function add_row_values(r, a, at)
  local row, rows = tonumber(a[at]), redis.call('LLEN', r.r)
  if row == -1 then row = rows end
  if row < 0 or row > rows then return refuse(row_out_of_range(row, rows), r.sn) end
  local isfull = full(r)
  if isfull then return refuse(isfull, r.sn) end
  local cells, unfit = row_cells(r, a, at + 1)
  if not cells then return refuse(unfit, r.sn) end
  insert_elem(r, row, join(new_id(r), cells))
  return {1, row}
end
local function set_row_values(r, a, at)
  local row, rows = tonumber(a[at]), redis.call('LLEN', r.r)
  if row < 0 or row >= rows then return refuse(row_out_of_range(row, rows), r.sn) end
  local cells, unfit = row_cells(r, a, at + 1)
  if not cells then return refuse(unfit, r.sn) end
  local id = parse(redis.call('LINDEX', r.r, row))
  redis.call('LSET', r.r, row, join(id, cells))
  return {1, 1}
end
local function remove_row(r, a, at)
  local row, rows = tonumber(a[at]), redis.call('LLEN', r.r)
  if row < 0 or row >= rows then return refuse(row_out_of_range(row, rows), r.sn) end
  redis.call('LREM', r.r, 1, redis.call('LINDEX', r.r, row))
  return {1, 1}
end
local function clear_rows(r)
  redis.call('LTRIM', r.r, 1, 0)
  return {1, 1}
end
local function set_cell(r, a, at)
  local row, col, t = tonumber(a[at]), tonumber(a[at + 1]), tonumber(a[at + 2])
  local bad = cell_refusal(r, row, col, t)
  if bad then return refuse(bad, r.sn) end
  local id, cells = parse(redis.call('LINDEX', r.r, row))
  -- An int over a 64-bit cell keeps the cell 64 bits wide.
  cells[col + 1] = stored(col_type(r, col), t, a[at + 3])
  redis.call('LSET', r.r, row, join(id, cells))
  return {1, 1}
end
-- One such write as a script: the record from a[at], a[at + 1], the write's
-- arguments after them.
local function row_write(op, a, at)
  local r, why = writable(a[at], a[at + 1])
  if not r then return why end
  local result = op(r, a, at + 2)
  if result[1] == 1 then touch(r) end
  return result
end

local A = 5
)LUA";

struct Body {
    const char* name;
    bool writes;
    const char* lua;
};

constexpr std::array<Body, static_cast<std::size_t>(RedisScript::kCount)> kBodies = {{
    {"AddSpace", true, R"LUA(
return write(function()
  local name = ARGV[A]
  if redis.call('HEXISTS', SPACES, name) == 1 then return {2, 0} end
  local index = redis.call('RPUSH', SPACELIST, name) - 1
  redis.call('HSET', SPACES, name, index)
  return {1, index}
end))LUA"},
    {"AddProperty", true, R"LUA(
return write(function()
  local i, name, t = ARGV[A], ARGV[A + 1], tonumber(ARGV[A + 2])
  local sn = space_name(i)
  if not sn then return refuse('no public data space of that index') end
  if name == '' or t <= 0 or t > 8 then return refuse('empty name or bad type ' .. t, sn) end
  local k = prop_key(i, name)
  if redis.call('EXISTS', k) == 1 then return {2, 0} end
  redis.call('HSET', k, 't', t, 'v', 0, 's', 1, 'f', 0)
  return {1, 1}
end))LUA"},
    {"SetPropertySave", true, R"LUA(
return write(function()
  local p, why = property(ARGV[A], ARGV[A + 1])
  if not p then return why end
  redis.call('HSET', p.k, 's', ARGV[A + 2])
  return {1, 1}
end))LUA"},
    {"SetPropertyInt", true, R"LUA(
return write(function()
  local p, why = property(ARGV[A], ARGV[A + 1])
  if not p then return why end
  if p.t ~= 2 then return refuse('property is not an int', p.sn) end
  redis.call('HSET', p.k, 'v', ARGV[A + 2])
  if is_list_lock(ARGV[A + 1]) then redis.call('HSET', p.k, 'h', 0) end
  return {1, 1}
end))LUA"},
    {"CompareSet", true, R"LUA(
return write(function()
  local p, why = property(ARGV[A], ARGV[A + 1])
  if not p then return why end
  if p.t ~= 2 then return refuse('property is not an int', p.sn) end
  -- A failed try writes nothing: the caller counts it.
  if redis.call('HGET', p.k, 'v') ~= ARGV[A + 2] then return {2, 0} end
  local name, expected, desired = ARGV[A + 1], ARGV[A + 2], ARGV[A + 3]
  if is_list_lock(name) then
    if expected == '1' and desired == '0' and ME ~= 0 then
      local f = redis.call('HMGET', p.k, 'h', 'g', 'x:' .. ME)
      local h = tonumber(f[1] or '0') or 0
      if f[3] or (h ~= 0 and h ~= ME) then
        return refuse('release refused to ' .. server_name(ME) .. ': ' .. name .. ' is ' ..
                      lock_now(true, h, f[2] or '0'), p.sn)
      end
    end
    take_or_release(p.k, expected, desired)
  else
    redis.call('HSET', p.k, 'v', desired)
  end
  return {1, 1}
end))LUA"},
    {"AddRecord", true, R"LUA(
return write(function()
  local i, rec, max, cols, shape = ARGV[A], ARGV[A + 1], ARGV[A + 2], tonumber(ARGV[A + 3]), ARGV[A + 4]
  local sn = space_name(i)
  if not sn then return refuse('no public data space of that index') end
  local m = meta_key(i, rec)
  local bad = fenced(i, rec)
  if bad then return refuse(bad, sn) end
  if redis.call('EXISTS', m) == 1 then return {2, 0} end
  if rec == '' then return refuse('empty name', sn) end
  if shape ~= '' then return refuse(shape, sn) end
  redis.call('HSET', m, 'types', string.rep('\0', cols), 'max', max, 'save', 1, 'next', 0,
             'ver', redis.call('INCR', P .. ':ver'))
  redis.call('DEL', log_key(i, rec))
  redis.call('SADD', recs_key(i), rec)
  return {1, 1}
end))LUA"},
    {"RemoveRecord", true, R"LUA(
return write(function()
  local i, rec = ARGV[A], ARGV[A + 1]
  local sn = space_name(i)
  if not sn then return refuse('no public data space of that index') end
  local bad = fenced(i, rec)
  if bad then return refuse(bad, sn) end
  if redis.call('EXISTS', meta_key(i, rec)) == 0 then return {2, 0} end
  redis.call('UNLINK', meta_key(i, rec), rows_key(i, rec), log_key(i, rec))
  redis.call('SREM', recs_key(i), rec)
  return {1, 1}
end))LUA"},
    {"SetRecordSave", true, R"LUA(
return write(function()
  local r, why = writable(ARGV[A], ARGV[A + 1])
  if not r then return why end
  redis.call('HSET', r.m, 'save', ARGV[A + 2])
  touch(r)
  return {1, 1}
end))LUA"},
    {"SetColType", true, R"LUA(
return write(function()
  local r, why = writable(ARGV[A], ARGV[A + 1])
  if not r then return why end
  local col, t = tonumber(ARGV[A + 2]), tonumber(ARGV[A + 3])
  if col < 0 or col >= #r.types or t <= 0 or t > 8 or t == 7 then
    return refuse('column ' .. col .. ' or type ' .. t .. ' out of range', r.sn)
  end
  if col_type(r, col) ~= t then
    redis.call('HSET', r.m, 'types', string.sub(r.types, 1, col) .. string.char(t) .. string.sub(r.types, col + 2))
    local rows = redis.call('LRANGE', r.r, 0, -1)
    for n = 1, #rows do
      local id, cells = parse(rows[n])
      cells[col + 1] = default_cell(t)
      redis.call('LSET', r.r, n - 1, join(id, cells))
    end
  end
  touch(r)
  return {1, 1}
end))LUA"},
    {"InsertRow", true, R"LUA(
return write(function() return row_write(insert_row, ARGV, A) end))LUA"},
    {"AddRowValues", true, R"LUA(
return write(function() return row_write(add_row_values, ARGV, A) end))LUA"},
    {"SetRowValues", true, R"LUA(
return write(function() return row_write(set_row_values, ARGV, A) end))LUA"},
    {"RemoveRow", true, R"LUA(
return write(function() return row_write(remove_row, ARGV, A) end))LUA"},
    {"ClearRecord", true, R"LUA(
return write(function() return row_write(clear_rows, ARGV, A) end))LUA"},
    {"SetCell", true, R"LUA(
return write(function() return row_write(set_cell, ARGV, A) end))LUA"},
    {"Seed", true, R"LUA(
return write(function()
  local name, rec, max, types = ARGV[A], ARGV[A + 1], ARGV[A + 2], ARGV[A + 3]
  local index = redis.call('HGET', SPACES, name)
  if not index then
    index = redis.call('RPUSH', SPACELIST, name) - 1
    redis.call('HSET', SPACES, name, index)
  end
  local r = {m = meta_key(index, rec), r = rows_key(index, rec)}
  redis.call('UNLINK', r.m, r.r, log_key(index, rec))
  redis.call('HSET', r.m, 'types', types, 'max', max, 'save', 1, 'next', 0, 'ver', redis.call('INCR', P .. ':ver'))
  redis.call('SADD', recs_key(index), rec)
  for n = A + 4, #ARGV do redis.call('RPUSH', r.r, new_id(r) .. ARGV[n]) end
  return {1, 1}
end))LUA"},
    {"TakeList", true, R"LUA(
-- KEYS: the lock's hash, the claim's hash, the record's meta, rows and log, the space list.
return write(function()
  local lk, ck, m, rk, rl, sl = KEYS[1], KEYS[2], KEYS[3], KEYS[4], KEYS[5], KEYS[6]
  local n, expected, known = tonumber(ARGV[A]), ARGV[A + 2], ARGV[A + 3]
  local sn = n and n >= 0 and n == math.floor(n) and redis.call('LINDEX', sl, n)
  if not sn then return refuse('no public data space of that index') end
  local t = redis.call('HGET', lk, 't')
  if not t then return refuse('no such property', sn) end
  if tonumber(t) ~= 2 then return refuse('property is not an int', sn) end
  if redis.call('HGET', lk, 'v') ~= expected then return {2, 0} end
  local g = take_or_release(lk, expected, '1')
  local claim = redis.call('HGET', ck, 'v')
  local out = {1, g, sn, claim and 1 or 0, tonumber(claim or '0'), 0, 0, 1}
  local meta = redis.call('HMGET', m, 'types', 'max', 'save', 'ver')
  if meta[1] then
    out[6], out[7] = 1, tonumber(meta[4] or '0')
    local missed = known ~= '0' and meta[4] and meta[4] ~= known and missed_writes(rl, known, meta[4])
    if known ~= '0' and meta[4] and meta[4] == known then
      out[8] = 0
    elseif missed then
      out[8] = 3
      for k = 1, #missed do out[8 + k] = missed[k] end
    else
      out[9], out[10], out[11] = meta[1], tonumber(meta[2]), tonumber(meta[3])
      local rows = redis.call('LRANGE', rk, 0, -1)
      for k = 1, #rows do out[11 + k] = rows[k] end
    end
  end
  return out
end, function(r) return {r[1], r[2], r[3], r[4], r[5], r[6], r[7], 2} end))LUA"},
    {"ApplyList", true, R"LUA(
-- KEYS: the lock's hash, the record's meta, rows and log, the space's set of records, the space list.
return write(function()
  local lk, m, rk, rl, recs, sl = KEYS[1], KEYS[2], KEYS[3], KEYS[4], KEYS[5], KEYS[6]
  local n, lock, rec, gen, mode = tonumber(ARGV[A]), ARGV[A + 1], ARGV[A + 2], ARGV[A + 3], ARGV[A + 4]
  local sn = n and n >= 0 and n == math.floor(n) and redis.call('LINDEX', sl, n)
  if not sn then return refuse('no public data space of that index') end
  local f = redis.call('HMGET', lk, 'v', 'h', 'g', 'x:' .. ME)
  local h = tonumber(f[2] or '0') or 0
  if f[1] ~= '1' or h ~= ME or f[3] ~= gen then
    local by = f[4] and (' by ' .. server_name(tonumber(f[4]))) or ''
    return refuse('refused to ' .. server_name(ME) .. ': its hold (generation ' .. gen .. ') was taken over' .. by ..
                  '; ' .. lock .. ' is ' .. lock_now(f[1] == '1', h, f[3] or '0'), sn)
  end
  local ver = 0
  if mode == 'o' then
    -- The hold's writes again, in order, on the list as the hold found it.
    local r = {m = m, r = rk, types = redis.call('HGET', m, 'types'), sn = sn}
    if not r.types or redis.call('HGET', m, 'ver') ~= ARGV[A + 5] then
      take_or_release(lk, '1', '0')
      return refuse('the list changed outside the hold of ' .. server_name(ME) .. '; its writes are not applied', sn)
    end
    local ops = {i = insert_row, a = add_row_values, s = set_row_values, d = remove_row, c = clear_rows, x = set_cell}
    local k = A + 6
    while k <= #ARGV do
      local result = ops[ARGV[k]](r, ARGV, k + 2)
      if result[1] ~= 1 then return result end
      k = k + 2 + tonumber(ARGV[k + 1])
    end
    ver = redis.call('INCR', P .. ':ver')
    redis.call('HSET', m, 'ver', ver)
    local parts = {ARGV[A + 5], ':', ver, ':'}
    for k = A + 6, #ARGV do parts[#parts + 1] = struct.pack('>I4', #ARGV[k]) .. ARGV[k] end
    redis.call('RPUSH', rl, table.concat(parts))
    redis.call('LTRIM', rl, -kLogEntries, -1)
  elseif mode == 'r' then
    redis.call('UNLINK', m, rk, rl)
    redis.call('SREM', recs, rec)
  elseif mode == 'w' then
    local first, count = A + 8, #ARGV - (A + 7)
    local id = redis.call('HINCRBY', m, 'next', count) - count
    ver = redis.call('INCR', P .. ':ver')
    redis.call('HSET', m, 'types', ARGV[A + 5], 'max', ARGV[A + 6], 'save', ARGV[A + 7], 'ver', ver)
    redis.call('SADD', recs, rec)
    redis.call('DEL', rk, rl)
    local batch = {}
    for k = first, #ARGV do
      id = id + 1
      batch[#batch + 1] = struct.pack('>I4', math.floor(id / 4294967296)) .. struct.pack('>I4', id % 4294967296) ..
                          ARGV[k]
      if #batch == 500 or k == #ARGV then
        redis.call('RPUSH', rk, unpack(batch))
        batch = {}
      end
    end
  end
  take_or_release(lk, '1', '0')
  return {1, ver}
end))LUA"},
    {"FindWideStr", false, R"LUA(
local r, why = record(ARGV[A], ARGV[A + 1])
if not r then return why end
local col, value = tonumber(ARGV[A + 2]), ARGV[A + 3]
if col_type(r, col) ~= 5 then return refuse('column ' .. col .. ' is no wide text column', r.sn) end
local rows = redis.call('LRANGE', r.r, 0, -1)
for n = 1, #rows do
  local elem, pos = rows[n], 9
  for c = 0, col - 1 do pos = pos + 4 + struct.unpack('>I4', elem, pos) end
  local len = struct.unpack('>I4', elem, pos)
  if len == #value and string.sub(elem, pos + 4, pos + 3 + len) == value then return {1, n - 1} end
end
return {1, -1})LUA"},
    {"QueryCell", false, R"LUA(
local r, why = record(ARGV[A], ARGV[A + 1])
if not r then return why end
local row, col, t = tonumber(ARGV[A + 2]), tonumber(ARGV[A + 3]), tonumber(ARGV[A + 4])
local bad = cell_refusal(r, row, col, t)
if bad then return refuse(bad, r.sn) end
local _, cells = parse(redis.call('LINDEX', r.r, row))
return {1, col_type(r, col), cells[col + 1]})LUA"},
    {"ColType", false, R"LUA(
local r, why = record(ARGV[A], ARGV[A + 1])
if not r then return why end
local col = tonumber(ARGV[A + 2])
if col < 0 or col >= #r.types then return refuse('column ' .. col .. ' out of range', r.sn) end
return {1, col_type(r, col)})LUA"},
    {"Shape", false, R"LUA(
local i, rec = ARGV[A], ARGV[A + 1]
local m = meta_key(i, rec)
local types = redis.call('HGET', m, 'types')
if not types or not space_name(i) then return {2, -1, -1, -1} end
return {1, tonumber(redis.call('HGET', m, 'max')), redis.call('LLEN', rows_key(i, rec)), #types})LUA"},
    {"Snapshot", false, R"LUA(
local index = redis.call('HGET', SPACES, ARGV[A])
if not index then return {2} end
local m = meta_key(index, ARGV[A + 1])
local meta = redis.call('HMGET', m, 'types', 'max', 'save')
if not meta[1] then return {2} end
local out = {1, meta[1], tonumber(meta[2]), tonumber(meta[3])}
local rows = redis.call('LRANGE', rows_key(index, ARGV[A + 1]), 0, -1)
for n = 1, #rows do out[#out + 1] = rows[n] end
return out)LUA"},
    {"Records", false, R"LUA(
local out = {1}
local names = redis.call('LRANGE', SPACELIST, 0, -1)
for i = 1, #names do
  local recs = redis.call('SMEMBERS', recs_key(i - 1))
  table.sort(recs)
  for _, rec in ipairs(recs) do
    local m = meta_key(i - 1, rec)
    out[#out + 1] = names[i]
    out[#out + 1] = rec
    out[#out + 1] = redis.call('LLEN', rows_key(i - 1, rec))
    out[#out + 1] = #redis.call('HGET', m, 'types')
    out[#out + 1] = tonumber(redis.call('HGET', m, 'max'))
  end
end
return out)LUA"},
}};

std::array<std::string, kBodies.size()> BuildSources() {
    std::array<std::string, kBodies.size()> out;
    for (std::size_t i = 0; i < kBodies.size(); ++i) out[i] = std::string(kPrelude) + kBodies[i].lua;
    return out;
}

const std::array<std::string, kBodies.size()>& Sources() {
    static const auto sources = BuildSources();
    return sources;
}

}  // namespace

const char* RedisScriptSource(RedisScript script) { return Sources()[static_cast<std::size_t>(script)].c_str(); }
const char* RedisScriptName(RedisScript script) { return kBodies[static_cast<std::size_t>(script)].name; }
bool RedisScriptWrites(RedisScript script) noexcept { return kBodies[static_cast<std::size_t>(script)].writes; }
