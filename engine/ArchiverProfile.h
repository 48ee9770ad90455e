#pragma once
// An archiver profile: which library, entry point and command line make the
// archives of one format. Stored as one settings value per archive extension.
#include <optional>
#include <string>
#include <string_view>

struct ArchiverProfile {
    std::string Extension;        // ".zip": appended to a folder's name to name its archive
    std::string DllName;          // the archiver library, loaded by name
    std::string FunctionName;     // its entry point; + "GetRunning" is its running check
    std::string CommandTemplate;  // with the placeholders $Q, $A and $D
    std::string QuietOption;      // replaces $Q; empty unless quiet compression is on
};

// Splits the value (a "," list text: library, entry point, template, quiet option;
// later items ignored). None when it has fewer than three items, or fewer than four
// while quiet compression is on. Nothing else is checked.
std::optional<ArchiverProfile> ParseArchiverProfile(std::string_view extension, std::string_view value, bool quiet);

// Replaces every "$Q" of the template by the quiet text, every "$A" by the archive
// path and every "$D" by the folder path (with its trailing separator), in one
// left-to-right pass: inserted text is never scanned for placeholders.
std::string BuildCommandLine(std::string_view commandTemplate, std::string_view quietText,
                             std::string_view archivePath, std::string_view folderPath);
