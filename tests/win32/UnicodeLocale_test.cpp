// The window under a system locale whose ANSI code page is not 932: its own texts
// and every name still read right, as they go to the controls in UTF-16.
#include "base/WideText.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <commctrl.h>

TEST(UnicodeLocale, StatusTextsAndNamesReadRightUnderAnyCodePage)
{
    ASSERT_NE(GetACP(), 932u) << "this test runs under another locale (FENNORO_LOCALE)";
    EngineTempTree tree("fennoro-locale");
    tree.File("日本の城〜天守閣編\\01.jpg", "1");
    tree.File("表紙ソ\\01.jpg", "1");
    UiFennoroWindow window({"[Setting]", "Path=" + tree.Root() + "missing", "RemoveFolder=0"});
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    wchar_t text[128] = {};
    SendMessageW(window->StatusBar->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"フォルダが正しくありません");

    window->EditFolder->SetText(tree.Root());
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    SendMessageW(window->StatusBar->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"検索が終了しました");
    EXPECT_EQ(window.Row("日本の城〜天守閣編").Result, "+圧縮できます");
    EXPECT_EQ(window.Row("表紙ソ").Result, "+圧縮できます");
}
