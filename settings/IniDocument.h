#pragma once
// An INI file held in memory: read whole, changed in place, written back whole.
// Section and key names compare without regard to case; values are byte strings
// returned exactly as they were stored.
#include <cstdint>
#include <functional>
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

    // Turns the bytes of one line of a file into text (UTF-8).
    using TDecode = std::function<std::string(std::string_view bytes)>;
    // Turns text into the bytes of a file; false when the text has no exact form there.
    using TEncode = std::function<bool(std::string_view text, std::string& bytes)>;

    // The same rules for a file in another encoding, line by line. Each line keeps
    // the bytes it had in the file, so that a line nobody changes is written back
    // byte for byte (a code page may read two byte forms as one character).
    static IniDocument Parse(std::string_view bytes, const TDecode& decode);

    // Every section as "[name]", its lines and one empty line, each ending in CR LF.
    std::string Serialize() const;
    // The same in a file's encoding: lines read from a file and left unchanged
    // give their own bytes, the others are encoded. False when a text has no form.
    bool Serialize(const TEncode& encode, std::string& bytes) const;

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
    // becomes a blank, so one value always stays one line of the file. A line
    // that already reads so is left as it is, with the bytes it had in the file.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Removes the section and its lines; a later write creates it at the end.
    void EraseSection(std::string_view section);

    // Section names in document order.
    std::vector<std::string> SectionNames() const;

private:
    // A text, and the bytes it had in the file when it was read from one.
    struct Line {
        std::string Text;
        std::optional<std::string> Raw;
    };
    struct Section {
        Line Name;
        std::vector<Line> Lines;
    };

    static IniDocument ParseLines(std::string_view bytes, const TDecode* decode);
    // The text form without an encoder, the file's form with one.
    bool Write(const TEncode* encode, std::string& bytes) const;

    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);

    std::vector<Section> Sections;
};
