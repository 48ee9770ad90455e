#pragma once
// A single-line edit box.
#include "toolkit/TControl.h"

class TEdit final : public TControl {
public:
    TEdit(HWND parent, int left, int top, int width, int height);
};
