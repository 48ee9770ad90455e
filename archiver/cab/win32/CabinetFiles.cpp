#include "archiver/cab/win32/CabinetFiles.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ExactPath.h"
#include "archiver/common/win32/TemporaryFile.h"
#include "archiver/common/win32/TextConvert.h"

#include <cstdio>

namespace {

[[noreturn]] void TemporaryFailure(DWORD error)
{
    throw TArchiverError(ArchiverWriteError, "一時ファイルを使えません (" + SystemErrorText(error) + ")");
}

} // namespace

void ThrowCabinetTooLarge()
{
    throw TArchiverError(ArchiverWriteError, "書庫が大きすぎます(CAB書庫は2GBまでです)");
}

TTemporaryStore::TTemporaryStore()
{
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) TemporaryFailure(GetLastError());
    // The folder's own name, should the system give a short one.
    const std::wstring given = ExactPath(std::wstring(folder, length));
    std::wstring name(given.size() + MAX_PATH, L'\0');
    const DWORD longLength = GetLongPathNameW(given.c_str(), name.data(), static_cast<DWORD>(name.size()));
    name = longLength > 0 && longLength < name.size() ? name.substr(0, longLength) : given;
    std::wstring path;
    File = CreateTemporaryFile(name, L"~cab", 0, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, path);
    if (File == INVALID_HANDLE_VALUE) TemporaryFailure(GetLastError());
}

TTemporaryStore::~TTemporaryStore()
{
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
}

bool ReadFileAt(HANDLE file, uint64_t fileSize, uint64_t position, void* data, size_t size, size_t& read)
{
    read = 0;
    if (position >= fileSize) return true;
    if (size > fileSize - position) size = static_cast<size_t>(fileSize - position);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD done = 0;
    const BOOL ok = ReadFile(file, data, static_cast<DWORD>(size), &done, &at);
    read = done;
    return ok || GetLastError() == ERROR_HANDLE_EOF;
}

size_t TTemporaryStore::ReadAt(uint64_t position, void* data, size_t size)
{
    size_t read = 0;
    if (!ReadFileAt(File, FileSize, position, data, size, read)) TemporaryFailure(GetLastError());
    return read;
}

void TTemporaryStore::WriteAt(uint64_t position, const void* data, size_t size)
{
    if (position + size > MaxCabinetBytes) ThrowCabinetTooLarge();
    // A full disk may take part of a write and report success: the rest is
    // written again, which then fails with the real reason.
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t done = 0; done < size;) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position + done);
        at.OffsetHigh = static_cast<DWORD>((position + done) >> 32);
        DWORD written = 0;
        if (!WriteFile(File, p + done, static_cast<DWORD>(size - done), &written, &at)) TemporaryFailure(GetLastError());
        if (written == 0) TemporaryFailure(ERROR_DISK_FULL);
        done += written;
    }
    if (position + size > FileSize) FileSize = position + size;
}

TCabinetFiles::TCabinetFiles() = default;

TCabinetFiles::~TCabinetFiles()
{
    for (THandle* handle : Handles) delete handle;
}

void TCabinetFiles::Add(const std::string& name, std::shared_ptr<TCabinetStore> store)
{
    Stores[name] = std::move(store);
}

void TCabinetFiles::Remove(const std::string& name)
{
    Stores.erase(name);
}

std::string TCabinetFiles::NewTemporaryName()
{
    return "*temporary" + std::to_string(++TemporaryCount);
}

INT_PTR TCabinetFiles::Open(const char* name)
{
    const std::string key = name ? name : "";
    auto found = Stores.find(key);
    if (found == Stores.end()) {
        // The library opens its temporary files by the names it was given.
        if (key.rfind("*temporary", 0) != 0) throw TArchiverError(ArchiverInternalError, "不明なファイルを開こうとしました: " + key);
        found = Stores.emplace(key, std::make_shared<TTemporaryStore>()).first;
    }
    return OpenStore(found->second);
}

INT_PTR TCabinetFiles::OpenStore(std::shared_ptr<TCabinetStore> store)
{
    auto handle = std::make_unique<THandle>();
    handle->Store = std::move(store);
    Handles.insert(handle.get());
    return reinterpret_cast<INT_PTR>(handle.release());
}

// As with the C runtime, a handle that is not open gives an error code, not a
// failure: Wine's library touches the data file of a cabinet that has no data.
TCabinetFiles::THandle* TCabinetFiles::HandleOf(INT_PTR handle) const
{
    auto* pointer = reinterpret_cast<THandle*>(handle);
    return Handles.count(pointer) ? pointer : nullptr;
}

std::shared_ptr<TCabinetStore> TCabinetFiles::StoreOf(INT_PTR handle) const
{
    THandle* h = HandleOf(handle);
    if (!h) throw TArchiverError(ArchiverInternalError, "不正なファイルハンドルです");
    return h->Store;
}

UINT TCabinetFiles::Read(INT_PTR handle, void* data, UINT size)
{
    THandle* h = HandleOf(handle);
    if (!h) return static_cast<UINT>(-1);
    const size_t read = h->Store->ReadAt(h->Position, data, size);
    h->Position += read;
    return static_cast<UINT>(read);
}

UINT TCabinetFiles::Write(INT_PTR handle, const void* data, UINT size)
{
    THandle* h = HandleOf(handle);
    if (!h) return static_cast<UINT>(-1);
    h->Store->WriteAt(h->Position, data, size);
    h->Position += size;
    return size;
}

long TCabinetFiles::Seek(INT_PTR handle, long distance, int origin)
{
    THandle* h = HandleOf(handle);
    if (!h) return -1;
    int64_t base = 0;
    if (origin == SEEK_CUR) base = static_cast<int64_t>(h->Position);
    else if (origin == SEEK_END) base = static_cast<int64_t>(h->Store->Size());
    const int64_t position = base + distance;
    if (position < 0 || position > 0x7FFFFFFF) return -1;
    h->Position = static_cast<uint64_t>(position);
    return static_cast<long>(position);
}

int TCabinetFiles::Close(INT_PTR handle)
{
    THandle* pointer = HandleOf(handle);
    if (!pointer) return -1;
    Handles.erase(pointer);
    delete pointer;
    return 0;
}

int TCabinetFiles::Delete(const char* name)
{
    Stores.erase(name ? name : "");
    return 0;
}

void TCabinetFiles::Keep(std::exception_ptr error)
{
    if (!Error) Error = std::move(error);
}

void TCabinetFiles::RethrowIfFailed() const
{
    if (Error) std::rethrow_exception(Error);
}
