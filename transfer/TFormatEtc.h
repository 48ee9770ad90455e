#pragma once
// One FORMATETC that owns a copy of its target device, so that a caller's
// FORMATETC may go away once it has been stored.
#include <windows.h>
#include <ole2.h>

class TFormatEtc {
public:
    // The default: CF_TEXT, no target device, DVASPECT_CONTENT, index -1, TYMED_HGLOBAL.
    TFormatEtc() noexcept;
    ~TFormatEtc();
    TFormatEtc(TFormatEtc&& other) noexcept;
    TFormatEtc& operator=(TFormatEtc&& other) noexcept;
    TFormatEtc(const TFormatEtc&) = delete;
    TFormatEtc& operator=(const TFormatEtc&) = delete;

    // Copies `source` with its target device; false (and unchanged) when memory runs out.
    bool Assign(const FORMATETC& source) noexcept;
    const FORMATETC& Get() const noexcept { return Format; }
    // Fills `target` for a caller who frees its target device with CoTaskMemFree.
    bool CopyTo(FORMATETC& target) const noexcept;

private:
    FORMATETC Format;
};
