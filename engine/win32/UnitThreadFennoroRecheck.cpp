// The page check again at F8: the find stamps the pages of a folder as it begins
// to read them, and the compress job reads again, right before the archiver
// call, every page those stamps do not prove whole and unchanged. A row checked
// by hand gets no pass: without stamps all its pages are read.
#include "pages/ImageCheckRemark.h"
#include "engine/win32/PageRecheck.h"
#include "engine/win32/UnitThreadFennoro.h"

#include <unordered_set>

namespace {

constexpr char DamagedPage[] = "!破損した画像があります";

} // namespace

void TThreadFennoro::StampPages(TPendingFolder& folder)
{
    // The folders below the root are on its volume: the walk enters no mount point.
    if (PagesTree.empty() || RootIdentity.empty() || StopRequested()) return;
    // Only the pages handed to the checker, by their path inside the folder.
    const size_t top = PagesTree.front().Dir.size();
    std::unordered_set<std::string> checked;
    for (const TFolderPages& pages : Pages) {
        for (const std::string& name : pages.Names) {
            if (ImageKindOf(name) != TImageKind::None) checked.insert(pages.Dir.substr(top) + name);
        }
    }
    folder.Stamps = StampListedPages(PagesTree, [&](const std::string& path) { return checked.count(path) > 0; },
                                     DeepImages ? TCheckDepth::Deep : TCheckDepth::Quick, RootIdentity.front().Volume);
}

std::optional<TSafetyFault> TThreadFennoro::RecheckPages(const TFolderTree& tree,
                                                         const std::optional<TFolderIdentity>& folder)
{
    const TCheckDepth depth = DeepImages ? TCheckDepth::Deep : TCheckDepth::Quick;
    std::optional<uint32_t> volume;
    if (folder) volume = folder->Volume;
    TPagesToCheck pages = PagesToRecheck(tree, CurrentStamps.get(), volume, depth);
    FreshSizes.clear();
    if (pages.Files.empty()) return std::nullopt;
    std::vector<std::wstring> paths;
    for (const TPageChecker::TFile& file : pages.Files) paths.push_back(file.Path);
    TPageChecker checker(depth);
    const ptrdiff_t damaged = checker.FirstDamaged(std::move(pages.Files), [this] { return StopRequested(); });
    if (damaged == TPageChecker::AllWhole) {
        for (size_t i = 0; i < paths.size(); ++i) FreshSizes[paths[i]] = checker.SizeAt(i);
        return std::nullopt;
    }
    if (damaged == TPageChecker::Stopped) return TSafetyFault{std::string("!") + InterruptedResult, {}};
    return TSafetyFault{DamagedPage, DamagedPageRemark(pages.Names[static_cast<size_t>(damaged)], checker.Verdict())};
}
