#include "engine/win32/LeftOutEntries.h"

#include <algorithm>

TLeftOut LeftOutOf(const TFolderTree& tree, const TIgnoredNames& ignored)
{
    TLeftOut left;
    if (ignored.Empty() || tree.empty()) return left;
    const size_t topLength = tree.front().Dir.size();
    // The folders (by their Dir) inside a left-out one: pre-order, so a prefix test
    // against the left-out folders met so far answers.
    std::vector<std::string> leftFolders;
    for (const TTreeFolder& folder : tree) {
        const bool inside = std::any_of(leftFolders.begin(), leftFolders.end(), [&](const std::string& dir) {
            return folder.Dir.compare(0, dir.size(), dir) == 0;
        });
        for (const TFolderEntry& entry : folder.Entries) {
            if (inside) {
                if (entry.IsFile()) ++left.Files;
                continue;
            }
            if (!ignored.Matches(entry.Name)) continue;
            left.Names.push_back(folder.Dir.substr(topLength) + entry.Name);
            if (entry.IsFile()) {
                ++left.Files;
            } else {
                leftFolders.push_back(folder.Dir + entry.Name + '\\');
            }
        }
    }
    return left;
}

std::string ExclusionSwitches(const TIgnoredNames& ignored)
{
    std::string switches;
    for (std::string pattern : ignored.Items()) {
        // A quote ends no name Windows allows: such a pattern matches nothing.
        if (pattern.find('"') != std::string::npos) continue;
        for (char& c : pattern)
            if (static_cast<unsigned char>(c) <= 0x20) c = '?';
        switches += " -xr!" + pattern;
    }
    return switches;
}
