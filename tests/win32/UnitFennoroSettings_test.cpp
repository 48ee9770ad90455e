// The settings file beside the program, read into the real window's menus,
// commands and controls when it opens and written back from them when it goes.
#include "settings/win32/IniUtility.h"
#include "transfer/TDataCopyDrag.h"
#include "win32/support/UiFennoroWindow.h"
#include "listview/win32/ListViewUtility.h"

#include "base/WideText.h"
#include "settings/win32/SettingsFile.h"
#include "toolkit/ScopedHandle.h"
#include "win32/support/EngineDialogAnswerer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

std::vector<std::string> CheckedCaptions(const TMenuItem& menu)
{
    std::vector<std::string> captions;
    for (size_t i = 0; i < menu.Count(); ++i) {
        if (menu.Item(i).Checked()) captions.push_back(menu.Item(i).Caption());
    }
    return captions;
}

// The "key=value" lines of a section, in file order.
std::vector<std::string> SectionLines(const std::string& text, const std::string& section)
{
    std::vector<std::string> lines;
    bool inside = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
        } else if (inside && !line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string KeyOf(const std::string& line) { return line.substr(0, line.find('=')); }

} // namespace

TEST(UnitFennoroSettings, AFirstRunStartsFromTheDefaultsAndWritesEveryKey)
{
    {
        UiFennoroWindow window;
        TFormFennoro& form = window.Form();
        EXPECT_EQ(CheckedCaptions(*form.MainMenuExtensions), (std::vector<std::string>{".jpg", ".png", ".gif"}));
        EXPECT_EQ(CheckedCaptions(*form.MainMenuArchiveExtension), (std::vector<std::string>{".zip"}));
        EXPECT_EQ(form.MainMenuArchiveExtension->Count(), 5u);
        EXPECT_EQ(form.ArchiveEntries.size(), 5u);
        EXPECT_FALSE(form.ActionRecursive->Checked());
        EXPECT_TRUE(form.ActionNumbered->Checked());
        EXPECT_FALSE(form.ActionNumberedAbout->Checked());
        EXPECT_TRUE(form.ActionSilentArchive->Checked());
        EXPECT_TRUE(form.ActionRemoveFolder->Checked());
        EXPECT_FALSE(form.ActionAutoFind->Checked());
        EXPECT_EQ(form.EditFolder->Text(), "");
        ASSERT_NE(TDataCopyDrag::Instance().FileName(), nullptr);
        EXPECT_STREQ(TDataCopyDrag::Instance().FileName(), "List.txt");
        window.Destroy();
        const std::string saved = UiFennoroWindow::SettingsText();
        std::vector<std::string> keys;
        for (const std::string& line : SectionLines(saved, "Setting")) keys.push_back(KeyOf(line));
        EXPECT_EQ(keys, (std::vector<std::string>{"Window", "ListView", "ToolBar", "Path", "Recursive", "Numbered",
                                                  "NumberedAbout", "SilentArchive", "RemoveFolder", "AutoFind",
                                                  "Extensions", "ExtensionsSelect", "ArchiveExtensionIndex"}));
        EXPECT_EQ(SectionLines(saved, "Archive"),
                  (std::vector<std::string>{".zip=7-zip32.DLL,SevenZip,\"a -r $Q -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide",
                                            ".7z=7-zip32.DLL,SevenZip,\"a -r $Q -t7z \"\"$A\"\" \"\"$D\"\" *\",-hide",
                                            ".lzh=UNLHA32.DLL,Unlha,\"a -d1 $Q \"\"$A\"\" \"\"$D\"\" *.*\",-n",
                                            ".cab=CAB32.DLL,Cab,\"-a -r $Q \"\"$A\"\" \"\"$D\"\" *.*\",-i",
                                            ".cbz=7-zip32.DLL,SevenZip,\"a -r $Q -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide"}));
        const std::vector<std::string> setting = SectionLines(saved, "Setting");
        // The last column takes the rest of the window's width.
        EXPECT_EQ(setting[1].rfind("ListView=250,200,", 0), 0u) << setting[1];
        EXPECT_EQ(setting[2], "ToolBar=223");
        EXPECT_EQ(setting[10], "Extensions=.jpg;.png;.gif");
        EXPECT_EQ(setting[11], "ExtensionsSelect=1;1;1");
        EXPECT_EQ(setting[12], "ArchiveExtensionIndex=0");
    }
}

