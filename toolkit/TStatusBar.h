#pragma once
// A status bar with one text over its whole width.
#include "toolkit/TControl.h"

#include <string>

class TStatusBar final : public TControl {
public:
    TStatusBar(HWND parent, int height);

    // The text as the control holds it.
    std::string SimpleText() const;
    void SetSimpleText(const std::string& text);
};
