#include "SimExtension.h"

std::vector<const SimExtension*>& SimExtensions() {
    static std::vector<const SimExtension*> extensions;
    return extensions;
}
