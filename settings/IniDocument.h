#pragma once
// An INI file held in memory: read whole, changed in place, written back whole.
// Section and key names compare without regard to case; values are byte strings
// returned exactly as they were stored.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniDocument {
public:
    IniDocument() = default;

    // Reads the bytes of a file. Lines end at CR, LF or CR LF and are trimmed of
    // bytes 0x01-0x20; empty lines, ";" comments and lines before the first
    // section are dropped; "key = value" is kept as "key=value"; a line without
    // "=" is kept as it is. A section named twice is one section.
    static IniDocument Parse(std::string_view bytes);

    // Every section as "[name]", its lines and one empty line, each ending in CR LF.
    std::string Serialize() const;

    bool SectionExists(std::string_view section) const;
    // The text after the first "=" of the first line whose key matches; nullopt when absent.
    std::optional<std::string> FindValue(std::string_view section, std::string_view key) const;
    // The value; the default only when the section or key is absent (an empty value is empty).
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Signed decimal or "0x" hexadecimal; absent, empty or malformed gives the default.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // Any integer other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // Keys of the section's "key=value" lines, in order (lines without "=" are no keys).
    std::vector<std::string> ReadSectionKeys(std::string_view section) const;

    // Replaces the key's line in place, or appends it to the section, which is
    // appended to the document when missing. A line end inside the key or value
    // becomes a blank, so one value always stays one line of the file.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Removes the section and its lines; a later write creates it at the end.
    void EraseSection(std::string_view section);

    // Section names in document order.
    std::vector<std::string> SectionNames() const;

private:
    struct Section {
        std::string Name;
        std::vector<std::string> Lines;
    };

    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);

    std::vector<Section> Sections;
};
