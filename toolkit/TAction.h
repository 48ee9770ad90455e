#pragma once
// Commands as data: each TAction carries its caption, two-part hint, shortcut,
// image index and check behaviour, an update handler that decides its state and
// an execute handler. Menu items and toolbar buttons bound to an action only show
// its state: they are told whenever it changes.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A shortcut key: a virtual key with the modifier keys held.
struct TShortCut {
    enum : BYTE { Shift = 1, Ctrl = 2, Alt = 4 };
    WORD Key = 0;
    BYTE Modifiers = 0;

    bool Empty() const noexcept { return Key == 0; }
    bool operator==(const TShortCut&) const = default;
};

constexpr TShortCut CtrlKey(char letter) { return TShortCut{static_cast<WORD>(letter), TShortCut::Ctrl}; }
constexpr TShortCut PlainKey(WORD key) { return TShortCut{key, 0}; }

// The text a menu shows for a shortcut: "Ctrl+F", "F5", "Shift+Del".
std::string ShortCutToText(const TShortCut& shortCut);
// The shortcut a key-down message stands for, with the modifiers held at that time.
TShortCut ShortCutOfKey(WPARAM virtualKey);

class TAction {
public:
    using Handler = std::function<void(TAction&)>;

    TAction(UINT id, std::string category, std::string caption, std::string hint, TShortCut shortCut, int imageIndex,
            bool autoCheck, bool checked);

    UINT Id() const noexcept { return CommandId; }
    const std::string& Category() const noexcept { return CategoryText; }
    const std::string& Caption() const noexcept { return CaptionText; }
    // The hint, short half and long half separated by "|".
    const std::string& Hint() const noexcept { return HintText; }
    std::string ShortHint() const;
    std::string LongHint() const;
    const TShortCut& ShortCut() const noexcept { return Key; }
    int ImageIndex() const noexcept { return Image; }
    bool AutoCheck() const noexcept { return ToggleOnExecute; }

    bool Enabled() const noexcept { return IsEnabled; }
    bool Checked() const noexcept { return IsChecked; }
    void SetEnabled(bool enabled);
    void SetChecked(bool checked);

    Handler OnUpdate;
    Handler OnExecute;

    // Runs the update handler, if any.
    void Update();
    // Runs the update handler first; when the action is then enabled, toggles the
    // check of an auto-check action and runs the execute handler. True when it ran.
    bool Execute();

    // Called whenever the enabled or checked state changes (menu items, buttons).
    void AddObserver(std::function<void(const TAction&)> observer);

private:
    void Changed();

    UINT CommandId;
    std::string CategoryText;
    std::string CaptionText;
    std::string HintText;
    TShortCut Key;
    int Image;
    bool ToggleOnExecute;
    bool IsChecked;
    bool IsEnabled = true;
    std::vector<std::function<void(const TAction&)>> Observers;
};

// The command table of a form. Actions keep their addresses for the list's life.
class TActionList {
public:
    // Command identifiers start here; menus of run-time items use numbers above the actions'.
    static constexpr UINT FirstId = 100;

    TAction& Add(std::string category, std::string caption, std::string hint, TShortCut shortCut, int imageIndex,
                 bool autoCheck = false, bool checked = false);

    size_t Count() const noexcept { return Actions.size(); }
    TAction& operator[](size_t index) { return *Actions[index]; }
    TAction* Find(UINT id) noexcept;
    TAction* FindShortCut(const TShortCut& shortCut) noexcept;

    // Every update handler once: the idle pass.
    void UpdateAll();
    // Executes the action of the shortcut, as a menu choice would; true when it ran.
    // A disabled command leaves the key to the focused control (Ctrl+C in an edit box).
    bool ExecuteShortCut(const TShortCut& shortCut);

private:
    std::vector<std::unique_ptr<TAction>> Actions;
};
