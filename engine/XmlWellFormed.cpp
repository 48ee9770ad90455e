#include "engine/XmlWellFormed.h"

#include "engine/XmlText.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// UTF-16 with its mark as UTF-8; nullopt for a lone surrogate or an odd length.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    if (bytes.size() % 2) return std::nullopt;
    std::string out;
    const auto unit = [&](size_t i) {
        const auto a = static_cast<uint8_t>(bytes[i]), b = static_cast<uint8_t>(bytes[i + 1]);
        return static_cast<uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t code = unit(i);
        if (code >= 0xDC00 && code <= 0xDFFF) return std::nullopt;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (i + 3 >= bytes.size()) return std::nullopt;
            const uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameStart(uint32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0xC0;
}

bool IsNameChar(uint32_t c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7; }

class TXmlScanner {
public:
    explicit TXmlScanner(std::string_view text) : Text(text) {}

    bool Document()
    {
        if (!IsXmlText(Text)) return false;
        if (Starts("<?xml") && Text.size() > 5 && (IsSpace(Text[5]) || Text[5] == '?')) {
            if (!SkipPast("?>")) return false;
        }
        bool doctype = false;
        bool root = false;
        std::vector<std::string> open;
        while (At < Text.size()) {
            if (open.empty()) {
                // Outside the root: blanks, comments, instructions, one DOCTYPE before it.
                if (IsSpace(Text[At])) {
                    ++At;
                    continue;
                }
                if (Text[At] != '<') return false;
                if (Starts("<!--")) {
                    if (!Comment()) return false;
                } else if (Starts("<?")) {
                    if (!Instruction()) return false;
                } else if (Starts("<!DOCTYPE")) {
                    if (root || doctype || !Doctype()) return false;
                    doctype = Declared = true;
                } else {
                    if (root) return false;
                    root = true;
                    if (!StartTag(open)) return false;
                }
                continue;
            }
            if (Text[At] != '<') {
                if (!CharData()) return false;
            } else if (Starts("<!--")) {
                if (!Comment()) return false;
            } else if (Starts("<![CDATA[")) {
                if (!SkipPast("]]>")) return false;
            } else if (Starts("<?")) {
                if (!Instruction()) return false;
            } else if (Starts("</")) {
                At += 2;
                const auto name = Name();
                if (!name || *name != open.back()) return false;
                SkipSpaces();
                if (!Take('>')) return false;
                open.pop_back();
            } else if (!StartTag(open)) {
                return false;
            }
        }
        return root && open.empty();
    }

private:
    bool Starts(std::string_view prefix) const { return Text.substr(At, prefix.size()) == prefix; }
    bool Take(char c)
    {
        if (At >= Text.size() || Text[At] != c) return false;
        ++At;
        return true;
    }
    void SkipSpaces()
    {
        while (At < Text.size() && IsSpace(Text[At])) ++At;
    }
    bool SkipPast(std::string_view end)
    {
        const size_t found = Text.find(end, At);
        if (found == std::string_view::npos) return false;
        At = found + end.size();
        return true;
    }

    std::optional<std::string> Name()
    {
        const size_t start = At;
        while (At < Text.size()) {
            size_t length = 1;
            const uint32_t code = *DecodeUtf8(Text, At, length);  // checked by IsXmlText
            if (At == start ? !IsNameStart(code) : !IsNameChar(code)) break;
            At += length;
        }
        if (At == start) return std::nullopt;
        return std::string(Text.substr(start, At - start));
    }

    bool Comment()
    {
        At += 4;
        const size_t end = Text.find("--", At);
        if (end == std::string_view::npos || Text.substr(end, 3) != "-->") return false;
        At = end + 3;
        return true;
    }

    bool Instruction()
    {
        At += 2;
        const auto target = Name();
        if (!target) return false;
        std::string lower = *target;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
        if (lower == "xml") return false;  // the declaration only at the very start
        return SkipPast("?>");
    }

    // The DOCTYPE with its internal subset, if any, skipped over whole: quoted
    // literals may hold brackets and '>'.
    bool Doctype()
    {
        At += 9;
        int depth = 0;
        while (At < Text.size()) {
            const char c = Text[At++];
            if (c == '"' || c == '\'') {
                const size_t end = Text.find(c, At);
                if (end == std::string_view::npos) return false;
                At = end + 1;
            } else if (c == '[') {
                ++depth;
            } else if (c == ']') {
                if (--depth < 0) return false;
            } else if (c == '>' && depth == 0) {
                return true;
            }
        }
        return false;
    }

    // A reference after '&': a character reference to an XML character, a
    // predefined entity, or (with a DOCTYPE that may declare it) any name.
    bool Reference()
    {
        if (Take('#')) {
            const bool hex = Take('x');
            uint32_t code = 0;
            size_t digits = 0;
            while (At < Text.size() && Text[At] != ';') {
                const char c = Text[At];
                int value = -1;
                if (c >= '0' && c <= '9') value = c - '0';
                else if (hex && c >= 'a' && c <= 'f') value = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F') value = c - 'A' + 10;
                if (value < 0 || ++digits > 8) return false;
                code = code * (hex ? 16 : 10) + static_cast<uint32_t>(value);
                ++At;
            }
            return digits > 0 && Take(';') && IsXmlChar(code);
        }
        const auto name = Name();
        if (!name || !Take(';')) return false;
        return Declared || *name == "amp" || *name == "lt" || *name == "gt" || *name == "quot" || *name == "apos";
    }

    bool CharData()
    {
        while (At < Text.size() && Text[At] != '<') {
            if (Starts("]]>")) return false;
            if (Take('&')) {
                if (!Reference()) return false;
                continue;
            }
            ++At;
        }
        return true;
    }

    bool StartTag(std::vector<std::string>& open)
    {
        ++At;
        const auto name = Name();
        if (!name) return false;
        std::vector<std::string> attributes;
        for (;;) {
            const size_t before = At;
            SkipSpaces();
            if (Starts("/>")) {
                At += 2;
                return true;
            }
            if (Take('>')) {
                open.push_back(*name);
                return true;
            }
            if (At == before) return false;  // attributes are separated by blanks
            const auto attribute = Name();
            if (!attribute) return false;
            if (std::find(attributes.begin(), attributes.end(), *attribute) != attributes.end()) return false;
            attributes.push_back(*attribute);
            SkipSpaces();
            if (!Take('=')) return false;
            SkipSpaces();
            if (At >= Text.size() || (Text[At] != '"' && Text[At] != '\'')) return false;
            const char quote = Text[At++];
            while (At < Text.size() && Text[At] != quote) {
                if (Text[At] == '<') return false;
                if (Take('&')) {
                    if (!Reference()) return false;
                    continue;
                }
                ++At;
            }
            if (!Take(quote)) return false;
        }
    }

    std::string_view Text;
    size_t At = 0;
    bool Declared = false;
};

} // namespace

bool IsWellFormedXml(std::string_view document)
{
    const auto starts = [&](std::string_view mark) { return document.substr(0, mark.size()) == mark; };
    std::string converted;
    if (starts("\xEF\xBB\xBF")) {
        document.remove_prefix(3);
    } else if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
        const auto utf8 = Utf16ToUtf8(document.substr(2), starts("\xFE\xFF"));
        if (!utf8) return false;
        converted = *utf8;
        document = converted;
    }
    return TXmlScanner(document).Document();
}
