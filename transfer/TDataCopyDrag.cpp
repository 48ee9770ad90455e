#include "transfer/TDataCopyDrag.h"

#include "base/WideText.h"

#include "base/PathUtility.h"
#include "toolkit/ScopedHandle.h"
#include "transfer/TDataObject.h"
#include "transfer/TDropSource.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr UINT SharedBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
// How many names after the tick count are tried for a fresh temporary directory.
constexpr int TemporaryDirectoryAttempts = 1000;

} // namespace


TDataCopyDrag& TDataCopyDrag::Instance()
{
    static TDataCopyDrag instance;
    return instance;
}

TDataCopyDrag::TDataCopyDrag() = default;

TDataCopyDrag::~TDataCopyDrag()
{
    Pending.clear();
    // The clipboard keeps a rendered copy of what this process put there; OLE
    // goes after this body, with its owner.
    if (Ole.Initialized()) OleFlushClipboard();
    DeleteTemporaryDirectory();
    StoredFileName.reset();
}

bool TDataCopyDrag::AddData(CLIPFORMAT format, const void* bytes, size_t size)
{
    if (!bytes && size) return false;
    ScopedGlobal block(GlobalAlloc(SharedBlockFlags, size));
    if (!block) return false;
    {
        TGlobalLock lock(block.get());
        if (!lock) return false;
        if (size) std::memcpy(lock.Get(), bytes, size);
    }
    try {
        Pending.push_back(TFormatData{format, std::move(block)});
    } catch (...) {
        return false; // the block is freed with its holder
    }
    return true;
}

bool TDataCopyDrag::AddText(const std::string& text)
{
    // Unicode for every reader that takes it; the ANSI form for the others shows
    // "?" for a character the code page lacks, never a look-alike.
    const std::wstring wide = WideText(text);
    const std::string ansi = CodePageText(text, CP_ACP);
    return AddData(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)) &&
           AddData(CF_TEXT, ansi.c_str(), ansi.size() + 1);
}

std::string FileFormOfText(const std::string& text)
{
    std::string ansi;
    if (ExactCodePageText(text, CP_ACP, ansi)) return ansi;
    return "\xEF\xBB\xBF" + text;
}

bool TDataCopyDrag::AddFiles(std::string_view paths)
{
    // Each path followed by a NUL, and one more NUL closes the list; wide names,
    // so that every name reaches the target exactly.
    std::wstring list;
    try {
        size_t start = 0;
        while (start < paths.size()) {
            size_t end = start;
            while (end < paths.size() && static_cast<unsigned char>(paths[end]) >= 0x20) ++end;
            if (end > start) {
                list.append(WideText(paths.substr(start, end - start)));
                list += L'\0';
            }
            start = end;
            while (start < paths.size() && static_cast<unsigned char>(paths[start]) < 0x20) ++start;
        }
        if (list.empty()) list += L'\0'; // an empty list still ends in two NULs
        list += L'\0';
    } catch (...) {
        return false;
    }
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.pt = {0, 0};
    header.fNC = TRUE;
    header.fWide = TRUE;
    const size_t listBytes = list.size() * sizeof(wchar_t);
    ScopedGlobal block(GlobalAlloc(SharedBlockFlags, sizeof header + listBytes));
    if (!block) return false;
    {
        TGlobalLock lock(block.get());
        if (!lock) return false;
        auto* bytes = static_cast<char*>(lock.Get());
        std::memcpy(bytes, &header, sizeof header);
        std::memcpy(bytes + sizeof header, list.data(), listBytes);
    }
    try {
        Pending.push_back(TFormatData{CF_HDROP, std::move(block)});
    } catch (...) {
        return false;
    }
    return true;
}

void TDataCopyDrag::SetFileName(const char* name)
{
    StoredFileName.reset();
    if (name) StoredFileName = name;
}

int TDataCopyDrag::CopyToClipboard(const char* fileName)
{
    return Transfer(fileName, false);
}

