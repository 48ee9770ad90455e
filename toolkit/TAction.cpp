#include "toolkit/TAction.h"

#include "base/WideText.h"

#include <cstdio>

std::string ShortCutToText(const TShortCut& shortCut)
{
    if (shortCut.Empty()) return {};
    std::string text;
    if (shortCut.Modifiers & TShortCut::Shift) text += "Shift+";
    if (shortCut.Modifiers & TShortCut::Ctrl) text += "Ctrl+";
    if (shortCut.Modifiers & TShortCut::Alt) text += "Alt+";
    const WORD key = shortCut.Key;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        text += static_cast<char>(key);
    } else if (key >= VK_F1 && key <= VK_F24) {
        char name[8];
        std::snprintf(name, sizeof name, "F%d", key - VK_F1 + 1);
        text += name;
    } else {
        wchar_t name[32] = {};
        const UINT scanCode = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
        if (scanCode && GetKeyNameTextW(static_cast<LONG>(scanCode << 16), name, 32) > 0) text += Utf8Text(name);
    }
    return text;
}

TShortCut ShortCutOfKey(WPARAM virtualKey)
{
    TShortCut shortCut{static_cast<WORD>(virtualKey), 0};
    if (GetKeyState(VK_SHIFT) < 0) shortCut.Modifiers |= TShortCut::Shift;
    if (GetKeyState(VK_CONTROL) < 0) shortCut.Modifiers |= TShortCut::Ctrl;
    if (GetKeyState(VK_MENU) < 0) shortCut.Modifiers |= TShortCut::Alt;
    return shortCut;
}

TAction::TAction(UINT id, std::string category, std::string caption, std::string hint, TShortCut shortCut,
                 int imageIndex, bool autoCheck, bool checked)
    : CommandId(id),
      CategoryText(std::move(category)),
      CaptionText(std::move(caption)),
      HintText(std::move(hint)),
      Key(shortCut),
      Image(imageIndex),
      ToggleOnExecute(autoCheck),
      IsChecked(checked)
{
}

std::string TAction::ShortHint() const { return HintText.substr(0, HintText.find('|')); }

std::string TAction::LongHint() const
{
    const size_t bar = HintText.find('|');
    return bar == std::string::npos ? HintText : HintText.substr(bar + 1);
}

void TAction::SetEnabled(bool enabled)
{
    if (IsEnabled == enabled) return;
    IsEnabled = enabled;
    Changed();
}

void TAction::SetChecked(bool checked)
{
    if (IsChecked == checked) return;
    IsChecked = checked;
    Changed();
}

void TAction::Update()
{
    if (OnUpdate) OnUpdate(*this);
}

bool TAction::Execute()
{
    Update();
    if (!IsEnabled) return false;
    if (ToggleOnExecute) SetChecked(!IsChecked);
    if (OnExecute) OnExecute(*this);
    return true;
}

void TAction::AddObserver(std::function<void(const TAction&)> observer)
{
    observer(*this);
    Observers.push_back(std::move(observer));
}

void TAction::Changed()
{
    for (const auto& observer : Observers) observer(*this);
}

TAction& TActionList::Add(std::string category, std::string caption, std::string hint, TShortCut shortCut,
                          int imageIndex, bool autoCheck, bool checked)
{
    const UINT id = FirstId + static_cast<UINT>(Actions.size());
    Actions.push_back(std::make_unique<TAction>(id, std::move(category), std::move(caption), std::move(hint), shortCut,
                                                imageIndex, autoCheck, checked));
    return *Actions.back();
}

TAction* TActionList::Find(UINT id) noexcept
{
    if (id < FirstId || id - FirstId >= Actions.size()) return nullptr;
    return Actions[id - FirstId].get();
}

TAction* TActionList::FindShortCut(const TShortCut& shortCut) noexcept
{
    if (shortCut.Empty()) return nullptr;
    for (const auto& action : Actions) {
        if (action->ShortCut() == shortCut) return action.get();
    }
    return nullptr;
}

void TActionList::UpdateAll()
{
    for (const auto& action : Actions) action->Update();
}

bool TActionList::ExecuteShortCut(const TShortCut& shortCut)
{
    TAction* action = FindShortCut(shortCut);
    return action && action->Execute();
}
