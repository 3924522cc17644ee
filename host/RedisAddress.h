#pragma once
// Where a world's public data lives in Redis: redis://[USER@]HOST:PORT[/PREFIX].
// The prefix is the world's name; every key of the world starts with it in
// braces and a colon ("{PREFIX}:"), so several worlds share one Redis and all
// keys of one world fall into one hash slot of a Redis Cluster. An address that
// carries a password is refused: a command line is readable by every local
// user. The password comes from VOGAME_REDIS_PASSWORD or a password file
// (RedisPasswordFile.h); it is never part of any text this host prints or logs.
#include <string>
#include <string_view>

struct RedisAddress {
    std::string host;
    int port = 6379;
    std::string user;      // empty: the default user (an ACL user name otherwise)
    std::string password;  // empty: none
    std::string prefix = "world";

    static constexpr const char* kPasswordVariable = "VOGAME_REDIS_PASSWORD";

    // False with the reason (which never repeats the password) for an address
    // not of the form above, one with a password, a port out of range or a
    // prefix outside [A-Za-z0-9_.-]{1,64}. The password is taken from
    // VOGAME_REDIS_PASSWORD when set.
    static bool Parse(std::string_view text, RedisAddress& out, std::string& error);
    // "redis://[USER@]HOST:PORT/PREFIX", with "(password given)" when there is one.
    std::string Describe() const;
    // The address as Parse reads it, without the password: "redis://[USER@]HOST:PORT/PREFIX".
    std::string Url() const;
    // "{PREFIX}": the start of every key of the world (its hash tag).
    std::string KeyBase() const { return "{" + prefix + "}"; }
};
