#include "transfer/TDataObject.h"

#include "transfer/TEnumFORMATETC.h"

#include <cwchar>
#include <new>
#include <utility>

TFormatEtcStgMedium::~TFormatEtcStgMedium()
{
    ReleaseMedium();
}

TFormatEtcStgMedium::TFormatEtcStgMedium(TFormatEtcStgMedium&& other) noexcept
    : Format(std::move(other.Format)), Medium(std::exchange(other.Medium, STGMEDIUM{}))
{
}

TFormatEtcStgMedium& TFormatEtcStgMedium::operator=(TFormatEtcStgMedium&& other) noexcept
{
    if (this != &other) {
        ReleaseMedium();
        Format = std::move(other.Format);
        Medium = std::exchange(other.Medium, STGMEDIUM{});
    }
    return *this;
}

void TFormatEtcStgMedium::ReleaseMedium() noexcept
{
    if (Medium.tymed != TYMED_NULL) ReleaseStgMedium(&Medium);
    Medium = STGMEDIUM{};
}

bool DuplicateMedium(const STGMEDIUM& source, CLIPFORMAT format, STGMEDIUM& target) noexcept
{
    STGMEDIUM copy{};
    copy.tymed = source.tymed;
    switch (source.tymed) {
    case TYMED_HGLOBAL:
    case TYMED_GDI:
    case TYMED_MFPICT:
    case TYMED_ENHMF:
        copy.hGlobal = static_cast<HGLOBAL>(OleDuplicateData(source.hGlobal, format, 0));
        if (!copy.hGlobal) return false;
        break;
    case TYMED_FILE: {
        // A file medium carries a task-memory name, not a handle.
        if (!source.lpszFileName) return false;
        const size_t bytes = (std::wcslen(source.lpszFileName) + 1) * sizeof(WCHAR);
        copy.lpszFileName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!copy.lpszFileName) return false;
        std::wmemcpy(copy.lpszFileName, source.lpszFileName, bytes / sizeof(WCHAR));
        break;
    }
    default:
        return false;
    }
    target = copy;
    return true;
}

TComRef<TDataObject> TDataObject::Create() noexcept
{
    return TComRef<TDataObject>(new (std::nothrow) TDataObject);
}

bool TDataObject::SetCapacity(size_t capacity) noexcept
{
    if (Filled != 0) return false;
    try {
        std::vector<TFormatEtcStgMedium> entries(capacity);
        Entries = std::move(entries);
    } catch (...) {
        return false;
    }
    return true;
}

HRESULT TDataObject::Find(const FORMATETC& request, const TFormatEtcStgMedium** entry) const noexcept
{
    if (!(request.dwAspect & DVASPECT_CONTENT)) return DV_E_DVASPECT;
    // Only filled entries answer: a default entry holds no data.
    for (size_t i = 0; i < Filled; ++i) {
        const FORMATETC& stored = Entries[i].Format.Get();
        if (stored.cfFormat == request.cfFormat && (stored.tymed & request.tymed)) {
            if (entry) *entry = &Entries[i];
            return S_OK;
        }
    }
    return DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE TDataObject::GetData(FORMATETC* request, STGMEDIUM* medium)
{
    if (!request || !medium) return E_INVALIDARG;
    *medium = STGMEDIUM{};
    const TFormatEtcStgMedium* entry = nullptr;
    const HRESULT found = Find(*request, &entry);
    if (found != S_OK) return found;
    return DuplicateMedium(entry->Medium, entry->Format.Get().cfFormat, *medium) ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE TDataObject::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TDataObject::QueryGetData(FORMATETC* request)
{
    if (!request) return E_INVALIDARG;
    return Find(*request, nullptr);
}

HRESULT STDMETHODCALLTYPE TDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release)
{
    if (!format || !medium) return E_INVALIDARG;
    if (Filled >= Entries.size()) return E_OUTOFMEMORY;
    TFormatEtcStgMedium entry;
    if (!entry.Format.Assign(*format)) return E_OUTOFMEMORY;
    if (release) {
        entry.Medium = *medium;
    } else if (!DuplicateMedium(*medium, format->cfFormat, entry.Medium)) {
        return E_OUTOFMEMORY;
    }
    Entries[Filled++] = std::move(entry);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator)
{
    if (!enumerator) return E_INVALIDARG;
    *enumerator = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    try {
        formats.reserve(Filled);
        for (size_t i = 0; i < Filled; ++i) formats.push_back(Entries[i].Format.Get());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    TComRef<TEnumFORMATETC> created = TEnumFORMATETC::Create(formats.data(), formats.size());
    if (!created) return E_OUTOFMEMORY;
    *enumerator = created.Detach(); // the caller's reference
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE TDataObject::DUnadvise(DWORD)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE TDataObject::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}
