// Any file loads; saving and loading again gives the same sections, keys and
// values, in the text form and in a file's own encoding; writing a value reads
// it back; a second save is byte-identical.
#include "settings/IniDocument.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

void RequireSameValues(const IniDocument& a, const IniDocument& b)
{
    const auto sections = a.SectionNames();
    Require(sections == b.SectionNames());
    for (const auto& section : sections) {
        const auto keys = a.ReadSectionKeys(section);
        Require(keys == b.ReadSectionKeys(section));
        for (const auto& key : keys) Require(a.FindValue(section, key) == b.FindValue(section, key));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IniDocument first = IniDocument::Parse(bytes);
    const std::string saved = first.Serialize();
    const IniDocument second = IniDocument::Parse(saved);
    RequireSameValues(first, second);
    Require(second.Serialize() == saved);

    // Read as a file in an encoding with two byte forms of one character: written
    // back in that encoding, it reads the same, and a second write is identical.
    const auto decode = [](std::string_view line) {
        std::string text(line);
        for (char& c : text)
            if (c == '@') c = '*';
        return text;
    };
    const auto encode = [](std::string_view text, std::string& encoded) {
        encoded.assign(text);
        return true;
    };
    const IniDocument coded = IniDocument::Parse(bytes, decode);
    std::string raw;
    Require(coded.Serialize(encode, raw));
    const IniDocument recoded = IniDocument::Parse(raw, decode);
    RequireSameValues(coded, recoded);
    std::string rawAgain;
    Require(recoded.Serialize(encode, rawAgain) && rawAgain == raw);

    // The input's tail becomes a value written into the document.
    IniDocument written = second;
    const std::string value(bytes.substr(size / 2));
    written.WriteString("Setting", "Fuzz", value);
    const auto back = IniDocument::Parse(written.Serialize()).FindValue("Setting", "Fuzz");
    Require(back.has_value());
    written.ReadInteger("Setting", "Fuzz", 7);
    written.EraseSection("Setting");
    Require(!written.SectionExists("setting"));
    return 0;
}
