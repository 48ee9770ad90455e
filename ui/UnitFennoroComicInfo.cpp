// The ComicInfo.xml options: which formats get one, and how the book reads.
#include "ui/UnitFennoro.h"

namespace {

// In the order of the settings' values 0, 1, 2.
const char* const ComicInfoCaptions[] = {"書き込まない(&N)", ".cbzのみ(&C)", "すべての形式(&A)"};

} // namespace

void TFormFennoro::FillComicInfoMenu(int32_t mode)
{
    for (int32_t item = 0; item < static_cast<int32_t>(std::size(ComicInfoCaptions)); ++item)
        MainMenuComicInfo->AddItem(ComicInfoCaptions[item], true, item == mode, true);
}

int32_t TFormFennoro::CheckedComicInfoMode() const
{
    // An item clicked off leaves none checked: none is written.
    for (size_t i = 0; i < MainMenuComicInfo->Count(); ++i)
        if (MainMenuComicInfo->Item(i).Checked()) return static_cast<int32_t>(i);
    return 0;
}

TComicInfoOptions TFormFennoro::ChosenComicInfo() const
{
    TComicInfoOptions options;
    options.Mode = static_cast<TComicInfoMode>(CheckedComicInfoMode());
    options.RightToLeft = ActionRightToLeft->Checked();
    options.LanguageISO = ComicInfoLanguage;
    return options;
}
