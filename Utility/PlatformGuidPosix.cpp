// GUIDs on POSIX systems, from libuuid. Part of the general-purpose support
// code, so the plug-in does not depend on libuuid.
#include <uuid/uuid.h>

#include "Platform.h"

namespace Platform {

std::string NewGuid32() {
    uuid_t id;
    uuid_generate(id);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = kHex[id[i] >> 4];
        text[2 * i + 1] = kHex[id[i] & 0x0F];
    }
    return text;
}

}  // namespace Platform
