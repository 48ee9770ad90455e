#pragma once
// A child control: a system control (or a window of our own class) with its
// placement rule, its font, and the events the program uses. Notifications
// that the parent receives are handed back to the control (Notify, Command);
// the control's own messages pass through WindowMessage first when it is
// subclassed. Controls are found from their windows through the window
// registry (toolkit/WindowRegistry.h), which keeps a subclassed window's own
// procedure too.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum class TAlign { None, Top, Bottom, Right, Client };

struct TMouseEvent {
    bool LeftButton = false;  // the left button is held (mouse-move and -up: after the event)
    int X = 0;
    int Y = 0;
};

class TControl {
public:
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl();

    HWND Handle() const noexcept { return Window; }
    // The control whose window (or helper window, such as a toolbar's tooltip) this is.
    static TControl* FromHandle(HWND window) noexcept;

    // Placement inside the parent's client area: aligned controls take an edge or the
    // rest; others keep their bounds, and with a right margin stretch with the parent.
    // A right-aligned control gives way to a client-aligned sibling's MinWidth while
    // the parent is narrow, and takes its own width again once there is room.
    TAlign Align = TAlign::None;
    int RightMargin = -1;   // -1: fixed width
    int MinWidth = 0;       // client-aligned: the least width the edge controls leave it
    RECT Bounds() const noexcept { return Placement; }
    void SetBounds(int left, int top, int width, int height);
    // Where the control is now.
    int Width() const noexcept { return Placement.right - Placement.left; }
    int Height() const noexcept { return Placement.bottom - Placement.top; }
    // The width given through SetBounds or SetWidth, whatever the layout leaves it.
    int OwnWidth() const noexcept { return RequestedWidth; }
    void SetWidth(int width);

    // Drawing is suspended from the first BeginUpdate to the matching EndUpdate
    // (WM_SETREDRAW); the control is then drawn once. The control's content keeps
    // changing meanwhile.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const noexcept { return UpdateDepth > 0; }

    void SetFont(HFONT font);
    std::string Text() const;
    void SetText(const std::string& text);
    void SetFocus();
    bool Focused() const;

    // Events of a subclassed control. A character typed while the control has the
    // focus; setting the key to 0 consumes it.
    std::function<void(char& key)> OnKeyPress;
    std::function<void(const TMouseEvent&)> OnMouseDown;
    std::function<void(const TMouseEvent&)> OnMouseMove;
    std::function<void(const TMouseEvent&)> OnMouseUp;
    // The shortcut menu was asked for (right button, the Menu key, Shift+F10), at a screen point.
    std::function<void(POINT screen)> OnContextMenu;
    // Where a shortcut menu asked for from the keyboard opens, in screen coordinates.
    virtual POINT KeyboardMenuPoint() const;

    // A WM_NOTIFY or WM_COMMAND from this control, received by its parent. True when handled.
    virtual bool Notify(NMHDR& header, LRESULT& result);
    virtual bool Command(WORD code, WORD id);

protected:
    TControl() = default;
    // Takes over a created window: its bounds and its place in the lookup table; a
    // subclassed control sees its messages (keys, mouse) in WindowMessage.
    void Attach(HWND window, bool subclass);
    // Lets FromHandle find this control from a helper window too.
    void AddNotifySource(HWND window);
    // The control's own messages, before its window procedure, when subclassed. True when handled.
    virtual bool WindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A control whose window is destroyed with its parent forgets it here.
    void Detach() noexcept;

    friend void AlignControls(const std::vector<TControl*>& controls, RECT client);
    // Moves the control where the layout puts it, keeping its own width.
    void Place(int left, int top, int width, int height);

private:
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Window = nullptr;
    bool Subclassed = false;
    int UpdateDepth = 0;
    RECT Placement{};
    int RequestedWidth = 0;
    std::vector<HWND> NotifySources;
};

// Places the controls inside a client rectangle, in order: top, bottom and right
// edges are taken one after another, a client control takes what remains.
void AlignControls(const std::vector<TControl*>& controls, RECT client);
