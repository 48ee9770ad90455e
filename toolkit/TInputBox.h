#pragma once
// A small modal dialog that asks for one line of text: a prompt, an edit box,
// OK and Cancel. Enter chooses OK, Escape and the close box Cancel.
#include "toolkit/TDialog.h"

#include <string>

class TInputBox final : public TDialog {
public:
    // The edit box's control identifier (for those who drive the box from outside).
    static constexpr int EditId = 100;

    TInputBox(HWND owner, const std::string& caption, const std::string& prompt, const std::string& text);
    ~TInputBox() override;

    // Shows the box until it is closed; true when OK closed it, with the text typed.
    bool Execute(std::string& text);

private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PlaceOnOwner();

    std::string Caption;
    std::string Prompt;
    std::string Text;
    bool Accepted = false;
};

// Asks with a TInputBox; true when OK was chosen, with the text typed.
bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& text);
