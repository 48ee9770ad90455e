#pragma once
// The files the system's cabinet library reads and writes, all through our
// callbacks: the cabinet itself (the archive being written, or the one read
// back), its temporary files, the source files and the extracted outputs.
// Each is a store known by a name of our own; a handle is a store and a
// position. Nothing of the library's C code is ever crossed by an exception:
// a failure inside a callback is kept and rethrown once the library returns.
#include <windows.h>

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <string>

// The library addresses the cabinet and its temporary files with signed
// 32-bit offsets: a cabinet cannot be larger, and none is written past it.
constexpr uint64_t MaxCabinetBytes = 0x7FFFFFFF;
[[noreturn]] void ThrowCabinetTooLarge();

// ReadFile at an offset, up to the end of a file of the given size; false on
// failure (GetLastError says why).
bool ReadFileAt(HANDLE file, uint64_t fileSize, uint64_t position, void* data, size_t size, size_t& read);

class TCabinetStore {
public:
    virtual ~TCabinetStore() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to size bytes at position; fewer only at the end.
    virtual size_t ReadAt(uint64_t position, void* data, size_t size) = 0;
    virtual void WriteAt(uint64_t position, const void* data, size_t size) = 0;
};

// A temporary file of the cabinet library: deleted by the system when closed,
// so that not even a crash leaves it behind.
class TTemporaryStore final : public TCabinetStore {
public:
    TTemporaryStore();
    ~TTemporaryStore() override;
    TTemporaryStore(const TTemporaryStore&) = delete;
    TTemporaryStore& operator=(const TTemporaryStore&) = delete;
    uint64_t Size() const override { return FileSize; }
    size_t ReadAt(uint64_t position, void* data, size_t size) override;
    void WriteAt(uint64_t position, const void* data, size_t size) override;

private:
    HANDLE File = INVALID_HANDLE_VALUE;
    uint64_t FileSize = 0;
};

class TCabinetFiles {
public:
    TCabinetFiles();
    ~TCabinetFiles();
    TCabinetFiles(const TCabinetFiles&) = delete;
    TCabinetFiles& operator=(const TCabinetFiles&) = delete;

    void Add(const std::string& name, std::shared_ptr<TCabinetStore> store);
    void Remove(const std::string& name);
    // A name for a new temporary file, made when it is first opened.
    std::string NewTemporaryName();

    // The callbacks' operations, in the C runtime's terms (-1 on failure).
    INT_PTR Open(const char* name);
    INT_PTR OpenStore(std::shared_ptr<TCabinetStore> store);
    UINT Read(INT_PTR handle, void* data, UINT size);
    UINT Write(INT_PTR handle, const void* data, UINT size);
    long Seek(INT_PTR handle, long distance, int origin);
    int Close(INT_PTR handle);
    int Delete(const char* name);
    std::shared_ptr<TCabinetStore> StoreOf(INT_PTR handle) const;

    // Keeps the first failure of a callback; the library gets an error code.
    void Keep(std::exception_ptr error);
    bool Failed() const { return static_cast<bool>(Error); }
    void RethrowIfFailed() const;

private:
    struct THandle {
        std::shared_ptr<TCabinetStore> Store;
        uint64_t Position = 0;
    };
    THandle* HandleOf(INT_PTR handle) const;

    std::map<std::string, std::shared_ptr<TCabinetStore>> Stores;
    std::set<THandle*> Handles;
    unsigned TemporaryCount = 0;
    std::exception_ptr Error;
};

// Runs a callback's body; an exception is kept in files and fallback returned.
template <class TResult, class TBody>
TResult GuardCallback(TCabinetFiles& files, int* error, TResult fallback, TBody body)
{
    try {
        return body();
    } catch (...) {
        files.Keep(std::current_exception());
        if (error) *error = 1;
        return fallback;
    }
}
