#include "GuidText.h"

#include "Platform.h"

std::string NewGuidText() { return Platform::NewGuid32(); }
