#include "base/IntegerText.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<int32_t> ParseIntegerText(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint32_t value = 0;
        size_t significant = 0;   // digits after any leading zeros
        for (char c : text.substr(2)) {
            const int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) return std::nullopt;
            value = (value << 4) | static_cast<uint32_t>(d);
        }
        return static_cast<int32_t>(value);
    }

    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) return std::nullopt;
    // Accumulate in 64 bits and stop as soon as the magnitude leaves the 32-bit range.
    int64_t magnitude = 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return std::nullopt;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

std::string IntegerText(int32_t value) { return std::to_string(value); }
