#include "SimLists.h"

#include <string_view>

#include "SimExtension.h"

namespace {
const SimExtension* ExtensionOf(const ListInvariants::ListShape& list) {
    for (const SimExtension* e : SimExtensions())
        if (e->list != nullptr && std::string_view(e->list->record) == list.record) return e;
    return nullptr;
}
}  // namespace

const char* SimListName(const ListInvariants::ListShape& list) {
    const SimExtension* e = ExtensionOf(list);
    return e != nullptr && e->listName != nullptr ? e->listName : "";
}

const char* SimListValueName(const ListInvariants::ListShape& list) {
    const SimExtension* e = ExtensionOf(list);
    return e != nullptr && e->listValue != nullptr ? e->listValue : "";
}
