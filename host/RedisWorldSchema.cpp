#include "RedisWorldSchema.h"

#include "PubDataStore.h"

void RedisWorldSchema::SawSpace(int index, std::u16string_view name) {
    if (index < 0) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    spaces_.try_emplace(index, name);
}

void RedisWorldSchema::SawProperty(int index, std::string_view name, int type) {
    const std::lock_guard<std::mutex> lock(mutex_);
    properties_.try_emplace({index, std::string(name)}, type);
}

std::size_t RedisWorldSchema::Spaces() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return spaces_.size();
}

bool RedisWorldSchema::Restore(PubDataStore& store, std::string& why) const {
    std::map<int, std::u16string> spaces;
    std::map<std::pair<int, std::string>, int, std::less<>> properties;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        spaces = spaces_;
        properties = properties_;
    }
    bool same = true;
    for (const auto& [index, name] : spaces) {
        store.AddSpace(name, 1);
        const int now = store.SpaceIndex(name);
        if (now != index && same) {
            why = "space " + std::to_string(index) + " came back as " + std::to_string(now);
            same = false;
        }
    }
    for (const auto& [key, type] : properties) store.AddProperty(key.first, key.second, type);
    return same;
}
