#pragma once
// One row of the folder list: a folder below the searched root, its
// verdict and, after a compress job, its outcome. Platform-free so that the list
// utilities (sorting, export) can use it natively too.
#include <cstdint>
#include <memory>
#include <string>

class TPageStamps;
struct TPageSizes;

enum class FolderCompressState : int {
    Untried = 0,        // never compressed, or failed in an earlier run: the next run tries it
    Compressed = 1,     // archived; no compress job picks it again
    FailedThisRun = 2,  // failed in the running job; set back to Untried when the job ends
};

struct FolderRow {
    std::string Name;        // column "フォルダ名"
    std::wstring WideName;   // the folder's exact name on disk, when the find listed it (else empty)
    std::string Result;      // column "結果"; "+" fit, "!" failed, "*" compressed, no mark otherwise
    std::string Remark;      // column "備考"
    std::string ParentPath;  // the folder it lies in, with a trailing separator; full path = ParentPath + Name
    // Its path below the searched root up to its own name, with a trailing
    // separator ("作者\シリーズ\"); empty for a folder directly below the root.
    std::string Location;
    // The folder's own listing as the find read it (names, sizes, times), to tell
    // a folder changed since; 0 when unknown.
    uint64_t ListingDigest = 0;
    bool Checked = false;
    FolderCompressState CompressState = FolderCompressState::Untried;
    // The pages the find read and found whole, for F8 to skip while unchanged; null
    // when it read none (page check off, or a verdict other than "+圧縮できます").
    std::shared_ptr<const TPageStamps> PageStamps;
    // Their sizes from the headers, alike.
    std::shared_ptr<const TPageSizes> PageSizes;
};

// The row's text in the list: the folder by its path below the root.
inline std::string RowCaption(const FolderRow& row) { return row.Location + row.Name; }
