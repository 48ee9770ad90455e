#pragma once
// Text as XML 1.0 takes it: strict UTF-8, only the characters the Char
// production allows, and the five markup characters escaped. Platform-free.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The code point of the well-formed UTF-8 sequence at `at` and its length;
// nullopt for a malformed, overlong, surrogate or cut sequence.
std::optional<uint32_t> DecodeUtf8(std::string_view text, size_t at, size_t& length);

// #x9 | #xA | #xD | [#x20-#xD7FF] | [#xE000-#xFFFD] | [#x10000-#x10FFFF]
bool IsXmlChar(uint32_t code);

// True when the whole text is well-formed UTF-8 of XML characters only.
bool IsXmlText(std::string_view text);

// The text with & < > " ' written as entity references, for element text and
// attribute values alike. The caller has checked IsXmlText.
std::string EscapeXml(std::string_view text);
