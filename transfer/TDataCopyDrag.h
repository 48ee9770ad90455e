#pragma once
// The process-wide transfer collector: renderings of one content are collected,
// then put on the clipboard or into a drag as one OLE data object. With a file
// name, the plain text also goes into a file of that name in a fresh temporary
// directory, offered as a dropped file (CF_HDROP).
#include "transfer/ComUtility.h"
#include "transfer/TOleInitialization.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One pending rendering: its clipboard format and its global block.
struct TFormatData {
    CLIPFORMAT Format = 0;
    ScopedGlobal Block;
};

// A UTF-8 text as a file holds it: in the ANSI code page where every character
// fits, else in UTF-8 behind a byte-order mark, which Notepad and Excel read.
std::string FileFormOfText(const std::string& text);

class TDataCopyDrag {
public:
    // The program's one collector, made on first use on the user-interface
    // thread (its OLE initialisation is the program's) and torn down at process
    // exit: the clipboard is flushed, the temporary directory deleted, OLE
    // uninitialised.
    static TDataCopyDrag& Instance();

    // A collector of its own; the program uses Instance.
    TDataCopyDrag();
    ~TDataCopyDrag();
    TDataCopyDrag(const TDataCopyDrag&) = delete;
    TDataCopyDrag& operator=(const TDataCopyDrag&) = delete;

    // Copies `size` bytes into a new movable, zero-filled, shareable block and
    // appends it under `format`. False, with nothing added, when that fails.
    bool AddData(CLIPFORMAT format, const void* bytes, size_t size);
    // The UTF-8 text as CF_UNICODETEXT and, in the ANSI code page ("?" where it
    // lacks a character), as CF_TEXT, each with its terminating NUL. The file a
    // transfer writes holds it in the ANSI code page where every character fits,
    // else in UTF-8 with a byte-order mark (Notepad reads both right).
    bool AddText(const std::string& text);
    // Appends a CF_HDROP list (wide names) of the UTF-8 paths in `paths`: runs
    // of control characters (0x01 to 0x1F) separate them.
    bool AddFiles(std::string_view paths);

    // Drops every pending rendering, so that a content added in part never mixes
    // with the next one.
    void ClearPending() { Pending.clear(); }

    // Stores the name of the file that transfers offer; null clears it.
    void SetFileName(const char* name);
    const char* FileName() const { return StoredFileName ? StoredFileName->c_str() : nullptr; }

    // Puts the pending renderings on the clipboard: 1 when the clipboard took
    // them, else 0. A null file name means the stored one.
    int CopyToClipboard(const char* fileName = nullptr);
    // Drags the pending renderings, copy effect only: the effect the target
    // chose when the drag ended in a drop, else 0.
    int DoDrag(const char* fileName = nullptr);
    // Either of the two; the pending renderings are empty afterwards.
    int Transfer(const char* fileName, bool drag);

    // The renderings collected for the next transfer, in the order added.
    const std::vector<TFormatData>& PendingRenderings() const { return Pending; }
    size_t PendingCount() const { return Pending.size(); }
    // The temporary directory of the last transfer that wrote a file ("" when none).
    const std::string& TemporaryDirectory() const { return TempDirectory; }

private:
    bool WriteTemporaryFile(std::string_view text, const char* name);
    void DeleteTemporaryDirectory();

    // First made, last gone: OLE outlives everything below that may use it.
    TOleInitialization Ole;
    std::vector<TFormatData> Pending;
    std::string TempDirectory;
    std::optional<std::string> StoredFileName;
};

