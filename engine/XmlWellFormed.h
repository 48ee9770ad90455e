#pragma once
// Whether a document is well-formed XML 1.0: one root element, tags nested and
// matched, attributes quoted and not repeated, references that resolve, only
// XML characters, comments, CDATA sections and processing instructions closed.
// Enough to tell a metadata file a reader can take from one it would choke on;
// no validation, no external entities fetched. Platform-free, without recursion.
#include <string_view>

// The bytes as a file holds them: UTF-8 (with or without its mark) or UTF-16
// with its byte-order mark.
bool IsWellFormedXml(std::string_view document);
