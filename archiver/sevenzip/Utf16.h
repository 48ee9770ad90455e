#pragma once
// UTF-8 and UTF-16 (7z names) without the platform's conversion functions.
#include <string>
#include <string_view>

// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// True when every byte is below 0x80.
bool IsPlainAscii(std::string_view text);
