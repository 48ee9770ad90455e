#pragma once
// A file name's extension and base name. No byte of a multi-byte UTF-8
// character is ".", so a byte search for the last dot is exact.
#include <string_view>

// From the last "." to the end, the dot included; empty when the name has no ".".
inline std::string_view FileExtension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

// Everything before the last "."; the whole name when it has none.
inline std::string_view FileBaseName(std::string_view name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}
