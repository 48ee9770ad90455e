#include "transfer/TFormatEtc.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr FORMATETC DefaultFormat{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};

// A task-memory copy of a target device (null for null); false when out of memory
// or when the device's own size is too small to hold its header.
bool CopyTargetDevice(const DVTARGETDEVICE* source, DVTARGETDEVICE** target) noexcept
{
    *target = nullptr;
    if (!source) return true;
    if (source->tdSize < offsetof(DVTARGETDEVICE, tdData)) return false;
    auto* copy = static_cast<DVTARGETDEVICE*>(CoTaskMemAlloc(source->tdSize));
    if (!copy) return false;
    std::memcpy(copy, source, source->tdSize);
    *target = copy;
    return true;
}

} // namespace

TFormatEtc::TFormatEtc() noexcept : Format(DefaultFormat) {}

TFormatEtc::~TFormatEtc()
{
    CoTaskMemFree(Format.ptd);
}

TFormatEtc::TFormatEtc(TFormatEtc&& other) noexcept : Format(other.Format)
{
    other.Format.ptd = nullptr;
}

TFormatEtc& TFormatEtc::operator=(TFormatEtc&& other) noexcept
{
    if (this != &other) {
        CoTaskMemFree(Format.ptd);
        Format = other.Format;
        other.Format.ptd = nullptr;
    }
    return *this;
}

bool TFormatEtc::Assign(const FORMATETC& source) noexcept
{
    DVTARGETDEVICE* device = nullptr;
    if (!CopyTargetDevice(source.ptd, &device)) return false;
    CoTaskMemFree(Format.ptd);
    Format = source;
    Format.ptd = device;
    return true;
}

bool TFormatEtc::CopyTo(FORMATETC& target) const noexcept
{
    DVTARGETDEVICE* device = nullptr;
    if (!CopyTargetDevice(Format.ptd, &device)) return false;
    target = Format;
    target.ptd = device;
    return true;
}
