#pragma once
// Reader (and writer) of the game's rule files: sections of key=value lines.
// Names are compared case-insensitively for ASCII letters; every byte of a
// value is kept as it was read. A leading UTF-8 byte-order mark is skipped.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct IniKey {
    std::string name;
    std::uint32_t hash = 0;  // IniNameHash(name)
    std::string value;
};

struct IniSection {
    std::string name;
    std::uint32_t hash = 0;    // IniNameHash(name)
    std::vector<IniKey> keys;  // file order; a repeated name keeps every copy
};

// h = 5h + fold(b) over the bytes, fold lowering "A"-"Z" only. Null reads as empty.
std::uint32_t IniNameHash(const char* name) noexcept;
std::uint32_t IniNameHash(const std::string& name) noexcept;
// Same length and equal bytes after fold.
bool IniNamesEqual(const std::string& a, const char* b) noexcept;

class CIniFile {
public:
    explicit CIniFile(const char* fileName);

    // Replaces the contents with the file's: one read of the whole file. False
    // (and no section left) when it cannot be opened or read in full.
    bool LoadFromFile();
    // The same parse over bytes already in memory; no terminator is assumed.
    bool LoadFromMemory(const char* data, std::size_t size);
    // Writes every section and key back; false when the file cannot be written.
    bool SaveToFile() const;

    const IniSection* FindSection(const char* name) const;
    const IniKey* FindKey(const IniSection& section, const char* name) const;

    // strtol base 10, saturated to 32 bits; def only when the key is missing.
    int ReadInteger(const char* section, const char* key, int def) const;
    std::string ReadString(const char* section, const char* key, const char* def) const;

    // Set in memory (section and key made when missing); always true.
    bool WriteString(const char* section, const char* key, const char* text);
    bool WriteInteger(const char* section, const char* key, int value);                 // "%d"
    bool WriteFloat(const char* section, const char* key, float value);                 // "%f"
    bool WriteFloat2(const char* section, const char* key, float x, float y);           // "%f,%f"
    bool WriteFloat3(const char* section, const char* key, float x, float y, float z);  // "%f,%f,%f"
    bool WriteFloat4(const char* section, const char* key, float x, float y, float z, float w);
    // "%d,%d,%d,%d" of the four bytes, lowest first.
    bool WriteColor(const char* section, const char* key, std::uint32_t color);

    const std::vector<IniSection>& Sections() const noexcept { return sections_; }
    const std::string& FileName() const noexcept { return fileName_; }

private:
    void Parse(const char* data, std::size_t size);
    IniSection* FindSectionMutable(std::string_view name);

    std::vector<IniSection> sections_;  // in the order of their first headers
    std::string fileName_;
};
