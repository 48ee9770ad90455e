#include "engine/PageRenumber.h"

#include "base/AnsiText.h"
#include "engine/CheckNumbering.h"

#include <algorithm>
#include <optional>

namespace {

// More digits than this are no page number.
constexpr size_t MaxDigits = 9;

struct TNumberedName {
    std::string Prefix;
    std::string Digits;
    std::string Extension;  // from the last ".", the dot included
};

std::optional<TNumberedName> SplitNumbered(const std::string& name)
{
    const size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    size_t start = base.size();
    while (start > 0 && base[start - 1] >= '0' && base[start - 1] <= '9') --start;
    if (start == base.size()) return std::nullopt;
    return TNumberedName{base.substr(0, start), base.substr(start),
                         dot == std::string::npos ? std::string() : name.substr(dot)};
}

bool IsCoverName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    return SameTextAsciiFolded(base, "cover") || base == "表紙";
}

std::string Padded(unsigned long value, size_t width)
{
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

TRenumberPlan Refused(std::string problem) { return {{}, std::move(problem)}; }

} // namespace

TRenumberPlan PlanRenumbering(const std::vector<std::string>& pages, const std::vector<std::string>& others,
                              bool numberedAbout)
{
    std::vector<std::pair<std::string, TNumberedName>> numbered;
    std::optional<std::string> cover;
    for (const std::string& page : pages) {
        if (auto parts = SplitNumbered(page)) {
            numbered.emplace_back(page, std::move(*parts));
        } else if (IsCoverName(page) && !cover) {
            cover = page;
        } else {
            return Refused("番号のないファイルがあります: " + page);
        }
    }
    if (numbered.empty()) return Refused("番号のあるファイルがありません");
    const std::string& prefix = numbered.front().second.Prefix;
    size_t width = 0;
    unsigned long first = 0;
    bool firstSet = false;
    for (const auto& [name, parts] : numbered) {
        if (parts.Prefix != prefix) return Refused("プレフィックスが一致しません: " + numbered.front().first + " " + name);
        // Leading zeros aside, the number must be short enough to count.
        const size_t significant = parts.Digits.find_first_not_of('0');
        if (significant != std::string::npos && parts.Digits.size() - significant > MaxDigits)
            return Refused("連番の桁が多すぎます: " + name);
        width = std::max(width, parts.Digits.size());
        const unsigned long value = std::stoul(significant == std::string::npos ? "0" : parts.Digits.substr(significant));
        if (!firstSet || value < first) first = value;
        firstSet = true;
    }
    if (cover && first == 0) return Refused("表紙に付ける番号がありません: " + *cover);

    std::vector<TPageRename> all;  // every page with its name to be
    for (const auto& [name, parts] : numbered) {
        const size_t significant = parts.Digits.find_first_not_of('0');
        const unsigned long value = significant == std::string::npos ? 0 : std::stoul(parts.Digits.substr(significant));
        all.push_back({name, prefix + Padded(value, width) + parts.Extension});
    }
    if (cover) {
        const size_t dot = cover->rfind('.');
        all.push_back({*cover, prefix + Padded(first - 1, width) + (dot == std::string::npos ? "" : cover->substr(dot))});
    }

    // Two pages to one name, or a new name another entry holds: nothing is renamed.
    std::vector<std::string> targets;
    for (const TPageRename& rename : all) targets.push_back(rename.To);
    std::sort(targets.begin(), targets.end(),
              [](const std::string& a, const std::string& b) { return CompareTextAsciiFolded(a, b) < 0; });
    for (size_t i = 1; i < targets.size(); ++i) {
        if (SameTextAsciiFolded(targets[i - 1], targets[i])) return Refused("同じ名前になるファイルがあります: " + targets[i]);
    }
    for (const TPageRename& rename : all) {
        if (rename.From == rename.To) continue;
        for (const std::string& other : others) {
            if (SameTextAsciiFolded(other, rename.To)) return Refused("既にある名前です: " + other);
        }
    }
    std::string result, remark;
    if (!CheckNumbering(targets, numberedAbout, nullptr, result, remark))
        return Refused("桁をそろえても連番になりません: " + remark);

    TRenumberPlan plan;
    for (TPageRename& rename : all) {
        if (rename.From != rename.To) plan.Renames.push_back(std::move(rename));
    }
    if (plan.Renames.empty()) plan.Problem = "桁をそろえる必要はありません";
    return plan;
}