int TDataCopyDrag::DoDrag(const char* fileName)
{
    return Transfer(fileName, true);
}

int TDataCopyDrag::Transfer(const char* fileName, bool drag)
{
    int result = 0;
    try {
        // A name that would leave the temporary directory is no name at all.
        const char* name = fileName ? fileName : FileName();
        if (name && IsPlainFileName(name)) {
            const auto text = std::find_if(Pending.begin(), Pending.end(),
                                           [](const TFormatData& data) { return data.Format == CF_UNICODETEXT; });
            if (text != Pending.end()) {
                std::string utf8;
                {
                    TGlobalLock lock(text->Block.get());
                    if (lock) {
                        const auto* data = static_cast<const wchar_t*>(lock.Get());
                        utf8 = Utf8Text(std::wstring_view(data, wcsnlen(data, lock.Size() / sizeof(wchar_t))));
                    }
                }
                WriteTemporaryFile(FileFormOfText(utf8), name);
            }
        }

        const TComRef<TDataObject> object = TDataObject::Create();
        if (object && object->SetCapacity(Pending.size())) {
            for (TFormatData& data : Pending) {
                FORMATETC format{data.Format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
                STGMEDIUM medium{};
                medium.tymed = TYMED_HGLOBAL;
                medium.hGlobal = data.Block.get();
                // Stored with release: from here on the data object frees the block.
                if (object->SetData(&format, &medium, TRUE) == S_OK) data.Block.release();
            }
            if (drag) {
                const TComRef<TDropSource> source = TDropSource::Create();
                DWORD effect = DROPEFFECT_NONE;
                if (source && DoDragDrop(object.Get(), source.Get(), DROPEFFECT_COPY, &effect) == DRAGDROP_S_DROP)
                    result = static_cast<int>(effect);
            } else {
                result = OleSetClipboard(object.Get()) == S_OK ? 1 : 0;
            }
        }
    } catch (...) {
        result = 0;
    }
    Pending.clear(); // blocks not taken by the data object are freed here
    return result;
}

bool TDataCopyDrag::WriteTemporaryFile(std::string_view text, const char* name)
{
    DeleteTemporaryDirectory();
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH, base);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::string prefix = IncludeTrailingPathDelimiter(Utf8Text(std::wstring_view(base, length)));

    DWORD number = GetTickCount();
    for (int attempt = 0; attempt < TemporaryDirectoryAttempts && TempDirectory.empty(); ++attempt, ++number) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%lx", static_cast<unsigned long>(number));
        const std::string candidate = prefix + suffix;
        const std::wstring wideCandidate = WideText(candidate);
        if (wideCandidate.size() >= MAX_PATH) return false;
        if (GetFileAttributesW(wideCandidate.c_str()) == INVALID_FILE_ATTRIBUTES &&
            CreateDirectoryW(wideCandidate.c_str(), nullptr))
            TempDirectory = candidate;
    }
    if (TempDirectory.empty()) return false;

    const std::string path = TempDirectory + "\\" + name;
    bool written = false;
    {
        ScopedHandle file(CreateFileW(WideText(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        if (file.get() != INVALID_HANDLE_VALUE && file) {
            written = true;
            while (written && !text.empty()) {
                const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size(), 1u << 20));
                DWORD done = 0;
                written = WriteFile(file.get(), text.data(), chunk, &done, nullptr) && done > 0;
                text.remove_prefix(std::min<size_t>(done, text.size()));
            }
            written = CloseHandle(file.release()) && written;
        }
    }
    if (written && AddFiles(path)) return true;
    DeleteTemporaryDirectory();
    return false;
}

void TDataCopyDrag::DeleteTemporaryDirectory()
{
    if (TempDirectory.empty()) return;
    std::wstring from = WideText(TempDirectory);
    from.append(2, L'\0'); // the list of sources ends in two NULs
    SHFILEOPSTRUCT operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationW(&operation);
    TempDirectory.clear();
}
