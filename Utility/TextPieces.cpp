#include "TextPieces.h"

std::vector<std::string> SplitText(const std::string& text, const std::string& delimiters, unsigned limit) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        pieces.emplace_back();
        return pieces;
    }
    auto isDelimiter = [&](char c) { return delimiters.find(c) != std::string::npos; };
    const std::size_t n = text.size();
    std::size_t i = 0;
    unsigned runs = 0;
    while (i < n) {
        if (isDelimiter(text[i])) {
            while (i < n && isDelimiter(text[i])) {
                ++i;
            }
            ++runs;
            if (limit != 0 && runs >= limit) {
                if (i < n) {
                    pieces.push_back(text.substr(i));
                }
                return pieces;
            }
            continue;
        }
        const std::size_t start = i;
        while (i < n && !isDelimiter(text[i])) {
            ++i;
        }
        pieces.push_back(text.substr(start, i - start));
    }
    return pieces;
}

void Split(IVarList& out, const std::string& text, const std::string& delimiters, unsigned limit) {
    for (const auto& piece : SplitText(text, delimiters, limit)) {
        out.PushString(piece.c_str());
    }
}

void Trim(std::string& text, bool left, bool right) {
    static constexpr const char* kBlanks = " \t\r";
    if (right) {
        const auto last = text.find_last_not_of(kBlanks);
        text.erase(last == std::string::npos ? 0 : last + 1);
    }
    if (left) {
        const auto first = text.find_first_not_of(kBlanks);
        text.erase(0, first == std::string::npos ? text.size() : first);
    }
}

std::u16string JoinFields(const std::u16string& a, const std::u16string& b, const std::u16string& c,
                          const std::u16string& d, const std::u16string& e) {
    std::u16string out;
    out.reserve(a.size() + b.size() + c.size() + d.size() + e.size() + 5);
    out.append(a).append(u",").append(b).append(u",").append(c).append(u",").append(d).append(u",").append(e).append(
        u";");
    return out;
}
