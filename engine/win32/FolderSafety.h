#pragma once
// The rules that make a folder safe to archive and to remove, as one walk over
// its whole tree. The find applies them to every folder it could find fit (not
// to one a non-recursive find refuses for its sub-folder), and the
// compress job again to every folder right before its archiver runs, whatever
// the row's verdict said: checking a row by hand overrides the content rules
// (extensions, numbering, sub-folders), never these.
#include "engine/win32/FolderEntries.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Nesting past this many levels below a folder is refused: no book is kept so,
// and every step down costs the file system more, so a hostile tree would
// otherwise hold a walk for hours.
constexpr size_t MaxNestedLevels = 256;

// The volume and file index of a folder: the same for every path that leads to it.
struct TFolderIdentity {
    unsigned long Volume = 0, IndexHigh = 0, IndexLow = 0;
    bool operator==(const TFolderIdentity&) const = default;
};

// The identity of the entry the wide path names (any form the file API takes:
// "\\?\" reaches it by its exact name, a plain path the way the shell would).
std::optional<TFolderIdentity> IdentityOfPath(const std::wstring& path);

// Whether the entry the path names is a link, a junction or a mount point (not a
// cloud placeholder or another reparse point that holds its own data).
bool IsLinkAt(const std::wstring& path);

// One folder of a walked tree with what it held when it was listed.
struct TTreeFolder {
    std::string Dir;          // path with its separator, for status texts and remarks
    std::wstring WideDir;     // exact wide path in the "\\?\" form, with its separator
    size_t Depth = 0;         // 0 for the folder walked, 1 for its sub-folders, ...
    std::vector<TFolderEntry> Entries;
};

// The listings of a tree in pre-order (each folder before its sub-folders, which
// follow in the file system's order). Built only from the wide names the file
// system gave, so nothing in it can reach another entry.
using TFolderTree = std::vector<TTreeFolder>;

// Why a walk refused a folder: the result text (without a "!" mark) and its remark.
struct TSafetyFault {
    std::string Result;
    std::string Remark;
};

struct TSafetyWalk {
    // The folder walked: its path (exact, as the list shows it) and its exact
    // wide path in the "\\?\" form, both without a trailing separator.
    std::string Path;
    std::wstring WidePath;
    // Folders not to be entered again: the identities on the way to the folder
    // (the search root). A folder met again below is a loop.
    std::vector<TFolderIdentity> Ancestors;
    // Asked before every folder below the top is read; true ends the walk.
    std::function<bool()> StopRequested;
    // Told each sub-folder's path before it is read.
    std::function<void(const std::string&)> Entering;
    // The folder's own listing when the caller has read it already; null: read here.
    const std::vector<TFolderEntry>* TopEntries = nullptr;
    // Opens every file to see where it leads, for the links a listing does not
    // mark (Wine's links to files). It costs an open per file, so the compress
    // job does it, right before the archiver reads them all anyway.
    bool ResolveFiles = false;
};

// The result text of a walk that a stop request ended.
extern const char InterruptedResult[];

// Walks the whole tree and judges it. No fault: the tree's listings are in `tree`.
// A fault names the first entry that breaks a rule, in the order walked:
// - a name that Win32 would rewrite (trailing blank or dot, a device name), that
//   no text can give back exactly (a lone surrogate), or no plain file name:
//   "扱えないファイル名です", the name;
// - a link or junction (a name-surrogate reparse point), a file that leads elsewhere
//   than where it is listed (with ResolveFiles: a file link the listing does not
//   mark), or a folder
//   that leads back to one on the way down (a mount): "リンクを含むフォルダです",
//   its path inside the folder;
// - two names in one folder equal but for case: "大文字と小文字だけが違う名前があります",
//   the one found second;
// - a folder that cannot be listed: "読み取れないフォルダがあります", its path;
// - nesting past MaxNestedLevels: "フォルダの階層が深すぎます", the first path too deep;
// - a stop request: InterruptedResult, no remark.
std::optional<TSafetyFault> WalkFolderTree(const TSafetyWalk& walk, TFolderTree& tree);

// The walked tree as one value (every name, attribute, size and time, and the
// nesting), and the number of its files: taken before an archiver runs and again
// before the folder goes, so that a folder changed meanwhile is never removed.
struct TTreeDigest {
    uint64_t Value = 0;
    long long Files = 0;
    bool operator==(const TTreeDigest&) const = default;
};
TTreeDigest DigestOf(const TFolderTree& tree);
