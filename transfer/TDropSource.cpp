#include "transfer/TDropSource.h"

#include <new>

TComRef<TDropSource> TDropSource::Create() noexcept
{
    return TComRef<TDropSource>(new (std::nothrow) TDropSource);
}

HRESULT STDMETHODCALLTYPE TDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    const DWORD buttons = keyState & (MK_LBUTTON | MK_RBUTTON);
    if (escapePressed || buttons == (MK_LBUTTON | MK_RBUTTON)) return DRAGDROP_S_CANCEL;
    if (buttons == 0) return DRAGDROP_S_DROP;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TDropSource::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}
