#pragma once
// The drop source of a drag: ends it on Escape or both buttons, drops when the buttons are up.
#include "transfer/ComUtility.h"

class TDropSource final : public TComObject<TDropSource, IDropSource, IID_IDropSource> {
public:
    // A new drop source, its one reference held by the result; empty when out of memory.
    static TComRef<TDropSource> Create() noexcept;

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    using Base = TComObject<TDropSource, IDropSource, IID_IDropSource>;
    friend Base;
    TDropSource() = default;
    ~TDropSource() = default;
};
