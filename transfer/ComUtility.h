#pragma once
// RAII for COM references and global memory blocks, and the IUnknown part that
// every OLE object of the transfer shares.
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <type_traits>
#include <utility>

// A movable global memory block, freed with GlobalFree unless released.
struct GlobalFreer {
    void operator()(HGLOBAL block) const noexcept
    {
        if (block) GlobalFree(block);
    }
};
using ScopedGlobal = std::unique_ptr<std::remove_pointer_t<HGLOBAL>, GlobalFreer>;

// Locks a global block for the lifetime of the object.
class TGlobalLock {
public:
    explicit TGlobalLock(HGLOBAL block) noexcept : Block(block), Data(block ? GlobalLock(block) : nullptr) {}
    ~TGlobalLock()
    {
        if (Data) GlobalUnlock(Block);
    }
    TGlobalLock(const TGlobalLock&) = delete;
    TGlobalLock& operator=(const TGlobalLock&) = delete;

    void* Get() const noexcept { return Data; }
    explicit operator bool() const noexcept { return Data != nullptr; }
    // The block's size in bytes (0 when it is not locked).
    SIZE_T Size() const noexcept { return Data ? GlobalSize(Block) : 0; }

private:
    HGLOBAL Block;
    void* Data;
};

// One COM reference, released when the holder goes.
template <typename T>
class TComRef {
public:
    TComRef() noexcept = default;
    // Takes over a reference the caller already owns (a fresh object's count of 1).
    explicit TComRef(T* owned) noexcept : Object(owned) {}
    ~TComRef() { Reset(); }
    TComRef(TComRef&& other) noexcept : Object(std::exchange(other.Object, nullptr)) {}
    TComRef& operator=(TComRef&& other) noexcept
    {
        if (this != &other) {
            Reset();
            Object = std::exchange(other.Object, nullptr);
        }
        return *this;
    }
    TComRef(const TComRef&) = delete;
    TComRef& operator=(const TComRef&) = delete;

    void Reset() noexcept
    {
        if (Object) std::exchange(Object, nullptr)->Release();
    }
    // Hands the reference to the caller.
    T* Detach() noexcept { return std::exchange(Object, nullptr); }
    T* Get() const noexcept { return Object; }
    T* operator->() const noexcept { return Object; }
    explicit operator bool() const noexcept { return Object != nullptr; }

private:
    T* Object = nullptr;
};

// A reference that a caller bound to null (through a pointer) without the
// compiler assuming it cannot be: COM hands IIDs as plain pointers.
inline bool IsNullReference(const IID& iid) noexcept
{
    const IID* volatile address = &iid;
    return address == nullptr;
}

// IUnknown for an object that offers one interface: QueryInterface grants it
// for that interface's IID and IID_IUnknown only; the count starts at 1 and
// changes with interlocked operations; the last Release deletes the object.
template <typename Derived, typename Interface, const IID& InterfaceId>
class TComObject : public Interface {
public:
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (IsNullReference(riid)) return E_INVALIDARG;
        if (IsEqualIID(riid, InterfaceId) || IsEqualIID(riid, IID_IUnknown)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&RefCount)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = InterlockedDecrement(&RefCount);
        if (count == 0) delete static_cast<Derived*>(this);
        return static_cast<ULONG>(count);
    }

protected:
    TComObject() noexcept = default;
    ~TComObject() = default;

private:
    LONG RefCount = 1;
};