TEST(UnitFennoroSettings, SavedValuesComeBackIntoTheControlsAndTheMenus)
{
    UiFennoroWindow window({"[Setting]", "Window=40,30,700,500,0", "ListView=300", "ToolBar=250",
                            "Path=C:\\表紙\\本", "Recursive=2", "Numbered=abc", "NumberedAbout=1", "SilentArchive=0",
                            "RemoveFolder=0", "AutoFind=1", "CopyDragFileName=Rows.txt", "Extensions=.jpg .png;.gif",
                            "ExtensionsSelect=1;0", "ArchiveExtensionIndex=0x1", "Unknown=kept", "[Archive]",
                            ".7z=7-zip32.DLL,SevenZip,\"a $Q $A $D\",-q", ".rar=R.DLL,Rar,\"a $A $D\"", "[Other]",
                            "Thing=1"});
    TFormFennoro& form = window.Form();
    RECT bounds{};
    GetWindowRect(form.Handle(), &bounds);
    EXPECT_EQ(GetFormPlacementText(form.Handle()), "40,30,700,500,0");
    EXPECT_EQ(bounds.right - bounds.left, 700);
    EXPECT_EQ(SendMessageW(form.ListView->Handle(), LVM_GETCOLUMNWIDTH, 0, 0), 300);
    EXPECT_EQ(SendMessageW(form.ListView->Handle(), LVM_GETCOLUMNWIDTH, 1, 0), 200);
    EXPECT_EQ(form.ToolBar->Width(), 250);
    EXPECT_EQ(form.EditFolder->Text(), "C:\\表紙\\本");
    EXPECT_TRUE(form.ActionRecursive->Checked());
    EXPECT_TRUE(form.ActionNumbered->Checked()) << "not a number: the default";
    EXPECT_TRUE(form.ActionNumberedAbout->Checked());
    EXPECT_FALSE(form.ActionSilentArchive->Checked());
    EXPECT_FALSE(form.ActionRemoveFolder->Checked());
    EXPECT_TRUE(form.ActionAutoFind->Checked());
    EXPECT_STREQ(TDataCopyDrag::Instance().FileName(), "Rows.txt");
    ASSERT_EQ(form.MainMenuExtensions->Count(), 3u);
    EXPECT_EQ(CheckedCaptions(*form.MainMenuExtensions), (std::vector<std::string>{".jpg", ".gif"}));
    ASSERT_EQ(form.MainMenuArchiveExtension->Count(), 2u);
    EXPECT_EQ(CheckedCaptions(*form.MainMenuArchiveExtension), (std::vector<std::string>{".rar"}));

    // Changes on screen are what the next start finds.
    window.Press('R', true);
    window.Choose(form.MainMenuExtensions->Item(1));
    window.Choose(form.MainMenuArchiveExtension->Item(1));
    form.EditFolder->SetText("D:\\ソフト");
    SendMessageW(form.ListView->Handle(), LVM_SETCOLUMNWIDTH, 2, 90);
    window.Destroy();
    const std::string saved = UiFennoroWindow::SettingsText();
    const std::vector<std::string> setting = SectionLines(saved, "Setting");
    ASSERT_GE(setting.size(), 15u) << saved;
    EXPECT_EQ(setting[0], "Window=40,30,700,500,0");
    EXPECT_EQ(setting[1], "ListView=300,200,90");
    EXPECT_EQ(setting[2], "ToolBar=250");
    EXPECT_EQ(setting[3], "Path=D:\\ソフト");
    EXPECT_EQ(setting[4], "Recursive=0");
    EXPECT_EQ(setting[5], "Numbered=1");
    EXPECT_EQ(setting[6], "NumberedAbout=1");
    EXPECT_EQ(setting[7], "SilentArchive=0");
    EXPECT_EQ(setting[9], "AutoFind=1");
    EXPECT_NE(saved.find("CopyDragFileName=Rows.txt\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Unknown=kept\r\n"), std::string::npos);
    EXPECT_NE(saved.find("ExtensionsSelect=1;1;1\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Extensions=.jpg;.png;.gif\r\n"), std::string::npos);
    EXPECT_NE(saved.find("ArchiveExtensionIndex=0\r\n"), std::string::npos) << "no format checked any more";
    EXPECT_EQ(SectionLines(saved, "Archive"),
              (std::vector<std::string>{".7z=7-zip32.DLL,SevenZip,\"a $Q $A $D\",-q", ".rar=R.DLL,Rar,\"a $A $D\""}));
    EXPECT_EQ(SectionLines(saved, "Other"), (std::vector<std::string>{"Thing=1"}));
}

