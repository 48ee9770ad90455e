#pragma once
// A status bar with a text over its width and, while it holds one, a second
// text at its right end (a job's progress), as wide as that text needs.
#include "toolkit/TControl.h"

#include <string>
#include <vector>

class TStatusBar final : public TControl {
public:
    TStatusBar(HWND parent, int height);

    // The first text as the control holds it.
    std::string SimpleText() const;
    void SetSimpleText(const std::string& text);

    // The text at the right end; empty: none, the first text takes the whole width.
    std::string ProgressText() const;
    void SetProgressText(const std::string& text);
    // The same with shorter forms of the text, fullest first: the bar shows the
    // fullest that fits its right half, else the shortest.
    void SetProgressTexts(const std::vector<std::string>& forms);
    // Every form given, fullest first (the one text, when set alone).
    const std::vector<std::string>& ProgressForms() const noexcept { return Forms; }
    // The width the right part takes now (0 without one).
    int ProgressWidth() const noexcept { return PartWidth; }

protected:
    bool WindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void LayParts(int width);
    int TextWidth(const std::wstring& text) const;

    // The form shown, and every form given.
    std::string Progress;
    std::vector<std::string> Forms;
    int PartWidth = 0;
};
