#include "toolkit/TMenu.h"

#include "base/WideText.h"

#include <stdexcept>

TMenuItem::TMenuItem(TMainMenu* root, TMenuItem* parent, UINT command)
    : Root(root), ParentItem(parent), CommandId(command)
{
}

TMenuItem& TMenuItem::AddSubMenu(const std::string& caption)
{
    auto item = std::unique_ptr<TMenuItem>(new TMenuItem(Root, this, Root->NextCommand++));
    item->Text = caption;
    item->Popup = CreatePopupMenu();
    if (!item->Popup) throw std::runtime_error("メニューを作成できません");
    return Append(std::move(item));
}

TMenuItem& TMenuItem::AddItem(TAction& action)
{
    auto item = std::unique_ptr<TMenuItem>(new TMenuItem(Root, this, action.Id()));
    item->BoundAction = &action;
    item->Text = action.Caption();
    TMenuItem& added = Append(std::move(item));
    action.AddObserver([&added](const TAction&) { added.ShowState(); });
    return added;
}

TMenuItem& TMenuItem::AddItem(const std::string& caption, bool autoCheck, bool checked, bool radioItem, int groupIndex)
{
    auto item = std::unique_ptr<TMenuItem>(new TMenuItem(Root, this, Root->NextCommand++));
    item->Text = caption;
    item->ToggleOnClick = autoCheck;
    item->IsChecked = checked;
    item->Radio = radioItem;
    item->Group = groupIndex;
    return Append(std::move(item));
}

TMenuItem& TMenuItem::AddSeparator()
{
    auto item = std::unique_ptr<TMenuItem>(new TMenuItem(Root, this, 0));
    item->Separator = true;
    return Append(std::move(item));
}

TMenuItem& TMenuItem::Append(std::unique_ptr<TMenuItem> item)
{
    if (!Popup) throw std::logic_error("menu item without a submenu");
    std::wstring text;
    const MENUITEMINFO info = item->Info(text);
    if (!InsertMenuItemW(Popup, static_cast<UINT>(Items.size()), TRUE, &info)) {
        throw std::runtime_error("メニュー項目を追加できません");
    }
    Items.push_back(std::move(item));
    return *Items.back();
}

MENUITEMINFO TMenuItem::Info(std::wstring& text) const
{
    MENUITEMINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA;
    info.wID = CommandId;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    info.fState = (Checked() ? MFS_CHECKED : MFS_UNCHECKED) | (Enabled() ? MFS_ENABLED : MFS_GRAYED);
    if (Separator) {
        info.fType = MFT_SEPARATOR;
        return info;
    }
    info.fType = MFT_STRING | (Radio ? MFT_RADIOCHECK : 0);
    info.fMask |= MIIM_STRING;
    std::string caption = Caption();
    if (BoundAction && !BoundAction->ShortCut().Empty()) {
        caption += '\t';
        caption += ShortCutToText(BoundAction->ShortCut());
    }
    text = WideText(caption);
    info.dwTypeData = text.data();
    if (Popup) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = Popup;
    }
    const int image = ImageIndex();
    if (image >= 0 && Root->ImageList && image < ImageList_GetImageCount(Root->ImageList)) {
        info.fMask |= MIIM_BITMAP;
        info.hbmpItem = HBMMENU_CALLBACK;
    }
    return info;
}

std::string TMenuItem::Caption() const { return BoundAction ? BoundAction->Caption() : Text; }

void TMenuItem::ShowState()
{
    if (!ParentItem || !ParentItem->Popup) return;
    MENUITEMINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    info.fState = (Checked() ? MFS_CHECKED : MFS_UNCHECKED) | (Enabled() ? MFS_ENABLED : MFS_GRAYED);
    SetMenuItemInfoW(ParentItem->Popup, CommandId, FALSE, &info);
}

void TMenuItem::SetChecked(bool checked)
{
    if (BoundAction) {
        BoundAction->SetChecked(checked);
        return;
    }
    if (checked && Radio && ParentItem) {
        for (const auto& sibling : ParentItem->Items) {
            if (sibling.get() != this && sibling->Radio && sibling->Group == Group && sibling->IsChecked) {
                sibling->IsChecked = false;
                sibling->ShowState();
            }
        }
    }
    if (IsChecked == checked) return;
    IsChecked = checked;
    ShowState();
}

void TMenuItem::Click()
{
    if (BoundAction) {
        BoundAction->Execute();
    } else if (ToggleOnClick) {
        SetChecked(!IsChecked);
    }
}

TMenuItem* TMenuItem::Find(UINT command) noexcept
{
    if (CommandId == command && !Separator) return this;
    for (const auto& item : Items) {
        if (TMenuItem* found = item->Find(command)) return found;
    }
    return nullptr;
}

TMainMenu::TMainMenu(HIMAGELIST images) : TMenuItem(this, nullptr, 0), ImageList(images)
{
    Popup = CreateMenu();
    if (!Popup) throw std::runtime_error("メニューを作成できません");
}

TMainMenu::~TMainMenu()
{
    // Destroys the submenus with it; a window that still shows it must have let it go.
    if (Popup && IsMenu(Popup)) DestroyMenu(Popup);
}

bool TMainMenu::MeasureItem(MEASUREITEMSTRUCT& measure) const
{
    if (measure.CtlType != ODT_MENU || !measure.itemData) return false;
    int width = 16;
    int height = 16;
    if (ImageList) ImageList_GetIconSize(ImageList, &width, &height);
    measure.itemWidth = static_cast<UINT>(width);
    measure.itemHeight = static_cast<UINT>(height);
    return true;
}

bool TMainMenu::DrawItem(const DRAWITEMSTRUCT& draw) const
{
    if (draw.CtlType != ODT_MENU || !draw.itemData || !ImageList) return false;
    const auto* item = reinterpret_cast<const TMenuItem*>(draw.itemData);
    const int image = item->ImageIndex();
    if (image < 0 || image >= ImageList_GetImageCount(ImageList)) return true;
    int width = 16;
    int height = 16;
    ImageList_GetIconSize(ImageList, &width, &height);
    const int x = draw.rcItem.left + (draw.rcItem.right - draw.rcItem.left - width) / 2;
    const int y = draw.rcItem.top + (draw.rcItem.bottom - draw.rcItem.top - height) / 2;
    if (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) {
        HICON icon = ImageList_GetIcon(ImageList, image, ILD_NORMAL);
        DrawStateW(draw.hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, width, height,
                   DST_ICON | DSS_DISABLED);
        DestroyIcon(icon);
    } else {
        ImageList_Draw(ImageList, image, draw.hDC, x, y, ILD_TRANSPARENT);
    }
    return true;
}
