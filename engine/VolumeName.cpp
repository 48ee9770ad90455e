#include "engine/VolumeName.h"

#include "engine/XmlText.h"

#include <vector>

namespace {

// One character of the name: its code point and its bytes.
struct TChar {
    uint32_t Code;
    std::string_view Bytes;
};

std::vector<TChar> Characters(std::string_view text)
{
    std::vector<TChar> chars;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        const auto code = DecodeUtf8(text, i, length);
        chars.push_back({code ? *code : 0xFFFD, text.substr(i, code ? length : 1)});
        i += code ? length : 1;
    }
    return chars;
}

// Full-width forms (U+FF01..U+FF5E) as ASCII, the ideographic space as a blank.
uint32_t Narrow(uint32_t code)
{
    if (code >= 0xFF01 && code <= 0xFF5E) return code - 0xFF01 + 0x21;
    if (code == 0x3000) return ' ';
    return code;
}

bool IsBlank(uint32_t code) { return code == ' ' || code == '\t'; }
bool IsDigit(uint32_t code) { return code >= '0' && code <= '9'; }
uint32_t Lower(uint32_t code) { return code >= 'A' && code <= 'Z' ? code + 32 : code; }

// What stands before a mark and may be cut with it from the series: blanks and
// the joiners people put between a series and its volume.
bool IsJoiner(uint32_t code) { return IsBlank(code) || code == '-' || code == '_' || code == ':' || code == 0x30FB; }

struct TMark {
    size_t Start;  // index of the mark's first character
    int Volume;
};

class TMarkFinder {
public:
    explicit TMarkFinder(const std::vector<TChar>& chars)
    {
        for (const TChar& c : chars) Codes.push_back(Narrow(c.Code));
        End = Codes.size();
        while (End > 0 && IsBlank(Codes[End - 1])) --End;
    }

    std::optional<TMark> Find() const
    {
        if (End == 0) return std::nullopt;
        // "上巻" "中巻" "下巻", "上" "中" "下" alone, in brackets.
        if (auto mark = Part()) return mark;
        // Digits, then what they end.
        size_t at = End;
        const bool bracket = Codes[at - 1] == ')' || Codes[at - 1] == 0x3011;  // ")" or "】"
        if (bracket) --at;
        const bool volumeWord = !bracket && at > 0 && Codes[at - 1] == 0x5DFB;  // 巻
        if (volumeWord) --at;
        const size_t digitsEnd = at;
        while (at > 0 && IsDigit(Codes[at - 1])) --at;
        const size_t digitsStart = at;
        if (digitsStart == digitsEnd || digitsEnd - digitsStart > 9) return std::nullopt;
        int volume = 0;
        for (size_t i = digitsStart; i < digitsEnd; ++i) volume = volume * 10 + static_cast<int>(Codes[i] - '0');
        if (bracket) {
            // "(3)", "【3】"
            if (at == 0 || (Codes[at - 1] != '(' && Codes[at - 1] != 0x3010)) return std::nullopt;
            return TMark{at - 1, volume};
        }
        if (volumeWord) {
            // "第3巻" or "3巻"
            if (at > 0 && Codes[at - 1] == 0x7B2C) return TMark{at - 1, volume};
            return TMark{at, volume};
        }
        if (at > 0 && Codes[at - 1] == '#') return TMark{at - 1, volume};
        // "Vol.3", "vol 03", "v03"
        size_t word = at;
        while (word > 0 && IsBlank(Codes[word - 1])) --word;
        if (word > 0 && Codes[word - 1] == '.') --word;
        if (word > 0 && Lower(Codes[word - 1]) == 'v' && StartsWord(word - 1)) return TMark{word - 1, volume};
        if (word >= 3 && Lower(Codes[word - 1]) == 'l' && Lower(Codes[word - 2]) == 'o' &&
            Lower(Codes[word - 3]) == 'v' && StartsWord(word - 3))
            return TMark{word - 3, volume};
        // " 03": digits after a blank.
        // A name of digits alone is a volume of the parent's series.
        if (at == 0 || IsBlank(Codes[at - 1])) return TMark{at, volume};
        return std::nullopt;
    }

    size_t SeriesEnd(size_t markStart) const
    {
        size_t end = markStart;
        while (end > 0 && IsJoiner(Codes[end - 1])) --end;
        return end;
    }

private:
    // A word begins at i: at the name's start or after a blank, a bracket or a joiner.
    bool StartsWord(size_t i) const
    {
        if (i == 0) return true;
        const uint32_t before = Codes[i - 1];
        return IsJoiner(before) || before == '(' || before == '[' || before == '.' || before == ',';
    }

    std::optional<TMark> Part() const
    {
        const auto partOf = [](uint32_t code) {
            return code == 0x4E0A ? 1 : code == 0x4E2D ? 2 : code == 0x4E0B ? 3 : 0;  // 上 中 下
        };
        size_t at = End;
        const uint32_t last = Codes[at - 1];
        if (last == 0x5DFB && at >= 2 && partOf(Codes[at - 2])) return TMark{at - 2, partOf(Codes[at - 2])};
        if (last == ')' || last == 0x3011) {
            if (at >= 3 && partOf(Codes[at - 2]) && (Codes[at - 3] == '(' || Codes[at - 3] == 0x3010))
                return TMark{at - 3, partOf(Codes[at - 2])};
            return std::nullopt;
        }
        if (partOf(last) && at >= 2 && IsBlank(Codes[at - 2])) return TMark{at - 1, partOf(last)};
        return std::nullopt;
    }

    std::vector<uint32_t> Codes;
    size_t End = 0;
};

std::string Join(const std::vector<TChar>& chars, size_t end)
{
    std::string text;
    for (size_t i = 0; i < end; ++i) text += chars[i].Bytes;
    return text;
}

} // namespace

TVolumeName ParseVolumeName(std::string_view rowName)
{
    TVolumeName result;
    const size_t last = rowName.find_last_of('\\');
    result.Title = std::string(last == std::string_view::npos ? rowName : rowName.substr(last + 1));
    std::string parent;
    if (last != std::string_view::npos) {
        const std::string_view before = rowName.substr(0, last);
        const size_t previous = before.find_last_of('\\');
        parent = std::string(previous == std::string_view::npos ? before : before.substr(previous + 1));
    }
    const std::vector<TChar> chars = Characters(result.Title);
    const TMarkFinder finder(chars);
    if (const auto mark = finder.Find()) {
        result.Volume = mark->Volume;
        result.Series = Join(chars, finder.SeriesEnd(mark->Start));
    }
    if (result.Series.empty()) result.Series = parent;
    return result;
}
