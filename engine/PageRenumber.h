#pragma once
// Page numbers that only lack zeros ("1.jpg" .. "10.jpg", "p1" .. "p120"): the
// renames that give every number the width of the longest, planned from a
// folder's names alone. A lone cover page beside the numbers ("cover.jpg",
// "表紙.jpg") takes the number before the first, so that every reader shows
// it first. Platform-free: the window carries the plan out.
#include <string>
#include <vector>

struct TPageRename {
    std::string From;
    std::string To;
    bool operator==(const TPageRename&) const = default;
};

struct TRenumberPlan {
    std::vector<TPageRename> Renames;  // in an order that cannot collide (any order: no target is taken)
    std::string Problem;               // why nothing is to be done; empty when the plan holds
};

// pages: the folder's page files (allowed, not left by the system); others:
// every other entry of the folder. The plan holds only when the renamed pages
// form one sequence that passes the numbered-sequence check (gaps tolerated as
// numberedAbout says), no two pages come to one name and no new name is taken
// by another entry (all without regard to ASCII case, as the file system sees them).
TRenumberPlan PlanRenumbering(const std::vector<std::string>& pages, const std::vector<std::string>& others,
                              bool numberedAbout);
