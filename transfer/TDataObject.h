#pragma once
// The OLE data object handed to the clipboard or a drag: a fixed number of
// stored renderings, each a FORMATETC with its medium.
#include "transfer/ComUtility.h"
#include "transfer/TFormatEtc.h"

#include <vector>

// One stored rendering; a medium that is not empty is released with the entry.
class TFormatEtcStgMedium {
public:
    TFormatEtcStgMedium() noexcept = default;
    ~TFormatEtcStgMedium();
    TFormatEtcStgMedium(TFormatEtcStgMedium&& other) noexcept;
    TFormatEtcStgMedium& operator=(TFormatEtcStgMedium&& other) noexcept;
    TFormatEtcStgMedium(const TFormatEtcStgMedium&) = delete;
    TFormatEtcStgMedium& operator=(const TFormatEtcStgMedium&) = delete;

    TFormatEtc Format;
    STGMEDIUM Medium{}; // TYMED_NULL, no handle, no release interface

private:
    void ReleaseMedium() noexcept;
};

// Copies a medium: the handle through OleDuplicateData for the handle types,
// the name for TYMED_FILE; the copy has no release interface, since it is its
// holder's to free. False (target untouched) for other types or when out of memory.
bool DuplicateMedium(const STGMEDIUM& source, CLIPFORMAT format, STGMEDIUM& target) noexcept;

class TDataObject final : public TComObject<TDataObject, IDataObject, IID_IDataObject> {
public:
    // A new, empty data object, its one reference held by the result; empty when out of memory.
    static TComRef<TDataObject> Create() noexcept;

    // Fixes the number of entries, all default; only before anything is stored.
    bool SetCapacity(size_t capacity) noexcept;
    size_t Capacity() const noexcept { return Entries.size(); }
    size_t FilledCount() const noexcept { return Filled; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* request, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* request, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* request) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* request, FORMATETC* canonical) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** enumerator) override;

private:
    using Base = TComObject<TDataObject, IDataObject, IID_IDataObject>;
    friend Base;
    TDataObject() = default;
    ~TDataObject() = default;

    // The first filled entry that answers the request, or the error code.
    HRESULT Find(const FORMATETC& request, const TFormatEtcStgMedium** entry) const noexcept;

    std::vector<TFormatEtcStgMedium> Entries;
    size_t Filled = 0;
};
