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

IniDocument IniDocument::Parse(std::string_view bytes)
{
    IniDocument document;
    Section* current = nullptr;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = Trim(bytes.substr(pos, end - pos));
        pos = end;
        if (pos < bytes.size()) {
            if (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ++pos;
            ++pos;
        }

        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string_view name = Trim(line.substr(1, line.size() - 2));
            current = document.FindSection(name);
            if (!current) {
                document.Sections.push_back({std::string(name), {}});
                current = &document.Sections.back();
            }
            continue;
        }
        if (!current) continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            current->Lines.emplace_back(line);
        } else {
            std::string stored(TrimRight(line.substr(0, equals)));
            stored += '=';
            stored += TrimLeft(line.substr(equals + 1));
            current->Lines.push_back(std::move(stored));
        }
    }
    return document;
}

std::string IniDocument::Serialize() const
{
    std::string text;
    for (const Section& section : Sections) {
        text += '[';
        text += section.Name;
        text += "]\r\n";
        for (const std::string& line : section.Lines) {
            text += line;
            text += "\r\n";
        }
        text += "\r\n";
    }
    return text;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const
{
    for (const Section& section : Sections)
        if (SameTextAsciiFolded(section.Name, name)) return &section;
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
    for (const std::string& line : found->Lines) {
        const auto lineKey = LineKey(line);
        if (lineKey && SameTextAsciiFolded(*lineKey, key)) return line.substr(lineKey->size() + 1);
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
        for (const std::string& line : found->Lines)
            if (const auto key = LineKey(line)) keys.emplace_back(*key);
    }
    return keys;
}

void IniDocument::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    Section* target = FindSection(section);
    if (!target) {
        Sections.push_back({OneLine(section), {}});
        target = &Sections.back();
    }
    std::string line = OneLine(key) + '=' + OneLine(value);
    for (std::string& existing : target->Lines) {
        const auto existingKey = LineKey(existing);
        if (existingKey && SameTextAsciiFolded(*existingKey, key)) {
            existing = std::move(line);
            return;
        }
    }
    target->Lines.push_back(std::move(line));
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
    std::erase_if(Sections, [&](const Section& s) { return SameTextAsciiFolded(s.Name, section); });
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section& section : Sections) names.push_back(section.Name);
    return names;
}
