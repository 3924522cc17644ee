#include "IniFile.h"

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "NullText.h"
#include "NumberText.h"
#include "Platform.h"

namespace {

// Rule files are a few kilobytes; anything past this is not one (a directory
// reports an absurd length on some file systems) and is refused, not allocated.
constexpr long kMaxFileBytes = 256L * 1024 * 1024;

constexpr unsigned char Fold(unsigned char b) noexcept {
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

// Byte-counted throughout: a header read from a file may hold a NUL byte.
std::uint32_t HashBytes(std::string_view name) noexcept {
    std::uint32_t h = 0;
    for (const char c : name) {
        h = 5u * h + Fold(static_cast<unsigned char>(c));
    }
    return h;
}

bool EqualFolded(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) noexcept {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

}  // namespace

std::uint32_t IniNameHash(const char* name) noexcept { return HashBytes(View(name)); }

std::uint32_t IniNameHash(const std::string& name) noexcept { return HashBytes(name); }

bool IniNamesEqual(const std::string& a, const char* b) noexcept { return EqualFolded(a, View(b)); }

CIniFile::CIniFile(const char* fileName) : fileName_(OrEmpty(fileName)) {}

bool CIniFile::LoadFromFile() {
    sections_.clear();
    std::FILE* file = Platform::OpenFile(fileName_.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};

    if (std::fseek(file, 0, SEEK_END) != 0) {
        return false;
    }
    const long length = std::ftell(file);
    if (length < 0 || length > kMaxFileBytes || std::fseek(file, 0, SEEK_SET) != 0) {
        return false;
    }
    const auto size = static_cast<std::size_t>(length);
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    if (std::fread(buffer.get(), 1, size, file) != size) {
        return false;
    }
    // A directory opens and may report length 0; its first read fails.
    if (std::fgetc(file) == EOF && std::ferror(file)) {
        return false;
    }
    Parse(buffer.get(), size);
    return true;
}

bool CIniFile::LoadFromMemory(const char* data, std::size_t size) {
    sections_.clear();
    if (data == nullptr && size != 0) {
        return false;
    }
    Parse(data, size);
    return true;
}

void CIniFile::Parse(const char* data, std::size_t size) {
    IniSection* current = nullptr;
    // Common editors save a UTF-8 byte-order mark ahead of the text; read as a
    // byte of the first line, it would hide the first section header.
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::size_t pos = std::string_view(data, size).starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    // Every CR and LF ends a line; the end of the data ends the last one, so a
    // file without a final line end is read in full.
    while (pos < size) {
        const char c = data[pos];
        if (c == '\r' || c == '\n') {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n') {
            ++end;
        }
        const std::string_view line = TrimBlanks(std::string_view(data + pos, end - pos));
        pos = end;

        if (line.size() < 2) {
            continue;
        }
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            const std::string_view name = line.substr(1, line.size() - 2);
            current = FindSectionMutable(name);
            if (current == nullptr) {
                sections_.push_back(IniSection{std::string(name), HashBytes(name), {}});
                current = &sections_.back();
            }
            continue;
        }
        if (line.starts_with("//") || line.front() == ';') {
            continue;
        }
        if (current == nullptr) {
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            continue;
        }
        const std::string_view value = TrimBlanks(line.substr(eq + 1));
        if (value.empty()) {
            continue;
        }
        const std::string_view name = TrimBlanks(line.substr(0, eq));
        current->keys.push_back(IniKey{std::string(name), HashBytes(name), std::string(value)});
    }
}

bool CIniFile::SaveToFile() const {
    std::FILE* file = Platform::OpenFile(fileName_.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = true;
    auto put = [&](const std::string& text) {
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
            ok = false;
        }
    };
    const std::string crlf = "\r\n";
    for (const auto& section : sections_) {
        put("[" + section.name + "]" + crlf);
        for (const auto& key : section.keys) {
            put(key.name + "=" + key.value + crlf);
        }
        put(crlf);
    }
    // A full disk shows up only at the flush; report it rather than claim success.
    if (std::fclose(file) != 0) {
        ok = false;
    }
    return ok;
}

IniSection* CIniFile::FindSectionMutable(std::string_view name) {
    const std::uint32_t hash = HashBytes(name);
    for (auto& section : sections_) {
        if (section.hash == hash && EqualFolded(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

const IniSection* CIniFile::FindSection(const char* name) const {
    return const_cast<CIniFile*>(this)->FindSectionMutable(View(name));
}

const IniKey* CIniFile::FindKey(const IniSection& section, const char* name) const {
    const std::string_view wanted = View(name);
    const std::uint32_t hash = HashBytes(wanted);
    for (const auto& key : section.keys) {
        if (key.hash == hash && EqualFolded(key.name, wanted)) {
            return &key;
        }
    }
    return nullptr;
}

int CIniFile::ReadInteger(const char* section, const char* key, int def) const {
    const IniSection* s = FindSection(section);
    const IniKey* k = s != nullptr ? FindKey(*s, key) : nullptr;
    return k != nullptr ? StringToInt(k->value.c_str()) : def;
}

std::string CIniFile::ReadString(const char* section, const char* key, const char* def) const {
    const IniSection* s = FindSection(section);
    const IniKey* k = s != nullptr ? FindKey(*s, key) : nullptr;
    return k != nullptr ? k->value : std::string(OrEmpty(def));
}

bool CIniFile::WriteString(const char* section, const char* key, const char* text) {
    IniSection* s = FindSectionMutable(View(section));
    if (s == nullptr) {
        sections_.push_back(IniSection{OrEmpty(section), IniNameHash(section), {}});
        s = &sections_.back();
    }
    IniKey* k = const_cast<IniKey*>(FindKey(*s, key));
    if (k == nullptr) {
        s->keys.push_back(IniKey{OrEmpty(key), IniNameHash(key), {}});
        k = &s->keys.back();
    }
    k->value = OrEmpty(text);
    return true;
}

namespace {
// "%f" of each value, joined by commas.
std::string Floats(std::initializer_list<float> values) {
    std::string out;
    for (const float v : values) {
        if (!out.empty()) {
            out += ',';
        }
        out += FloatToString(v, 0);
    }
    return out;
}
}  // namespace

bool CIniFile::WriteInteger(const char* section, const char* key, int value) {
    return WriteString(section, key, IntToString(value).c_str());
}

bool CIniFile::WriteFloat(const char* section, const char* key, float value) {
    return WriteString(section, key, Floats({value}).c_str());
}

bool CIniFile::WriteFloat2(const char* section, const char* key, float x, float y) {
    return WriteString(section, key, Floats({x, y}).c_str());
}

bool CIniFile::WriteFloat3(const char* section, const char* key, float x, float y, float z) {
    return WriteString(section, key, Floats({x, y, z}).c_str());
}

bool CIniFile::WriteFloat4(const char* section, const char* key, float x, float y, float z, float w) {
    return WriteString(section, key, Floats({x, y, z, w}).c_str());
}

bool CIniFile::WriteColor(const char* section, const char* key, std::uint32_t color) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        if (shift != 0) {
            text += ',';
        }
        text += IntToString(static_cast<int>((color >> shift) & 0xFFu));
    }
    return WriteString(section, key, text.c_str());
}
