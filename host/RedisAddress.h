#pragma once
// Where a world's public data lives in Redis: redis://[[USER]:PASSWORD@]HOST:PORT[/PREFIX].
// The prefix is the world's name; every key of the world starts with it and a
// colon, so several worlds share one Redis. The password comes from the
// address or, when the address has none, from VOGAME_REDIS_PASSWORD; it is
// never part of any text this host prints or logs (Describe leaves it out).
#include <string>
#include <string_view>

struct RedisAddress {
    std::string host;
    int port = 6379;
    std::string user;      // empty: the default user
    std::string password;  // empty: none
    std::string prefix = "world";

    static constexpr const char* kPasswordVariable = "VOGAME_REDIS_PASSWORD";

    // False with the reason (which never repeats the password) for an address
    // not of the form above, a port out of range or a prefix outside
    // [A-Za-z0-9_.-]{1,64}.
    static bool Parse(std::string_view text, RedisAddress& out, std::string& error);
    // "redis://HOST:PORT/PREFIX", with "(password given)" when there is one.
    std::string Describe() const;
    // The address for another process that gets the password through the
    // environment: "redis://[USER:@]HOST:PORT/PREFIX" (the user kept).
    std::string UrlWithoutPassword() const;
};
