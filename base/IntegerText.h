#pragma once
// Whole numbers as they stand in settings values: signed decimal, or hexadecimal
// after "0x"/"0X". Anything else, and anything out of range, is not a number,
// so a hand-edited value can never overflow or throw.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Decimal with an optional sign, in the range of a signed 32-bit integer; or
// "0x" followed by 1 to 8 hex digits, taken as the 32-bit pattern (0xFFFFFFFF is -1).
// No blanks are allowed anywhere.
std::optional<int32_t> ParseIntegerText(std::string_view text);

std::string IntegerText(int32_t value);
