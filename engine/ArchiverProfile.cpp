#include "engine/ArchiverProfile.h"

#include "settings/ListText.h"

#include <vector>

namespace {

// Every occurrence, left to right, without overlaps; the inserted text is not scanned again.
std::string ReplaceAll(std::string_view text, std::string_view placeholder, std::string_view replacement)
{
    std::string result;
    result.reserve(text.size());
    size_t from = 0;
    for (size_t at; (at = text.find(placeholder, from)) != std::string_view::npos; from = at + placeholder.size()) {
        result.append(text.substr(from, at - from)).append(replacement);
    }
    result.append(text.substr(from));
    return result;
}

} // namespace

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
    const std::string quieted = ReplaceAll(commandTemplate, "$Q", quietText);
    const std::string withArchive = ReplaceAll(quieted, "$A", archivePath);
    return ReplaceAll(withArchive, "$D", folderPath);
}
