#include "transfer/TEnumFORMATETC.h"

#include <new>

TComRef<TEnumFORMATETC> TEnumFORMATETC::Create(const FORMATETC* formats, size_t count) noexcept
{
    if (count && !formats) return {};
    TComRef<TEnumFORMATETC> enumerator(new (std::nothrow) TEnumFORMATETC);
    if (!enumerator) return {};
    try {
        enumerator->Formats.resize(count);
    } catch (...) {
        return {};
    }
    for (size_t i = 0; i < count; ++i) {
        if (!enumerator->Formats[i].Assign(formats[i])) return {};
    }
    return enumerator;
}

HRESULT STDMETHODCALLTYPE TEnumFORMATETC::Next(ULONG count, FORMATETC* formats, ULONG* fetched)
{
    if (fetched) *fetched = 0;
    if (count == 0 || !formats || Position >= Formats.size() || (!fetched && count != 1)) return S_FALSE;
    ULONG copied = 0;
    while (copied < count && Position < Formats.size()) {
        if (!Formats[Position].CopyTo(formats[copied])) {
            // Nothing half-given: take back the target devices already handed out.
            for (ULONG i = 0; i < copied; ++i) {
                CoTaskMemFree(formats[i].ptd);
                formats[i].ptd = nullptr;
            }
            Position -= copied;
            return E_OUTOFMEMORY;
        }
        ++copied;
        ++Position;
    }
    if (fetched) *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE TEnumFORMATETC::Skip(ULONG count)
{
    const size_t remaining = Formats.size() - Position;
    if (count > remaining) {
        Position = Formats.size();
        return S_FALSE;
    }
    Position += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TEnumFORMATETC::Reset()
{
    Position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TEnumFORMATETC::Clone(IEnumFORMATETC** clone)
{
    if (!clone) return E_POINTER;
    *clone = nullptr;
    std::vector<FORMATETC> formats;
    try {
        formats.reserve(Formats.size());
        for (const TFormatEtc& format : Formats) formats.push_back(format.Get());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    TComRef<TEnumFORMATETC> copy = Create(formats.data(), formats.size());
    if (!copy) return E_OUTOFMEMORY;
    copy->Position = Position;
    *clone = copy.Detach(); // the caller's reference
    return S_OK;
}
