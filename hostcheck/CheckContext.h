#pragma once
// What the host check's parts share during one load: the findings, the text
// rule's tally, and the names that keep this run's public data apart from
// another server's running the check at the same time.
#include <string>

#include "CheckResults.h"
#include "TextLifetime.h"

namespace HostCheck {

// The public data space every run of the check uses; scratch records in it
// carry the run's token, so runs on several servers never touch each other's.
inline constexpr const char16_t* kCheckSpace = u"Pub_VoGameLogicHostCheck";

// The environment variable naming how many servers sharing one public data run
// the check at the same time (default 1): with 2 or more they meet and take
// one lock in turn.
inline constexpr const char* kServersVariable = "VOGAME_HOSTCHECK_SERVERS";

// Host clock times kept in Int cells count seconds from 2020 on: a century fits.
inline constexpr long long kEpoch2020 = 1'577'836'800;

struct Context {
    Results results;
    TextLifetime text;
    std::string token;  // 8 hexadecimal digits, new at every load
    int servers = 1;
    long long startSeconds = 0;  // the host's clock when the check began (CurrentTime)

    // A record name of this run: base followed by the token.
    std::string Name(const char* base) const { return base + token; }
};

}  // namespace HostCheck
