#pragma once
// Menus: a menu bar of TMenuItem objects over the system's menu handles. An item
// is bound to a command (caption with its shortcut, image, enabled and checked
// state from the command; choosing it executes the command) or stands alone:
// check and radio items can be added at run time. Choosing an auto-check item
// toggles it; checking a radio item unchecks the other radio items of its group
// in the same submenu, and choosing the checked one unchecks it.
#include "toolkit/TAction.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

class TMainMenu;

class TMenuItem {
public:
    TMenuItem(const TMenuItem&) = delete;
    TMenuItem& operator=(const TMenuItem&) = delete;
    virtual ~TMenuItem() = default;

    TMenuItem& AddSubMenu(const std::string& caption);
    TMenuItem& AddItem(TAction& action);
    TMenuItem& AddItem(const std::string& caption, bool autoCheck, bool checked, bool radioItem = false, int groupIndex = 0);
    TMenuItem& AddSeparator();

    size_t Count() const noexcept { return Items.size(); }
    TMenuItem& Item(size_t index) const { return *Items.at(index); }
    TMenuItem* Parent() const noexcept { return ParentItem; }

    // The caption with its "&" markers, without the shortcut text.
    std::string Caption() const;
    UINT Command() const noexcept { return CommandId; }
    TAction* Action() const noexcept { return BoundAction; }
    HMENU SubMenu() const noexcept { return Popup; }
    bool IsSeparator() const noexcept { return Separator; }
    bool AutoCheck() const noexcept { return BoundAction ? BoundAction->AutoCheck() : ToggleOnClick; }
    bool RadioItem() const noexcept { return Radio; }

    bool Checked() const noexcept { return BoundAction ? BoundAction->Checked() : IsChecked; }
    void SetChecked(bool checked);
    bool Enabled() const noexcept { return BoundAction ? BoundAction->Enabled() : true; }
    int ImageIndex() const noexcept { return BoundAction ? BoundAction->ImageIndex() : -1; }

    // What choosing the item does: executes its command, or toggles an auto-check item.
    void Click();

    // The item with this command among this item and everything below it.
    TMenuItem* Find(UINT command) noexcept;

protected:
    TMenuItem(TMainMenu* root, TMenuItem* parent, UINT command);

    HMENU Popup = nullptr;

private:
    TMenuItem& Append(std::unique_ptr<TMenuItem> item);
    void ShowState();
    MENUITEMINFO Info(std::wstring& text) const;

    TMainMenu* Root;
    TMenuItem* ParentItem;
    UINT CommandId;
    TAction* BoundAction = nullptr;
    std::string Text;
    bool Separator = false;
    bool ToggleOnClick = false;
    bool IsChecked = false;
    bool Radio = false;
    int Group = 0;
    std::vector<std::unique_ptr<TMenuItem>> Items;
};

class TMainMenu final : public TMenuItem {
public:
    // Pictures of bound items come from the image list (not owned).
    explicit TMainMenu(HIMAGELIST images);
    ~TMainMenu() override;

    HMENU Handle() const noexcept { return Popup; }
    HIMAGELIST Images() const noexcept { return ImageList; }

    // The owner-drawn pictures of the items (WM_MEASUREITEM, WM_DRAWITEM of a menu).
    bool MeasureItem(MEASUREITEMSTRUCT& measure) const;
    bool DrawItem(const DRAWITEMSTRUCT& draw) const;

private:
    friend class TMenuItem;
    UINT NextCommand = 0x1000;
    HIMAGELIST ImageList;
};
