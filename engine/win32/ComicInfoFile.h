#pragma once
// The ComicInfo.xml F8 hands to the archiver with a folder: made from the
// walked tree, written into a temporary folder of its own, named on the
// archiver's command line as one more file, deleted after the call, and the
// folder removed with this object (one for a job).
#include "engine/ComicBook.h"
#include "engine/win32/FolderSafety.h"
#include "pages/PageSize.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TPageStamps;

// A file of the tree that is an image, in the order the archive will hold it.
struct TArchivedPage {
    std::wstring Path;  // exact wide path, "\\?\" form
    std::string Name;   // inside the folder, as listed: "01.jpg", "sub\\01.jpg"
    uint64_t Bytes = 0;
};

// The images of a walked tree in the archive's order: each folder's entries by
// name without regard to case, a sub-folder's contents right after its name.
std::vector<TArchivedPage> PagesInArchiveOrder(const TFolderTree& tree);

// Whether the folder holds its own ComicInfo.xml (any case) at its top.
bool HasOwnComicInfo(const TFolderTree& tree);

// Whether the file (a folder's own ComicInfo.xml) is well-formed XML; one
// past MaxOwnComicInfoBytes, or unreadable, is not taken for metadata.
constexpr uint64_t MaxOwnComicInfoBytes = 16u << 20;
bool IsWellFormedXmlFile(const std::wstring& path);

// A page's size from its header alone, read from the file ({0,0} when not found
// or unreadable): the first bytes, and a JPEG's segments up to its frame header.
TPageSize ReadPageSizeOfFile(const std::wstring& path);

class TComicInfoFile {
public:
    TComicInfoFile() = default;
    ~TComicInfoFile();
    TComicInfoFile(const TComicInfoFile&) = delete;
    TComicInfoFile& operator=(const TComicInfoFile&) = delete;

    // Writes the book's document. A fault (its result text without the "!"
    // mark, and its remark) when a text cannot be written as XML or the file
    // cannot be made; nothing is left behind then.
    // Writing again replaces the file in the same temporary folder.
    std::optional<TSafetyFault> Write(const TComicInfo& info);
    // Deletes the file, keeping the folder for the next one.
    void Discard();

    // The file's full path in UTF-8 (empty until written), for the command line.
    const std::string& Path() const { return Utf8Path; }

private:
    void Remove();
    std::wstring Folder;  // with its separator, "\\?\" form
    std::wstring File;
    std::string Utf8Path;
};

// The command line with the file named as one more file to pack.
std::string WithComicInfoFile(const std::string& commandLine, const std::string& path);
