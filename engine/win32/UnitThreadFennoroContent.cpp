// F8 judges the content rules again (extensions, numbering, sub-folders, an empty
// tree) on what its own safety walk listed: a folder may have changed since the
// find (another window archived its sub-folders, a file was saved into it), and
// it is archived, and perhaps recycled, only as the find would judge it now.
#include "engine/win32/UnitThreadFennoro.h"

#include "base/AnsiText.h"

#include <algorithm>
#include <iterator>

namespace {

// The find's content verdicts: a row checked by hand over one of them overrides
// the content rules, as the user chose (never the safety rules).
constexpr const char* ContentVerdicts[] = {
    "許容外の拡張子です",         "サブディレクトリが存在します",       "空のフォルダです",
    "ファイルから連番が得られません", "ファイルは連番形式ではありません", "連番になっていません",
    "ComicInfo.xmlが正しいXMLではありません",
};

} // namespace

bool IsContentVerdict(const std::string& result)
{
    return std::any_of(std::begin(ContentVerdicts), std::end(ContentVerdicts),
                       [&](const char* verdict) { return result == verdict; });
}

void TThreadFennoro::SetContentRules(const TContentRules& rules)
{
    AllowedExtensions = rules.Extensions;
    std::stable_sort(AllowedExtensions.begin(), AllowedExtensions.end(),
                     [](const std::string& a, const std::string& b) { return CompareTextLocaleOrder(a, b) < 0; });
    Recursive = rules.Recursive;
    Numbered = rules.Numbered;
    NumberedAbout = rules.NumberedAbout;
    RecheckContentRules = true;
}

std::optional<TSafetyFault> TThreadFennoro::ContentFault(const TFolderTree& tree, const std::string& folderPath)
{
    if (!RecheckContentRules || IsContentVerdict(CurrentResult)) return std::nullopt;
    long long count = 0;
    std::optional<TSafetyFault> fault;
    if (!CheckTreeContent(tree, count)) fault = TSafetyFault{ResultText, RemarkText};
    Pages.clear();  // the find's, which CheckFiles fills for the page check
    if (!fault && count == 0) fault = TSafetyFault{"空のフォルダです", folderPath};
    return fault;
}
