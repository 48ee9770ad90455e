#pragma once
// The names of entries a system or a viewer leaves in a picture folder and
// rewrites at will (thumbnail caches, folder settings, macOS's resource forks):
// no pages. A ";" list text of names with "*" and "?" wildcards, compared
// without regard to ASCII case. Platform-free.
#include <string>
#include <string_view>
#include <vector>

// The list taken when the settings hold none.
inline constexpr char DefaultIgnoredFiles[] = "Thumbs.db;ehthumbs.db;desktop.ini;.DS_Store;._*;__MACOSX;.picasa.ini";

class TIgnoredNames {
public:
    TIgnoredNames() = default;  // ignores nothing
    // Items that could never match a name (empty, or holding a separator) are dropped.
    explicit TIgnoredNames(std::string_view listText);

    // True when the entry name (a file's or a folder's, without its path) is one of them.
    bool Matches(std::string_view name) const;
    bool Empty() const { return Patterns.empty(); }
    const std::vector<std::string>& Items() const { return Patterns; }

private:
    std::vector<std::string> Patterns;
};

// "*" any run of characters, "?" one character (a whole UTF-8 sequence), anything
// else itself without regard to ASCII case.
bool NameMatchesWildcard(std::string_view name, std::string_view pattern);
