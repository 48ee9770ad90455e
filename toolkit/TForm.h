#pragma once
// A top-level form with a menu bar, a command table, a font for its controls and
// an image strip. Its child controls take their places from their alignment;
// their notifications come back to them through the form. Keys go to the form's
// shortcuts first, and Tab moves between the controls of the tab order.
#include "toolkit/TAction.h"
#include "toolkit/TControl.h"
#include "toolkit/TMenu.h"
#include "toolkit/TWindow.h"
#include "toolkit/ScopedHandle.h"

#include <commctrl.h>

#include <string>
#include <vector>

struct TFontSpec {
    const char* Face;
    int Height;    // pixels at 96 DPI, character height
    BYTE CharSet;
};

class TForm : public TWindow {
public:
    ~TForm() override;

    // Shows the form; the show event follows once construction has finished.
    void Show();
    // Asks the form to close: the main form ends the application's loop, and the
    // form goes away when its owner destroys it.
    void Close();
    bool CloseRequested() const noexcept { return CloseAsked; }

    TActionList& Actions() noexcept { return ActionList; }
    TMainMenu& Menu() noexcept { return *MainMenu; }
    HIMAGELIST Images() const noexcept { return ImageList.get(); }
    HFONT Font() const noexcept { return FormFont.get(); }
    // The density the form is drawn at, and a length designed at 96 DPI at that density.
    UINT Dpi() const noexcept { return FormDpi; }
    int Scale(int length) const noexcept { return MulDiv(length, static_cast<int>(FormDpi), 96); }
    // The side of the square pictures in the image strip.
    int ImageSize() const noexcept { return ImagePixels; }

    // The idle pass: every command's update handler once.
    virtual void Idle();
    // Shortcut keys and Tab, before the focused control sees them. True when used.
    bool PreprocessKey(const MSG& message);
    // Moves the focus to the next (or previous) control of the tab order.
    bool SelectNext(bool forward);

protected:
    // The window class is named after the form class; the image strip is a bitmap
    // resource of 16 x 16 pictures with magenta as the transparent colour, and the
    // same pictures at other sizes are resources named after it with the size
    // appended ("ToolImages24"). The size and the font follow the density of the
    // monitor; width and height are 96-DPI pixels.
    TForm(const char* className, const char* caption, int width, int height, const TFontSpec& font,
          const char* imageStripResource);

    // The menu bar goes onto the window; call once it is built.
    void AttachMenu();
    // A control directly on the form, in the order the alignment takes them.
    void AddControl(TControl& control);
    void SetTabOrder(std::vector<TControl*> controls) { TabOrder = std::move(controls); }
    // A tooltip that shows the hint while the pointer rests on the control.
    void SetHint(TControl& control, const std::string& hint);
    void Realign();
    // The derived constructor's last step: the show event may run from now on.
    void EndConstruction();

    // Runs after the form has been shown (every time it is shown).
    virtual void FormShow() {}
    // The form moved to a monitor of another density: the font and the image strip
    // are new (the old ones live until this returns); the controls take them here.
    virtual void DpiChanged(UINT oldDpi) { (void)oldDpi; }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The font and the image strip at the form's density.
    void MakeFontAndImages(ScopedFont& font, ScopedImageList& images);
    void ChangeDpi(UINT dpi, const RECT* suggested);
    bool RouteCommand(WPARAM wParam, LPARAM lParam);
    bool RouteNotify(NMHDR& header, LRESULT& result);

    TActionList ActionList;
    // Made before the window and released after it, also when the making throws.
    ScopedImageList ImageList;
    std::unique_ptr<TMainMenu> MainMenu;
    ScopedFont FormFont;
    TFontSpec DesignFont;
    const char* ImageStripName;
    UINT FormDpi;
    int ImagePixels = 16;
    std::vector<TControl*> Controls;
    std::vector<TControl*> TabOrder;
    HWND LastFocus = nullptr;
    HWND HintWindow = nullptr;
    bool Constructed = false;
    bool ShowPending = false;
    bool CloseAsked = false;
};
