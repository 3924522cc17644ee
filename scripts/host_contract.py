#!/usr/bin/env python3
"""The host contract (docs/host-contract.md) against the code.

Reads the library's sources and writes the parts of the contract that can be
read from them, between <!-- BEGIN GENERATED name --> and <!-- END GENERATED -->:
the kernel and sibling operations the library calls (and from where), the
callbacks it registers, the player properties it reads, the support code linked
into it. Hand-written columns of the operation tables are kept by operation.
Then it checks what cannot be generated against the code: every record the
library names, every log line it writes (their text, in order), and the host
check's rules, operations and player properties.

  scripts/host_contract.py --write   rewrites the generated parts
  scripts/host_contract.py --check   exit status 1, with what differs, when the
                                      document and the code disagree
"""
import os
import re
import sys

# The source tree: this script's, or another (VOGAME_SOURCE_ROOT, for the test of this script).
ROOT = os.environ.get('VOGAME_SOURCE_ROOT') or os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOC = os.path.join(ROOT, 'docs', 'host-contract.md')
TO_WRITE = '(to be written)'


def read(path):
    with open(os.path.join(ROOT, path), encoding='utf-8') as f:
        return f.read()


def code_only(text):
    """The text without comments; string literals stay."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == '\\' else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith('//', i):
            while i < n and text[i] != '\n':
                i += 1
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            out.append('\n' * text.count('\n', i, j))
            i = j + 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def virtual_ops(header):
    """The virtual operations in slot order; those that return a class are
    declared through VOGAME_CLASS_RESULT(Type, Name, ...)."""
    pattern = r'virtual\s+[^;{]*?\b(\w+)\s*\(|VOGAME_CLASS_RESULT\(\s*\w+\s*,\s*(\w+)'
    return [a or b for a, b in re.findall(pattern, code_only(read(header)))]


KERNEL_OPS = [op for op in virtual_ops('module/IKernel.h')]
SIBLINGS = {}
for name in ('CriticalManagerSystem', 'VirtualRecSystem', 'LetterSystem', 'EventTimeSystem'):
    SIBLINGS[name] = [op for op in virtual_ops('module/I%s.h' % name) if op != 'I' + name]


def includes(path):
    found = []
    for inc in re.findall(r'#\s*include\s*"([^"]+)"', read(path)):
        target = os.path.normpath(os.path.join(os.path.dirname(path), inc))
        if os.path.exists(os.path.join(ROOT, target)):
            found.append(target)
    return found


def sources_of(start_dirs):
    """The .cpp files of the folders, and the headers and support sources they
    reach through includes (a header's own .cpp beside it)."""
    todo = []
    for d in start_dirs:
        todo += sorted(os.path.join(d, f) for f in os.listdir(os.path.join(ROOT, d)) if f.endswith('.cpp'))
    seen = []
    while todo:
        path = todo.pop(0)
        if path in seen:
            continue
        seen.append(path)
        for inc in includes(path):
            todo.append(inc)
            cpp = inc[:-2] + '.cpp'
            if inc.endswith('.h') and os.path.exists(os.path.join(ROOT, cpp)):
                todo.append(cpp)
    return seen


LIBRARY = [p for p in sources_of(['record', 'top'])]
CHECK = [p for p in sources_of(['hostcheck']) if p.startswith('hostcheck')]


def calls(sources, ops):
    """op -> the files (of sources) that call it through a pointer."""
    found = {}
    for path in sources:
        text = code_only(read(path))
        for op in re.findall(r'->\s*(\w+)\s*\(', text):
            if op in ops:
                found.setdefault(op, [])
                if path not in found[op]:
                    found[op].append(path)
    return found


def files(paths):
    return ', '.join('`%s`' % p for p in sorted(paths))


# --- generated tables ---------------------------------------------------------------

def table_rows(block):
    rows = []
    for line in block.splitlines():
        if line.startswith('|') and not re.match(r'^\|[\s|:-]+\|$', line):
            rows.append([c.strip() for c in line.strip().strip('|').split('|')])
    return rows


def generated(doc, name):
    m = re.search(r'<!-- BEGIN GENERATED %s -->\n(.*?)<!-- END GENERATED -->' % re.escape(name), doc, re.S)
    return m.group(1) if m else None


def kept_columns(doc, name, key_col, keep_from):
    """Hand-written cells of an existing table, by the key column's text."""
    block = generated(doc, name) or ''
    kept = {}
    for row in table_rows(block)[1:]:
        if len(row) > key_col:
            kept[row[key_col]] = row[keep_from:]
    return kept


def operation_rows(doc, name, first_column, ops):
    """Rows of an operation table: the generated cells, then the document's own
    two cells of each operation (kept by the operation's name)."""
    used = calls(LIBRARY, {op for _, op in ops})
    kept = kept_columns(doc, name, 1, 3)
    lines = ['| %s | operation | called from | what the library relies on | when a host deviates |' % first_column,
             '|%s|---|---|---|---|' % ('---:' if first_column == 'slot' else '---')]
    for first, op in ops:
        if op not in used:
            continue
        key = '`%s`' % op
        rest = kept.get(key, []) + [TO_WRITE, TO_WRITE]
        lines.append('| %s | %s | %s | %s | %s |' % (first, key, files(used[op]), rest[0], rest[1]))
    return lines, used


def kernel_table(doc):
    lines, used = operation_rows(doc, 'kernel-operations', 'slot', list(enumerate(KERNEL_OPS)))
    lines.append('')
    lines.append('%d of the kernel\'s %d operations. The others (class definitions, object records, named data, '
                 'object creation and destruction, `GetScene`, `FindPubData`) are never called '
                 'by the library; the support library\'s XML class loader and object snapshots, which no module '
                 'uses, call some of them.' % (len(used), len(KERNEL_OPS)))
    return '\n'.join(lines) + '\n', used


def sibling_table(doc):
    ops = [(sibling, op) for sibling, sops in SIBLINGS.items() for op in sops]
    lines, used = operation_rows(doc, 'sibling-operations', 'sibling', ops)
    return '\n'.join(lines) + '\n', used


def constants(text):
    values = dict(re.findall(r'constexpr\s+int\s+(\w+)\s*=\s*(-?\d+)\s*;', text))
    values.update(re.findall(r'constexpr\s+const\s+char\s*\*\s*(\w+)\s*=\s*"([^"]*)"\s*;', text))
    for field, value in re.findall(r'\.(queryMessage|replyMessage)\s*=\s*(\d+)', text):
        values['kList.' + field] = value
    heart = re.search(r'\.heartBeat\s*=\s*"([^"]+)"', text)
    if heart:
        values['kList.heartBeat'] = heart.group(1)
    return values


def resolve(token, values):
    token = token.strip()
    if token.startswith('"'):
        return token.strip('"')
    return values.get(token, token)


def module_text(f):
    """A module's code, with the description of its ranked list (top/<module>List.h) when it has one."""
    text = code_only(read('top/' + f))
    header = 'top/' + f.replace('System.cpp', 'List.h')
    if f.endswith('System.cpp') and os.path.exists(os.path.join(ROOT, header)):
        text += '\n' + code_only(read(header))
    return text


def module_files():
    return sorted(p for p in os.listdir(os.path.join(ROOT, 'top'))
                  if p.endswith('System.cpp'))


def callbacks_table():
    lines = ['| module | kind | class | event, command or message | name |', '|---|---|---|---|---|']
    for f in module_files():
        module = f[:-4]
        text = module_text(f)
        values = constants(text)
        for cls, event in re.findall(r'OnEvent\(\s*"(\w+)"\s*,\s*"(\w+)"', text):
            lines.append('| %s | event | `%s` | `%s` | |' % (module, cls, event))
        for cls, cmd in re.findall(r'OnCommand\(\s*"(\w+)"\s*,\s*([\w.]+)', text):
            lines.append('| %s | command | `%s` | %s | |' % (module, cls, resolve(cmd, values)))
        for msg in re.findall(r'OnCustom\(\s*([\w.]+)', text):
            lines.append('| %s | custom message | | %s | |' % (module, resolve(msg, values)))
        for beat in re.findall(r'DeclareHeartBeat\(\s*([\w.]+)', text):
            lines.append('| %s | heartbeat | | every 3600000 ms, on the first `HomeScene` loaded | `%s` |'
                         % (module, resolve(beat, values)))
        block = re.search(r'NamedPropertyCallback\s+\w+\[\]\s*=\s*\{(.*?)\};', text, re.S)
        for name in re.findall(r'\{\s*("[^"]+"|\w+)\s*,', block.group(1) if block else ''):
            lines.append('| %s | property callback | | | `%s` |' % (module, resolve(name, values)))
    return '\n'.join(lines) + '\n'


TYPE_NAMES = {'VT_INT': 'Int', 'VT_WIDESTR': 'WideString', 'VT_STRING': 'String'}


def library_properties():
    """property -> (type read as, modules reading it, watches)."""
    props = {}

    def add(prop, vt, module, watch=None):
        entry = props.setdefault(prop, [vt, [], []])
        if module not in entry[1]:
            entry[1].append(module)
        if watch and watch not in entry[2]:
            entry[2].append(watch)

    for f in module_files() + ['PlayerFields.cpp']:
        module = f[:-4] if f != 'PlayerFields.cpp' else 'PlayerTopSystem, NewCharmTopSystem'
        text = module_text(f)
        values = constants(text)
        for body in re.findall(r'PlayerField\s+\w+\[\w*\]\s*=\s*\{(.*?)\};', text, re.S):
            for prop, vt in re.findall(r'\{\s*("[^"]+"|\w+)\s*,\s*(VT_\w+)\s*\}', body):
                add(resolve(prop, values), TYPE_NAMES[vt], module)
        for kind, prop in re.findall(r'->\s*(?:Query|Set)(Int|WideStr|String)\(\s*\w+\s*,\s*("[^"]+"|k\w+)', text):
            add(resolve(prop, values), {'Int': 'Int', 'WideStr': 'WideString', 'String': 'String'}[kind], module)
        for body in re.findall(r'PropertyWatch\s+\w+\[\]\s*=\s*\{(.*?)\};', text, re.S):
            for prop, cb in re.findall(r'\{\s*("[^"]+"|\w+)\s*,\s*("[^"]+"|\w+)\s*\}', body):
                add(resolve(prop, values), None, module, resolve(cb, values))
    return props


def properties_table(props):
    lines = ['| property | read as | read by | watched with |', '|---|---|---|---|']
    for prop in sorted(props):
        vt, modules, watches = props[prop]
        lines.append('| `%s` | %s | %s | %s |' % (prop, vt or 'Int', ', '.join(sorted(set(
            m for ms in modules for m in ms.split(', ')))), ', '.join('`%s`' % w for w in watches)))
    lines.append('')
    lines.append('%d properties.' % len(props))
    return '\n'.join(lines) + '\n'


def support_table():
    utility = sorted(p for p in LIBRARY if p.startswith('Utility') and p.endswith('.cpp'))
    names = ', '.join('`%s`' % os.path.basename(p)[:-4] for p in utility)
    if 'Utility/Platform.h' in LIBRARY:
        names += ', and the platform layer (`Platform.h`: environment, waits, local time, code pages)'
    return ('The support library code the modules use, as their includes reach it: %s. '
            'The rest of `Utility/` (daily log files, XML class definitions, object snapshots, property '
            'operators, time and GUID texts, random numbers, result names) is not used by any module, and '
            'the plug-in does not link it.\n' % names)


# --- checks of the hand-written parts ---------------------------------------------------

def records_in_code():
    found = set()
    for f in module_files():
        text = module_text(f)
        values = constants(text)
        for ident, space in re.findall(r'constexpr\s+const\s+char16_t\s*\*\s*(\w+)\s*=\s*u"([^"]+)"', text):
            found.add(space)
        for ident, rec in values.items():
            if ident.endswith('Record') and isinstance(rec, str):
                found.add(rec)
        for space, rec in re.findall(r'PubRecordView\s+\w+\(\s*\w+\s*,\s*u"(\w+)"\s*,\s*"(\w+)"', text):
            found.update((space, rec))
    return found


def string_literals(expr):
    """The literals of an expression, adjacent ones joined, unescaped."""
    pieces, out, last_end = [], [], None
    for m in re.finditer(r'"((?:[^"\\]|\\.)*)"', expr):
        text = bytes(m.group(1), 'utf-8').decode('unicode_escape')
        if last_end is not None and expr[last_end:m.start()].strip() == '':
            pieces[-1] += text
        else:
            pieces.append(text)
        last_end = m.end()
    # A format's conversions stand for values, as the angle brackets do in the document.
    pieces = [q for p in pieces for q in re.split(r'%[-+ #0]*\d*(?:\.\d+)?(?:hh|h|ll|l|z)?[diuxXfgsc]', p)]
    return [p for p in pieces if p.strip()]


def statement_end(text, at):
    """Where the statement going on at `at` ends: its semicolon, outside literals."""
    while at < len(text):
        c = text[at]
        if c == '"':
            at += 1
            while at < len(text) and text[at] != '"':
                at += 2 if text[at] == '\\' else 1
        elif c == ';':
            return at
        at += 1
    return at


def log_sites():
    """(file, function, [literal fragments in order]) of every WriteLog and WriteTrace call."""
    sites = []
    for path in LIBRARY:
        if not path.endswith('.cpp'):
            continue
        text = code_only(read(path))
        lines = text.split('\n')
        function = None
        for i, line in enumerate(lines):
            head = re.match(r'^[A-Za-z].*?\b([A-Za-z_]\w*)\s*\([^;]*$', line)
            if head and not line.startswith(('namespace', 'using', 'constexpr', 'extern', 'static_assert')):
                function, start = head.group(1), i
            m = re.search(r'->\s*Write(Log|Trace)\s*\((.*)\)\s*;', line)
            if not m:
                continue
            arg = m.group(2)
            var = re.match(r'^\s*\(?\s*(\w+)(?:\.c_str\(\))?\s*\)?\s*$', arg)
            if var and not arg.strip().startswith('"'):
                region = '\n'.join(lines[start:i])
                decl = re.search(r'[\w:<>*&]\s+%s\b\s*(\[[^\]]*\])?\s*(=|;)' % re.escape(var.group(1)), region)
                if decl is None:
                    fragments = []
                elif decl.group(2) == '=':  # its initialiser, to the end of the statement
                    fragments = string_literals(region[decl.end():statement_end(region, decl.end())])
                else:  # built by the steps after its declaration
                    fragments = string_literals(region[decl.end():])
            else:
                fragments = string_literals(arg)
            sites.append((path, function, m.group(1), fragments))
    return sites


def check_log_catalogue(doc, problems):
    section = re.search(r'## Log lines\n(.*?)\n## ', doc, re.S)
    rows = table_rows(section.group(1)) if section else []
    entries = []
    for row in rows[1:]:
        if len(row) >= 2:
            where = re.sub(r'[`]', '', row[0])
            entries.append((where, row[1].replace('`', '').replace('\\|', '|')))
    for path, function, channel, fragments in log_sites():
        where = '%s %s' % (path, function)
        texts = [t for w, t in entries if w == where]
        if not texts:
            problems.append('log line of %s (%s) has no row "%s" in the log-line catalogue' % (where, channel, where))
            continue
        ok = False
        for text in texts:
            at, good = 0, True
            for frag in fragments:
                found = text.find(frag.strip(), at)
                if found < 0:
                    good = False
                    break
                at = found + len(frag.strip())
            ok = ok or good
        if not ok:
            problems.append('the log-line catalogue\'s text for %s lacks, in order: %s' % (where, fragments))
    known = {'%s %s' % (p, f) for p, f, _, _ in log_sites()}
    for where, _ in entries:
        if where not in known:
            problems.append('the log-line catalogue names %s, which writes no log line' % where)


def check_rules():
    """Rule ids the host check reports."""
    rules = set()
    for path in CHECK:
        text = code_only(read(path))
        rules.update(re.findall(r'\bRule\s+\w+\(\s*"([\w-]+)"', text))
        rules.update(re.findall(r'\b(?:Seen|Pass|Fail|Skip)\(\s*\w+\s*,\s*"([\w-]+)"', text))
        rules.update(re.findall(r'\{\s*"([a-z0-9]+(?:-[a-z0-9]+)+)"\s*,\s*"', text))
        for block in re.findall(r'for \(const char\* \w+ : \{([^}]*)\}\)', text):
            rules.update(re.findall(r'"([\w-]+)"', block))
    return rules


def check_host_check(doc, kernel_used, sibling_used, props, problems):
    section = re.search(r'### The rules it checks\n(.*?)\n##', doc, re.S)
    documented = {re.sub(r'`', '', r[0]) for r in table_rows(section.group(1))[1:]} if section else set()
    rules = check_rules()
    for r in sorted(rules - documented):
        problems.append('the host check reports rule %s, which the contract\'s rule table lacks' % r)
    for r in sorted(documented - rules):
        problems.append('the contract\'s rule table names %s, which the host check never reports' % r)
    ops = set(KERNEL_OPS) | {op for ops in SIBLINGS.values() for op in ops}
    checked = calls(CHECK, ops)
    for op in sorted(set(kernel_used) | set(sibling_used)):
        if op not in checked:
            problems.append('the library calls %s, which the host check never calls' % op)
    text = code_only(read('hostcheck/PlayerChecks.cpp'))
    listed = {p: TYPE_NAMES[t] for p, t in re.findall(r'\{\s*"(\w+)"\s*,\s*(VT_\w+)\s*,\s*"', text)}
    wanted = {p: (v[0] or 'Int') for p, v in props.items()}
    if listed != wanted:
        problems.append('the host check\'s player properties %s differ from those the library reads %s'
                        % (sorted(listed.items()), sorted(wanted.items())))


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else '--check'
    doc = read(DOC)
    kernel, kernel_used = kernel_table(doc)
    siblings, sibling_used = sibling_table(doc)
    props = library_properties()
    blocks = {'kernel-operations': kernel, 'sibling-operations': siblings, 'host-callbacks': callbacks_table(),
              'player-properties': properties_table(props), 'support-code': support_table()}
    new = doc
    for name, body in blocks.items():
        new = re.sub(r'(<!-- BEGIN GENERATED %s -->\n).*?(<!-- END GENERATED -->)' % re.escape(name),
                     lambda m: m.group(1) + body + m.group(2), new, flags=re.S)
    if mode == '--write':
        with open(DOC, 'w', encoding='utf-8') as f:
            f.write(new)
        doc = new
    problems = []
    for name in blocks:
        if generated(doc, name) is None:
            problems.append('no generated part "%s" in the contract' % name)
    if new != doc:
        problems.append('the generated parts differ from the code: run scripts/host_contract.py --write')
    if TO_WRITE in doc:
        problems.append('the contract has cells %s: write what the library relies on there' % TO_WRITE)
    for name in sorted(records_in_code()):
        if '`%s`' % name not in doc:
            problems.append('the library names the public data %s, which the contract does not' % name)
    check_log_catalogue(doc, problems)
    check_host_check(doc, kernel_used, sibling_used, props, problems)
    for p in problems:
        print('host contract: ' + p)
    if not problems:
        print('host contract: the document and the code agree (%d kernel operations, %d sibling operations, '
              '%d player properties, %d log-line sites, %d host check rules)'
              % (len(kernel_used), len(sibling_used), len(props), len(log_sites()), len(check_rules())))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
