#pragma once
// A drop target for one window: accepts data in a list of clipboard formats
// and hands the first one offered to a callback.
#include "transfer/ComUtility.h"

#include <functional>
#include <vector>

// Called on a drop with the target window, the format, the dropped data's
// global block (valid during the call only) and the drop effect being returned.
using TDropCallback = std::function<void(HWND window, CLIPFORMAT format, HGLOBAL data, DWORD* effect)>;
using TClipFormatArray = std::vector<CLIPFORMAT>;

class TDataDropAccept final : public TComObject<TDataDropAccept, IDropTarget, IID_IDropTarget> {
public:
    // A new target (count 1, the caller's) registered on `window` when
    // possible; OLE must be initialised on this thread. Null when out of memory.
    static TDataDropAccept* Create(HWND window, TDropCallback callback, DWORD effectMask) noexcept;

    // Accepts `format` too, after those already accepted; a repeat is ignored.
    void AddFormat(CLIPFORMAT format);
    // Revokes the registration, if made, and drops the caller's reference:
    // the caller must not use the object afterwards.
    void Close();

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