TEST(UnitFennoroSettings, AUtf16FileAsNotepadSavesItIsRead)
{
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : std::wstring(L"[Setting]\r\nRemoveFolder=0\r\nPath=C:\\\u672C\r\n")) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    UiFennoroWindow window(UiSettingsBytes{bytes});
    EXPECT_FALSE(window->ActionRemoveFolder->Checked());
    EXPECT_EQ(window->EditFolder->Text(), "C:\\本");
    EXPECT_EQ(window->SettingsProblem, "");
}

TEST(UnitFennoroSettings, AnUnreadableFileTurnsRemovalOffSaysSoAndIsKeptAside)
{
    // A NUL byte: no settings text. Removal may have been off; it starts off.
    const char raw[] = "[Setting]\r\nRemoveFolder=0\r\nPath=a\0b\r\n";
    const std::string bytes(raw, sizeof raw - 1);
    const std::string file = GetSettingsFileName();
    const std::string aside = file + ".unreadable";
    DeleteFileW(WideText(aside).c_str());
    {
        UiFennoroWindow window(UiSettingsBytes{bytes});
        TFormFennoro& form = window.Form();
        EXPECT_FALSE(form.ActionRemoveFolder->Checked());
        EXPECT_NE(form.SettingsProblem.find(file), std::string::npos);
        EXPECT_NE(form.SettingsProblem.find(aside), std::string::npos);
        // The message box comes up with the window, before anything can run.
        EngineDialogAnswerer answerer(IDOK);
        form.Show();
        EXPECT_TRUE(PumpUntil([&] { return !answerer.Answered().empty(); }));
        EXPECT_EQ(answerer.Answered(), (std::vector<std::string>{"Fennoro"}));
        window.Destroy();
        EXPECT_NE(UiFennoroWindow::SettingsText().find("RemoveFolder=0\r\n"), std::string::npos);
    }
    std::ifstream kept(aside, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), bytes);
    kept.close();
    DeleteFileW(WideText(aside).c_str());
}

