#pragma once
// A book's title, series and volume from its folder's name. The name may be a
// path below the search root ("作者\シリーズ\第01巻"): its last part is the title,
// and the part before is the series when the title carries no series of its own.
// Platform-free.
#include <optional>
#include <string>
#include <string_view>

struct TVolumeName {
    std::string Title;           // the folder's own name
    std::string Series;          // empty: none known
    std::optional<int> Volume;   // none: the name carries no volume mark
};

// Volume marks people use at the end of a name, with or without blanks before
// them: "第3巻", "3巻", "上"/"中"/"下" (1, 2, 3; alone after a blank or in brackets,
// or as "上巻"), "Vol.3", "vol 03", "v03", "#3", "(3)", " 03". Full-width digits,
// blanks and brackets count as their ASCII forms. The series is the name before
// the mark; else, or when nothing is before it, the parent folder's name.
TVolumeName ParseVolumeName(std::string_view rowName);
