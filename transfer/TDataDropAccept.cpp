#include "transfer/TDataDropAccept.h"

#include <algorithm>
#include <new>

namespace {

FORMATETC HGlobalFormat(CLIPFORMAT format)
{
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

} // namespace

TDataDropAccept::TDataDropAccept(HWND window, TDropCallback callback, DWORD effectMask)
    : Window(window), Callback(std::move(callback)), EffectMask(effectMask)
{
}

TComRef<TDataDropAccept> TDataDropAccept::Create(HWND window, TDropCallback callback, DWORD effectMask) noexcept
{
    TComRef<TDataDropAccept> target;
    try {
        target = TComRef<TDataDropAccept>(new TDataDropAccept(window, std::move(callback), effectMask));
    } catch (...) {
        return {};
    }
    // A failed registration leaves the window without drops, and says nothing.
    if (RegisterDragDrop(window, target.Get()) == S_OK) target->IsRegistered = true;
    return target;
}

void TDataDropAccept::AddFormat(CLIPFORMAT format)
{
    if (std::find(AcceptedFormats.begin(), AcceptedFormats.end(), format) == AcceptedFormats.end())
        AcceptedFormats.push_back(format);
}

void TDataDropAccept::Close() noexcept
{
    if (IsRegistered) {
        RevokeDragDrop(Window);
        IsRegistered = false;
    }
}

void TDataDropAccept::ChooseEffect(DWORD keyState, DWORD* effect) const
{
    const DWORD allowed = *effect & EffectMask;
    if (allowed & DROPEFFECT_LINK)
        *effect = DROPEFFECT_LINK;
    else if ((keyState & MK_SHIFT) && (allowed & DROPEFFECT_MOVE))
        *effect = DROPEFFECT_MOVE;
    else if (allowed & DROPEFFECT_COPY)
        *effect = DROPEFFECT_COPY;
    else
        *effect = DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE TDataDropAccept::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect) return E_INVALIDARG;
    if (data) data->AddRef();
    CurrentData = TComRef<IDataObject>(data);
    return DragOver(keyState, point, effect);
}

HRESULT STDMETHODCALLTYPE TDataDropAccept::DragOver(DWORD keyState, POINTL, DWORD* effect)
{
    if (!effect) return E_INVALIDARG;
    if (CurrentData) {
        for (CLIPFORMAT format : AcceptedFormats) {
            FORMATETC request = HGlobalFormat(format);
            if (SUCCEEDED(CurrentData->QueryGetData(&request))) {
                ChooseEffect(keyState, effect);
                return S_OK;
            }
        }
    }
    *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TDataDropAccept::DragLeave()
{
    CurrentData.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TDataDropAccept::Drop(IDataObject* data, DWORD keyState, POINTL, DWORD* effect)
{
    CurrentData.Reset();
    if (!effect) return E_INVALIDARG;
    if (data) {
        for (CLIPFORMAT format : AcceptedFormats) {
            FORMATETC request = HGlobalFormat(format);
            STGMEDIUM medium{};
            if (data->GetData(&request, &medium) != S_OK) continue;
            if (medium.tymed != TYMED_HGLOBAL) { // not what was asked for: no handle to give
                ReleaseStgMedium(&medium);
                continue;
            }
            ChooseEffect(keyState, effect);
            try {
                if (Callback) Callback(Window, format, medium.hGlobal, effect);
            } catch (...) {
                // A failing handler leaves the drop silent, like any failed drop.
            }
            ReleaseStgMedium(&medium);
            return S_OK;
        }
    }
    *effect = DROPEFFECT_NONE;
    return S_OK;
}
