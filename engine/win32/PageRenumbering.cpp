#include "engine/win32/PageRenumbering.h"

#include "base/AnsiText.h"
#include "base/FileNameParts.h"
#include "base/WideText.h"
#include "engine/CheckNumbering.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/LongPath.h"

#include <algorithm>
#include <map>

namespace {

bool Allowed(const TRenumberRules& rules, const std::string& name)
{
    const std::string extension(FileExtension(name));
    return std::any_of(rules.AllowedExtensions.begin(), rules.AllowedExtensions.end(),
                       [&](const std::string& allowed) { return SameTextLocaleOrder(allowed, extension); });
}

TRenumberOutcome Refused(std::string problem)
{
    TRenumberOutcome outcome;
    outcome.Problem = std::move(problem);
    return outcome;
}

} // namespace

uint64_t ListingDigest(const std::vector<TFolderEntry>& entries)
{
    uint64_t value = 0xCBF29CE484222325ULL;
    const auto mix = [&](const void* data, size_t size) {
        for (size_t i = 0; i < size; ++i) value = (value ^ static_cast<const unsigned char*>(data)[i]) * 0x100000001B3ULL;
    };
    for (const TFolderEntry& entry : entries) {
        mix(entry.WideName.c_str(), (entry.WideName.size() + 1) * sizeof(wchar_t));
        mix(&entry.Attributes, sizeof entry.Attributes);
        mix(&entry.Size, sizeof entry.Size);
        mix(&entry.LastWriteTime, sizeof entry.LastWriteTime);
    }
    return value == 0 ? 1 : value;
}

bool IsNumberingVerdict(const std::string& result)
{
    return result == "ファイルは連番形式ではありません" || result == "連番になっていません" ||
           result == "ファイルから連番が得られません";
}

TRenumberOutcome RenumberPages(const std::string& folder, const TRenumberRules& rules, const std::string& foundResult,
                               const std::string& foundRemark, uint64_t foundListing)
{
    const std::wstring dir = FileApiPath(folder + '\\');
    std::vector<TFolderEntry> entries;
    if (!ForEachFolderEntry(dir, [&](const TFolderEntry& entry) {
            entries.push_back(entry);
            return true;
        }))
        return Refused("フォルダを読み取れません");
    // In the file system's order, as the find listed it.
    if (foundListing != 0 && ListingDigest(entries) != foundListing) return Refused("フォルダが検索後に変更されています");
    std::vector<std::string> pages, others;
    std::map<std::string, std::wstring> wideOf;
    for (const TFolderEntry& entry : entries) {
        // A name the text cannot give back is renamed by no one.
        if (!entry.ExactName) return Refused("扱えないファイル名です: " + entry.Name);
        if (entry.IsFolder() && !rules.Ignored.Matches(entry.Name)) return Refused("サブディレクトリが存在します");
        if (entry.IsFolder() || rules.Ignored.Matches(entry.Name)) {
            others.push_back(entry.Name);
            continue;
        }
        if (!Allowed(rules, entry.Name)) return Refused("フォルダが検索後に変更されています");
        pages.push_back(entry.Name);
        wideOf[entry.Name] = entry.WideName;
    }
    // The same verdict as the find's, or the folder is not the one the row judged.
    SortUniqueTextLocaleOrder(pages);
    std::string result, remark;
    if (pages.empty() || CheckNumbering(pages, rules.NumberedAbout, nullptr, result, remark) || result != foundResult ||
        remark != foundRemark)
        return Refused("フォルダが検索後に変更されています");

    TRenumberPlan plan = PlanRenumbering(pages, others, rules.NumberedAbout);
    if (!plan.Problem.empty()) return Refused(plan.Problem);
    std::sort(plan.Renames.begin(), plan.Renames.end(),
              [](const TPageRename& a, const TPageRename& b) { return CompareTextAsciiFolded(a.From, b.From) < 0; });

    TRenumberOutcome outcome;
    for (const TPageRename& rename : plan.Renames) {
        // Never over a name: without the replace flag the file system refuses one that is taken.
        if (MoveFileExW((dir + wideOf[rename.From]).c_str(), (dir + WideText(rename.To)).c_str(), 0)) {
            outcome.Renames.push_back(rename);
            continue;
        }
        outcome.Problem = "名前を変更できません(使用中かもしれません): " + rename.From;
        // All or nothing: those done go back, the last first.
        while (!outcome.Renames.empty()) {
            const TPageRename& done = outcome.Renames.back();
            if (!MoveFileExW((dir + WideText(done.To)).c_str(), (dir + wideOf[done.From]).c_str(), 0)) {
                outcome.Problem += " 元に戻せませんでした: " + done.To;
                return outcome;
            }
            outcome.Renames.pop_back();
        }
        return outcome;
    }
    outcome.Renamed = true;
    return outcome;
}
