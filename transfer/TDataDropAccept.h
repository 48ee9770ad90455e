#pragma once
// A drop target for one window: accepts data in a list of clipboard formats
// and hands the first one offered to a callback.
#include "transfer/ComUtility.h"

#include <functional>
#include <utility>
#include <vector>

// Called on a drop with the target window, the format, the dropped data's
// global block (valid during the call only) and the drop effect being returned.
using TDropCallback = std::function<void(HWND window, CLIPFORMAT format, HGLOBAL data, DWORD* effect)>;
using TClipFormatArray = std::vector<CLIPFORMAT>;

class TDataDropAccept final : public TComObject<TDataDropAccept, IDropTarget, IID_IDropTarget> {
public:
    // A new target registered on `window` when possible, its creator's
    // reference held by the result; OLE must be initialised on this thread.
    // Empty when out of memory.
    static TComRef<TDataDropAccept> Create(HWND window, TDropCallback callback, DWORD effectMask) noexcept;

    // Accepts `format` too, after those already accepted; a repeat is ignored.
    void AddFormat(CLIPFORMAT format);
    // Revokes the registration, if made, so that the system lets go of its
    // references; the creator's reference goes with the holder of the result.
    void Close() noexcept;

    bool Registered() const { return IsRegistered; }
    const TClipFormatArray& Formats() const { return AcceptedFormats; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

private:
    using Base = TComObject<TDataDropAccept, IDropTarget, IID_IDropTarget>;
    friend Base;
    TDataDropAccept(HWND window, TDropCallback callback, DWORD effectMask);
    ~TDataDropAccept() = default;

    // Writes the effect for the source's offer, the key state and the mask.
    void ChooseEffect(DWORD keyState, DWORD* effect) const;

    bool IsRegistered = false;
    HWND Window;
    TDropCallback Callback;
    DWORD EffectMask;
    TClipFormatArray AcceptedFormats;
    // The data object of the drag in progress (DragEnter to DragLeave or Drop).
    TComRef<IDataObject> CurrentData;
};

// A window's drop target for as long as this object lives: created and
// registered by the constructor, revoked and released by the destructor (or
// Reset), so that no registration outlives its owner.
class TDropTargetRegistration {
public:
    TDropTargetRegistration() noexcept = default;
    TDropTargetRegistration(HWND window, TDropCallback callback, DWORD effectMask) noexcept
        : Target(TDataDropAccept::Create(window, std::move(callback), effectMask))
    {
    }
    ~TDropTargetRegistration() { Reset(); }
    TDropTargetRegistration(TDropTargetRegistration&& other) noexcept = default;
    TDropTargetRegistration& operator=(TDropTargetRegistration&& other) noexcept
    {
        if (this != &other) {
            Reset();
            Target = std::move(other.Target);
        }
        return *this;
    }

    void Reset() noexcept
    {
        if (Target) Target->Close();
        Target.Reset();
    }
    // The target, or null when it could not be made.
    TDataDropAccept* Get() const noexcept { return Target.Get(); }
    TDataDropAccept* operator->() const noexcept { return Target.Get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(Target); }

private:
    TComRef<TDataDropAccept> Target;
};
