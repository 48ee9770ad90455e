#include "settings/IniDocument.h"

#include "base/AnsiText.h"
#include "base/IntegerText.h"

#include <algorithm>
#include <utility>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) >= 0x01 && static_cast<unsigned char>(c) <= 0x20; }

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

// The key of a "key=value" line, or nullopt for a line without "=".
std::optional<std::string_view> LineKey(std::string_view line)
{
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return line.substr(0, equals);
}

std::string OneLine(std::string_view text)
{
    std::string result(text);
    std::replace(result.begin(), result.end(), '\r', ' ');
    std::replace(result.begin(), result.end(), '\n', ' ');
    return result;
}

} // namespace

IniDocument IniDocument::Parse(std::string_view bytes) { return ParseLines(bytes, nullptr); }

IniDocument IniDocument::Parse(std::string_view bytes, const TDecode& decode) { return ParseLines(bytes, &decode); }

IniDocument IniDocument::ParseLines(std::string_view bytes, const TDecode* decode)
{
    IniDocument document;
    Section* current = nullptr;
    // The bytes a piece had in the file, kept only where they read as its text.
    const auto rawOf = [decode](std::string_view raw, std::string_view text) -> std::optional<std::string> {
        if (decode && (*decode)(raw) == text) return std::string(raw);
        return std::nullopt;
    };
    size_t pos = 0;
    std::string decoded;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view raw = Trim(bytes.substr(pos, end - pos));
        pos = end;
        if (pos < bytes.size()) {
            if (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ++pos;
            ++pos;
        }
        std::string_view line = raw;
        if (decode) {
            decoded = (*decode)(raw);
            line = Trim(decoded);
        }

        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string_view name = Trim(line.substr(1, line.size() - 2));
            current = document.FindSection(name);
            if (!current) {
                std::optional<std::string> rawName;
                if (raw.size() >= 2 && raw.front() == '[' && raw.back() == ']')
                    rawName = rawOf(Trim(raw.substr(1, raw.size() - 2)), name);
                document.Sections.push_back({{std::string(name), std::move(rawName)}, {}});
                current = &document.Sections.back();
            }
            continue;
        }
        if (!current) continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            current->Lines.push_back({std::string(line), rawOf(raw, line)});
            continue;
        }
        std::string stored(TrimRight(line.substr(0, equals)));
        stored += '=';
        stored += TrimLeft(line.substr(equals + 1));
        std::optional<std::string> rawStored;
        if (const size_t rawEquals = raw.find('='); rawEquals != std::string_view::npos) {
            std::string blanksRemoved(TrimRight(raw.substr(0, rawEquals)));
            blanksRemoved += '=';
            blanksRemoved += TrimLeft(raw.substr(rawEquals + 1));
            rawStored = rawOf(blanksRemoved, stored);
        }
        current->Lines.push_back({std::move(stored), std::move(rawStored)});
    }
    return document;
}

std::string IniDocument::Serialize() const
{
    std::string text;
    Write(nullptr, text);
    return text;
}

bool IniDocument::Serialize(const TEncode& encode, std::string& bytes) const { return Write(&encode, bytes); }

bool IniDocument::Write(const TEncode* encode, std::string& bytes) const
{
    bytes.clear();
    std::string encoded;
    const auto put = [&](const Line& line) {
        if (!encode) {
            bytes += line.Text;
        } else if (line.Raw) {
            bytes += *line.Raw;
        } else {
            if (!(*encode)(line.Text, encoded)) return false;
            bytes += encoded;
        }
        return true;
    };
    for (const Section& section : Sections) {
        bytes += '[';
        if (!put(section.Name)) return false;
        bytes += "]\r\n";
        for (const Line& line : section.Lines) {
            if (!put(line)) return false;
            bytes += "\r\n";
        }
        bytes += "\r\n";
    }
    return true;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const
{
    for (const Section& section : Sections)
        if (SameTextAsciiFolded(section.Name.Text, name)) return &section;
    return nullptr;
}

IniDocument::Section* IniDocument::FindSection(std::string_view name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

bool IniDocument::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

std::optional<std::string> IniDocument::FindValue(std::string_view section, std::string_view key) const
{
    const Section* found = FindSection(section);
    if (!found) return std::nullopt;
    for (const Line& line : found->Lines) {
        const auto lineKey = LineKey(line.Text);
        if (lineKey && SameTextAsciiFolded(*lineKey, key)) return line.Text.substr(lineKey->size() + 1);
    }
    return std::nullopt;
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    auto value = FindValue(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

int32_t IniDocument::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    const auto value = FindValue(section, key);
    if (!value) return defaultValue;
    return ParseIntegerText(*value).value_or(defaultValue);
}

bool IniDocument::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> IniDocument::ReadSectionKeys(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const Section* found = FindSection(section)) {
        for (const Line& line : found->Lines)
            if (const auto key = LineKey(line.Text)) keys.emplace_back(*key);
    }
    return keys;
}

void IniDocument::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    Section* target = FindSection(section);
    if (!target) {
        Sections.push_back({{OneLine(section), std::nullopt}, {}});
        target = &Sections.back();
    }
    std::string line = OneLine(key) + '=' + OneLine(value);
    for (Line& existing : target->Lines) {
        const auto existingKey = LineKey(existing.Text);
        if (existingKey && SameTextAsciiFolded(*existingKey, key)) {
            if (existing.Text != line) existing = {std::move(line), std::nullopt};
            return;
        }
    }
    target->Lines.push_back({std::move(line), std::nullopt});
}

void IniDocument::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, IntegerText(value));
}

void IniDocument::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void IniDocument::EraseSection(std::string_view section)
{
    std::erase_if(Sections, [&](const Section& s) { return SameTextAsciiFolded(s.Name.Text, section); });
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section& section : Sections) names.push_back(section.Name.Text);
    return names;
}
