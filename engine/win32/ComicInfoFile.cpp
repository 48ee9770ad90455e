#include "engine/win32/ComicInfoFile.h"

#include "base/WideText.h"
#include "engine/XmlWellFormed.h"
#include "pages/ImageCheck.h"
#include "engine/win32/LongPath.h"
#include "toolkit/ScopedHandle.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>

std::vector<TArchivedPage> PagesInArchiveOrder(const TFolderTree& tree)
{
    std::vector<TArchivedPage> pages;
    if (tree.empty()) return pages;
    std::map<std::wstring, const TTreeFolder*> folders;
    for (const TTreeFolder& folder : tree) folders[folder.WideDir] = &folder;
    // The archivers list each folder sorted by name without regard to case, and
    // enter a sub-folder where its name comes: depth first, without recursion.
    struct TStep {
        const TTreeFolder* Folder;
        std::wstring Inside;  // below the top, with its separator
        std::vector<const TFolderEntry*> Entries;
        size_t Next = 0;
    };
    const auto sorted = [](const TTreeFolder& folder) {
        std::vector<const TFolderEntry*> entries;
        for (const TFolderEntry& entry : folder.Entries) entries.push_back(&entry);
        std::sort(entries.begin(), entries.end(), [](const TFolderEntry* a, const TFolderEntry* b) {
            return _wcsicmp(a->WideName.c_str(), b->WideName.c_str()) < 0;
        });
        return entries;
    };
    std::vector<TStep> steps;
    steps.push_back({&tree.front(), L"", sorted(tree.front())});
    while (!steps.empty()) {
        TStep& step = steps.back();
        if (step.Next == step.Entries.size()) {
            steps.pop_back();
            continue;
        }
        const TFolderEntry& entry = *step.Entries[step.Next++];
        if (entry.IsFolder()) {
            const auto inner = folders.find(step.Folder->WideDir + entry.WideName + L'\\');
            if (inner == folders.end()) continue;
            std::wstring inside = step.Inside + entry.WideName + L'\\';
            steps.push_back({inner->second, std::move(inside), sorted(*inner->second)});
            continue;
        }
        if (!IsComicImageName(entry.Name)) continue;
        pages.push_back({step.Folder->WideDir + entry.WideName, Utf8Text(step.Inside) + entry.Name, entry.Size});
    }
    return pages;
}

bool HasOwnComicInfo(const TFolderTree& tree)
{
    if (tree.empty()) return false;
    return std::any_of(tree.front().Entries.begin(), tree.front().Entries.end(),
                       [](const TFolderEntry& entry) { return entry.IsFile() && IsComicInfoName(entry.Name); });
}

namespace {

// Reads where the size reader asks, no more.
class TFileHeaderSource final : public TByteSource {
public:
    TFileHeaderSource(HANDLE file, uint64_t size) : File(file), Length(size) {}
    uint64_t Size() const override { return Length; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        return size <= 0x1000000 && ReadFile(File, buffer, static_cast<DWORD>(size), &read, &at) && read == size;
    }

private:
    HANDLE File;
    uint64_t Length;
};

} // namespace

TPageSize ReadPageSizeOfFile(const std::wstring& path)
{
    ScopedHandle file(CreateFileW(FileApiPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || file.get() == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return {};
    TFileHeaderSource source(file.get(), static_cast<uint64_t>(size.QuadPart));
    try {
        return ReadPageSize(source);
    } catch (...) {
        return {};  // no room for its buffer: the size stays unknown
    }
}

bool IsWellFormedXmlFile(const std::wstring& path)
{
    ScopedHandle file(CreateFileW(FileApiPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || file.get() == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > MaxOwnComicInfoBytes)
        return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return false;
    return IsWellFormedXml(bytes);
}

TComicInfoFile::~TComicInfoFile() { Remove(); }

void TComicInfoFile::Remove()
{
    if (!File.empty()) DeleteFileW(File.c_str());
    if (!Folder.empty()) RemoveDirectoryW(Folder.c_str());
    File.clear();
    Folder.clear();
    Utf8Path.clear();
}

void TComicInfoFile::Discard()
{
    if (!File.empty()) DeleteFileW(File.c_str());
    File.clear();
    Utf8Path.clear();
}

std::optional<TSafetyFault> TComicInfoFile::Write(const TComicInfo& info)
{
    Discard();
    std::string refused;
    const auto xml = ComicInfoXml(info, &refused);
    if (!xml) return TSafetyFault{"ComicInfo.xmlに書けない文字があります", refused};
    const TSafetyFault unwritable{"ComicInfo.xmlを書き込めません", std::string(ComicInfoFileName)};

    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = Folder.empty() ? GetTempPathW(MAX_PATH + 1, temp) : 1;
    if (length == 0 || length > MAX_PATH) return unwritable;
    // A folder of its own, so that the file keeps the very name the archive
    // stores; made once for all the folders of a job.
    static std::atomic<unsigned> serial{0};
    std::wstring folder = Folder;
    for (int attempt = 0; attempt < 100 && folder.empty(); ++attempt) {
        const std::wstring candidate = FileApiPath(std::wstring(temp) + L"Fennoro-" +
                                                   std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                   std::to_wstring(++serial) + L"\\");
        if (CreateDirectoryW(candidate.c_str(), nullptr)) folder = candidate;
        else if (GetLastError() != ERROR_ALREADY_EXISTS) return unwritable;
    }
    if (folder.empty()) return unwritable;
    Folder = folder;
    const std::wstring file = folder + WideText(ComicInfoFileName);
    {
        ScopedHandle handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle || handle.get() == INVALID_HANDLE_VALUE) {
            Remove();
            return unwritable;
        }
        File = file;
        DWORD written = 0;
        if (!WriteFile(handle.get(), xml->data(), static_cast<DWORD>(xml->size()), &written, nullptr) ||
            written != xml->size()) {
            handle.reset();
            Remove();
            return unwritable;
        }
    }
    // The plain form: every archiver reads it, as the folder's own path.
    std::wstring plain = file;
    if (plain.rfind(L"\\\\?\\UNC\\", 0) == 0) plain = L"\\\\" + plain.substr(8);
    else if (plain.rfind(L"\\\\?\\", 0) == 0) plain = plain.substr(4);
    Utf8Path = Utf8Text(plain);
    return std::nullopt;
}

std::string WithComicInfoFile(const std::string& commandLine, const std::string& path)
{
    return commandLine + " \"" + path + "\"";
}
