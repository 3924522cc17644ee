#include "RedisAddress.h"

#include <charconv>
#include <cstdlib>

namespace {
bool PrefixChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '-';
}
}  // namespace

bool RedisAddress::Parse(std::string_view text, RedisAddress& out, std::string& error) {
    constexpr std::string_view kScheme = "redis://";
    RedisAddress a;
    // The reason names the form, never the text: the text may hold a password.
    const std::string form = " (expected redis://[USER@]HOST:PORT[/PREFIX])";
    if (text.substr(0, kScheme.size()) != kScheme) {
        error = "the store address does not start with redis://" + form;
        return false;
    }
    text.remove_prefix(kScheme.size());
    if (const std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = text.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        // "USER:@" (an empty password) is the form earlier versions handed their server processes.
        if (colon != std::string_view::npos && colon + 1 < userInfo.size()) {
            error = std::string(
                        "the store address holds a password, which any local user can read on a command "
                        "line: give it in ") +
                    kPasswordVariable + " or a file named by --store-password-file (readable by its owner only)";
            return false;
        }
        a.user = std::string(userInfo.substr(0, colon));
        text.remove_prefix(at + 1);
    }
    std::string_view hostPort = text;
    if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
        hostPort = text.substr(0, slash);
        a.prefix = std::string(text.substr(slash + 1));
    }
    const std::size_t colon = hostPort.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        error = "the store address needs HOST:PORT" + form;
        return false;
    }
    a.host = std::string(hostPort.substr(0, colon));
    const std::string_view port = hostPort.substr(colon + 1);
    int p = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), p);
    if (ec != std::errc() || end != port.data() + port.size() || p < 1 || p > 65535) {
        error = "the store address's port is not a number from 1 to 65535" + form;
        return false;
    }
    a.port = p;
    if (a.prefix.empty() || a.prefix.size() > 64) {
        error = "the world prefix must have 1 to 64 characters";
        return false;
    }
    for (char c : a.prefix) {
        if (!PrefixChar(c)) {
            error = "the world prefix may hold only letters, digits, '_', '.' and '-'";
            return false;
        }
    }
    if (const char* fromEnvironment = std::getenv(kPasswordVariable)) a.password = fromEnvironment;
    out = std::move(a);
    return true;
}

std::string RedisAddress::Describe() const {
    std::string text = Url();
    if (!password.empty()) text += " (password given)";
    return text;
}

std::string RedisAddress::Url() const {
    return "redis://" + (user.empty() ? std::string() : user + "@") + host + ":" + std::to_string(port) + "/" + prefix;
}
