#pragma once
// A small ranked list for the shared steps' tests, in the reference host's
// store in-process: columns name, key and one more int, written as text
// ("a50 b40/7": name, key, then the other value when it is not 0).
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "host/HostKernel.h"
#include "host/MemoryPubDataStore.h"
#include "top/RankedList.h"

namespace SmallList {

inline constexpr const char16_t* kSpace = u"Pub_Small";
inline constexpr const char* kRecord = "SmallRec";
inline constexpr int kTypes[] = {VT_WIDESTR, VT_INT, VT_INT};
inline constexpr TopList::PlayerField kFields[] = {{"Name", VT_WIDESTR}, {"Key", VT_INT}, {"Other", VT_INT}};

using Row = std::vector<HostValue>;

inline std::vector<Row> Parse(const std::string& text) {
    std::vector<Row> rows;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        std::size_t at = 0;
        std::u16string name;
        while (at < token.size() && std::isalpha(static_cast<unsigned char>(token[at])) != 0) name += token[at++];
        const std::size_t slash = token.find('/', at);
        const int key = std::stoi(token.substr(at, slash - at));
        const int other = slash == std::string::npos ? 0 : std::stoi(token.substr(slash + 1));
        rows.push_back({name, key, other});
    }
    return rows;
}

inline std::string Text(const std::vector<Row>& rows) {
    std::string out;
    for (const Row& row : rows) {
        if (!out.empty()) out += ' ';
        for (const char16_t c : std::get<std::u16string>(row.at(0))) out += static_cast<char>(c);
        out += std::to_string(std::get<int>(row.at(1)));
        if (std::get<int>(row.at(2)) != 0) out += "/" + std::to_string(std::get<int>(row.at(2)));
    }
    return out;
}

inline bool Seed(PubDataStore& store, const std::string& rows, int maxRows = 150) {
    return store.Seed(kSpace, kRecord, maxRows, {VT_WIDESTR, VT_INT, VT_INT}, Parse(rows));
}

inline std::string Rows(const PubDataStore& store) {
    const auto snapshot = store.Snapshot(kSpace, kRecord);
    return snapshot ? Text(snapshot->rows) : "(missing)";
}

// The list ranked by the key column, with these rules.
inline TopList::RankedList Describe(int maxRows, bool unchangedKeyWritesNothing = false) {
    TopList::RankedList list{};
    list.pubSpace = kSpace;
    list.record = kRecord;
    list.columnTypes = kTypes;
    list.rowFields = kFields;
    list.keyColumn = 1;
    list.maxRows = maxRows;
    list.unchangedKeyWritesNothing = unchangedKeyWritesNothing;
    list.resortRows = maxRows;
    return list;
}

}  // namespace SmallList
