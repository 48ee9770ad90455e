#include "engine/ArchiverProfile.h"

#include "base/ListText.h"

#include <vector>

std::optional<ArchiverProfile> ParseArchiverProfile(std::string_view extension, std::string_view value, bool quiet)
{
    const std::vector<std::string> items = SplitListText(value, ',');
    if (items.size() < 3 || (quiet && items.size() < 4)) return std::nullopt;
    ArchiverProfile profile;
    profile.Extension = extension;
    profile.DllName = items[0];
    profile.FunctionName = items[1];
    profile.CommandTemplate = items[2];
    if (quiet) profile.QuietOption = items[3];
    return profile;
}

std::string BuildCommandLine(std::string_view commandTemplate, std::string_view quietText,
                             std::string_view archivePath, std::string_view folderPath)
{
    // One pass over the template: a folder named "x$Dy" puts "$D" into the archive
    // path, and that text must reach the archiver as it is.
    std::string line;
    line.reserve(commandTemplate.size() + archivePath.size() + folderPath.size() + quietText.size());
    for (size_t i = 0; i < commandTemplate.size(); ++i) {
        const char next = i + 1 < commandTemplate.size() ? commandTemplate[i + 1] : '\0';
        const std::string_view* replacement = nullptr;
        if (commandTemplate[i] == '$') {
            if (next == 'Q') replacement = &quietText;
            if (next == 'A') replacement = &archivePath;
            if (next == 'D') replacement = &folderPath;
        }
        if (replacement) {
            line += *replacement;
            ++i;
        } else {
            line += commandTemplate[i];
        }
    }
    return line;
}