TEST(UnitFennoroSettings, AFileHeldOpenAtStartIsKeptAsideAtExitThoughReadableThen)
{
    // Another program holds the file for a while at the start, then lets go.
    const std::string bytes = "[Setting]\r\nPath=C:\\mine\r\n[Archive]\r\n.my=my.dll,My,\"a $A $D\"\r\n";
    const std::string file = GetSettingsFileName();
    const std::string aside = file + ".unreadable";
    DeleteFileW(WideText(aside).c_str());
    ScopedHandle held;
    {
        UiFennoroWindow window(UiSettingsBytes{bytes}, [&] {
            held.reset(CreateFileW(WideText(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        });
        ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
        EXPECT_NE(window->SettingsProblem.find(aside), std::string::npos);
        held.reset();
        window.Destroy();
        EXPECT_EQ(UiFennoroWindow::SettingsText().find("C:\\mine"), std::string::npos);
    }
    std::ifstream kept(aside, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), bytes)
        << "the user's own file, aside and whole";
    kept.close();
    DeleteFileW(WideText(aside).c_str());
}

TEST(UnitFennoroSettings, APositionOutsideTheFormatsChecksNoneAndAnEmptyListNoExtension)
{
    UiFennoroWindow window({"[Setting]", "ArchiveExtensionIndex=7", "Extensions=", "CopyDragFileName="});
    TFormFennoro& form = window.Form();
    EXPECT_TRUE(CheckedCaptions(*form.MainMenuArchiveExtension).empty());
    EXPECT_EQ(form.MainMenuExtensions->Count(), 0u);
    form.EditFolder->SetText("C:\\");
    window.Choose(*form.ActionFind);
    EXPECT_EQ(window.Status(), "許容拡張子が選択されていません");
    window.Destroy();
    const std::string saved = UiFennoroWindow::SettingsText();
    EXPECT_NE(saved.find("ArchiveExtensionIndex=0\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Extensions=\r\n"), std::string::npos);
    EXPECT_NE(saved.find("ExtensionsSelect=\r\n"), std::string::npos);
    EXPECT_NE(saved.find("CopyDragFileName=\r\n"), std::string::npos) << "read, never written";
}

TEST(UnitFennoroSettings, AMaximisedWindowComesBackMaximisedWithItsNormalFrame)
{
    UiFennoroWindow window({"[Setting]", "Window=50,60,600,400,2"});
    EXPECT_TRUE(IsZoomed(window->Handle()));
    window.Destroy();
    EXPECT_NE(UiFennoroWindow::SettingsText().find("Window=50,60,600,400,2\r\n"), std::string::npos)
        << UiFennoroWindow::SettingsText();
}

TEST(UnitFennoroSettings, WindowSettingsThatLeaveTheWindowUnusableAreMended)
{
    // Off every monitor, no size, and a toolbar wider than the window.
    UiFennoroWindow window({"[Setting]", "Window=-30000,-30000,0,0,0", "ToolBar=5000", "ListView=10,20,30"});
    RECT frame{}, area{};
    GetWindowRect(window->Handle(), &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window->Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
    area = monitor.rcWork;
    EXPECT_GE(frame.left, area.left);
    EXPECT_GE(frame.top, area.top);
    EXPECT_LE(frame.right, area.right);
    EXPECT_LE(frame.bottom, area.bottom);
    EXPECT_GE(frame.right - frame.left, 320);
    EXPECT_GE(frame.bottom - frame.top, 200);
    EXPECT_GE(window->EditFolder->Width(), 100) << "the folder box stays usable";
    window.Destroy();
    const std::string saved = UiFennoroWindow::SettingsText();
    EXPECT_EQ(saved.find("Window=-30000"), std::string::npos) << saved;
    EXPECT_NE(saved.find("ListView=10,20,30\r\n"), std::string::npos) << "column widths stay as saved";
}

TEST(UnitFennoroSettings, TheToolbarKeepsItsWidthWhereverTheWindowQuits)
{
    for (const char* placement : {"Window=100,100,640,480,1", "Window=100,100,330,300,0", "Window=100,100,640,480,2"}) {
        UiFennoroWindow window({"[Setting]", placement, "ToolBar=223"});
        window.Destroy();
        EXPECT_NE(UiFennoroWindow::SettingsText().find("ToolBar=223\r\n"), std::string::npos)
            << placement << "\n" << UiFennoroWindow::SettingsText();
    }
    // Narrow, the folder box keeps its room; widened, the toolbar is whole again.
    UiFennoroWindow window({"[Setting]", "Window=100,100,330,300,0", "ToolBar=223"});
    EXPECT_LT(window->ToolBar->Width(), 223);
    EXPECT_GE(window->EditFolder->Width(), 100);
    SetWindowPos(window->Handle(), nullptr, 0, 0, 700, 300, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(window->ToolBar->Width(), 223);
    ShowWindow(window->Handle(), SW_MINIMIZE);
    ShowWindow(window->Handle(), SW_RESTORE);
    EXPECT_EQ(window->ToolBar->Width(), 223);
}

TEST(UnitFennoroSettings, ThePageCheckIsWrittenLastOnlyOnceTurnedOn)
{
    std::vector<std::string> lines;
    {
        UiFennoroWindow window({"[Setting]", "Unknown=kept"});
        EXPECT_FALSE(window->ActionVerifyImages->Checked());
        window.Press('I', true);
        window.Destroy();
        const std::string text = UiFennoroWindow::SettingsText();
        const std::vector<std::string> setting = SectionLines(text, "Setting");
        ASSERT_GE(setting.size(), 2u);
        EXPECT_EQ(setting.back(), "VerifyImages=1");
        EXPECT_EQ(setting[setting.size() - 2], "ArchiveExtensionIndex=0");
        for (size_t start = 0; start < text.size();) {
            const size_t end = std::min(text.find("\r\n", start), text.size());
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
    }
    // That file at the next start: on; turned off, it stays off.
    UiFennoroWindow again(lines);
    EXPECT_TRUE(again->ActionVerifyImages->Checked());
    again.Press('I', true);
    again.Destroy();
    EXPECT_EQ(SectionLines(UiFennoroWindow::SettingsText(), "Setting").back(), "VerifyImages=0");
}
