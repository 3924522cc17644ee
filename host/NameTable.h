#pragma once
// Names kept once, so maps and timers can key by a stable pointer or view
// instead of a string of their own.
#include <string>
#include <string_view>

#include "TextMap.h"

class NameTable {
public:
    // The kept copy of name, valid as long as the table.
    const char* Intern(std::string_view name) {
        auto it = names_.find(name);
        if (it == names_.end()) it = names_.emplace(name).first;
        return it->c_str();
    }

private:
    TextSet<std::string> names_;  // nodes never move
};
