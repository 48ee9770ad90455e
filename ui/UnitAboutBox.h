#pragma once
// The About box: the program's icon, name, version and copyright from its own
// version resource, the terms of use, and a button that opens the web page.
#include "toolkit/TDialog.h"

#include <windows.h>

#include <memory>
#include <string>

// The product's web page, opened by the box's web page button.
inline constexpr char FennoroWebPage[] = "https://www.example.jp/fennoro/";

// How the web page button reaches the shell: ShellExecuteA, replaced by tests.
using AboutBoxShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
extern AboutBoxShellExecuteFunction AboutBoxShellExecute;

// Left and top of a box of the given size centred on the owner's window
// rectangle, then moved into the work area (the top-left corner stays visible
// when the work area is smaller than the box).
POINT AboutBoxPosition(const RECT& owner, SIZE box, const RECT& workArea);

class TFormAboutBox final : public TDialog {
public:
    // Builds the box from its dialog template, hidden, centred on the owner.
    // The version texts come from the file at programPath; empty means the
    // running executable.
    explicit TFormAboutBox(HWND owner, const std::string& programPath = {});
    ~TFormAboutBox() override;

    // Enter and Escape close the box; every character key is consumed (set to 0).
    void FormKeyPress(char& key);
    void ToolButtonOKClick();
    void ToolButtonWebPageClick();
    // Ends ShowModal.
    void Close();

private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The box sees every key before its controls do.
    bool PreviewMessage(MSG& message) override;
    void BuildLayout();
    // Places, fonts and button sizes at the box's density.
    void PlaceControls();
    void ReadVersionResource(const std::string& programPath);
    void SetCopyrightText(const std::string& text);
    void PlaceOnOwner();
    void Paint();

    // The density the box is drawn at: its owner's at first.
    UINT BoxDpi;
    struct Fonts;
    // Made before the box and released after it, also when the making throws.
    std::unique_ptr<Fonts> FontSet;
};

// Opens a new About box on the owner (the main window) and waits until it closes.
void ShowAboutBox(HWND owner);
