#pragma once
// Column widths as a settings value: one signed integer per column, comma text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::string FormatColumnWidthsText(const std::vector<int32_t>& widths);

// The widths of the leading items; an item that is not an integer ends the list
// there, so the columns before it still get their widths.
std::vector<int32_t> ParseColumnWidthsText(std::string_view text);

// The widths scaled by numerator / denominator (rounded to the nearest pixel),
// automatic width codes (negative) as they are; the text ends where parsing does.
std::string ScaleColumnWidthsText(std::string_view text, int32_t numerator, int32_t denominator);
