#pragma once
// The format enumerator of the data object: a fixed list of FORMATETC and a position.
#include "transfer/ComUtility.h"
#include "transfer/TFormatEtc.h"

#include <vector>

class TEnumFORMATETC final : public TComObject<TEnumFORMATETC, IEnumFORMATETC, IID_IEnumFORMATETC> {
public:
    // A new enumerator over copies of `formats`, at position 0, its one reference
    // held by the result; empty when out of memory.
    static TComRef<TEnumFORMATETC> Create(const FORMATETC* formats, size_t count) noexcept;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* formats, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** clone) override;

private:
    using Base = TComObject<TEnumFORMATETC, IEnumFORMATETC, IID_IEnumFORMATETC>;
    friend Base;
    TEnumFORMATETC() = default;
    ~TEnumFORMATETC() = default;

    std::vector<TFormatEtc> Formats;
    size_t Position = 0;
};
