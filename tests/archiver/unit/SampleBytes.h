#pragma once
// Contents for archive tests: text that packs well and noise that does not.
#include <cstddef>
#include <cstdint>
#include <string>

inline std::string Noise(size_t size, uint32_t seed)
{
    std::string out(size, '\0');
    for (char& c : out) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

inline std::string Text(size_t size)
{
    std::string out;
    for (int i = 0; out.size() < size; ++i) out += "page " + std::to_string(i) + " of the numbered folder\n";
    out.resize(size);
    return out;
}
