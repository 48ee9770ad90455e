// The main window: layout, command table, menus, toolbar, start-up and shutdown,
// the folder box's keys and drops.
#include "ui/UnitFennoro.h"

#include "base/WideText.h"

#include "listview/win32/ListViewUtility.h"
#include "transfer/TDataCopyDrag.h"
#include "transfer/TDataDropAccept.h"
#include "toolkit/Dpi.h"
#include "toolkit/TApplication.h"

#include <shellapi.h>

namespace {

constexpr TFontSpec MainFont{"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET};
constexpr int FormWidth = 640;
constexpr int FormHeight = 480;

// The layout: where each component sits in its parent, in pixels at 96 DPI.
struct LayoutEntry {
    TAlign Align;
    int Left, Top, Width, Height;
    int RightMargin;  // stretches with the parent, keeping this distance; -1 fixed
};
constexpr LayoutEntry PanelHeaderLayout{TAlign::Top, 0, 0, 632, 25, -1};
constexpr LayoutEntry PanelEditFolderLayout{TAlign::Client, 2, 2, 405, 21, -1};
constexpr LayoutEntry EditFolderLayout{TAlign::None, 1, 1, 402, 19, 2};
constexpr LayoutEntry ToolBarLayout{TAlign::Right, 407, 2, 223, 21, -1};
constexpr LayoutEntry ListViewLayout{TAlign::Client, 0, 25, 632, 384, -1};
constexpr LayoutEntry StatusBarLayout{TAlign::Bottom, 0, 409, 632, 17, -1};
// The folder box keeps this much of the header; a narrower window narrows the toolbar.
constexpr int FolderBoxMinimumWidth = 120;
constexpr int ToolButtonWidth = 23;
constexpr int ToolSeparatorWidth = 8;

struct ColumnEntry {
    const char* Caption;
    int Width;
};
constexpr ColumnEntry ListColumns[] = {{"フォルダ名", 250}, {"結果", 200}, {"備考", 160}};

template <typename Control>
void Place(Control& control, const LayoutEntry& layout, const TForm& form)
{
    control.Align = layout.Align;
    control.RightMargin = layout.RightMargin < 0 ? -1 : form.Scale(layout.RightMargin);
    control.SetBounds(form.Scale(layout.Left), form.Scale(layout.Top), form.Scale(layout.Width),
                      form.Scale(layout.Height));
    control.SetFont(form.Font());
}

// The command table: one entry a command, in the order the commands are made.
struct TCommandEntry {
    TAction* TFormFennoro::*Member;
    const char* Category;
    const char* Caption;
    const char* Hint;  // short|long
    TShortCut ShortCut;
    int Image;         // -1: none
    bool AutoCheck;    // an option: executing it toggles its check
    bool Checked;      // its check until the settings say otherwise
    void (TFormFennoro::*Update)(TAction&);
    void (TFormFennoro::*Execute)(TAction&);  // null: an option only toggles
};

using F = TFormFennoro;
const TCommandEntry CommandTable[] = {
    {&F::ActionSelectFolder, "ファイル", "検索フォルダの選択(&S)...", "フォルダ選択|検索フォルダの選択", CtrlKey('F'), 1,
     false, false, &F::ActionUpdateEnableAlways, &F::ActionSelectFolderExecute},
    {&F::ActionFind, "ファイル", "検索の実行(&F)", "検索実行|指定フォルダ内を検索", PlainKey(VK_F5), 5, false, false,
     &F::ActionFindUpdate, &F::ActionFindExecute},
    {&F::ActionCompress, "ファイル", "圧縮の実行(&C)", "圧縮実行|チェックしたフォルダを圧縮", PlainKey(VK_F8), 19, false,
     false, &F::ActionCompressUpdate, &F::ActionCompressExecute},
    {&F::ActionAbort, "ファイル", "処理の中止(&A)", "処理中止|検索・圧縮の中止", CtrlKey('D'), 14, false, false,
     &F::ActionAbortUpdate, &F::ActionAbortExecute},
    {&F::ActionExit, "ファイル", "終了(&X)", "終了|アプリケーションを終了する", CtrlKey('W'), 43, false, false, nullptr,
     &F::ActionExitExecute},
    {&F::ActionCopy, "編集", "コピー(&C)", "コピー|選択部分をコピーし、クリップボードに送る", CtrlKey('C'), 7, false,
     false, &F::ActionUpdateEnableSelectLines, &F::ActionCopyExecute},
    {&F::ActionSelectAll, "編集", "すべてを選択(&A)", "すべてを選択|すべての行を選択", CtrlKey('A'), -1, false, false,
     &F::ActionUpdateEnableExistsLines, &F::ActionSelectAllExecute},
    {&F::ActionSelectInvert, "編集", "選択の切り替え(&I)", "選択反転|行の選択を反転", CtrlKey('K'), -1, false, false,
     &F::ActionUpdateEnableSelectLines, &F::ActionSelectInvertExecute},
    {&F::ActionAutoFind, "オプション", "起動時等に自動検索する(&E)",
     "起動時等自動検索|起動時やフォルダ選択時に自動検索する", CtrlKey('E'), 23, true, false,
     &F::ActionUpdateEnableAlways, nullptr},
    {&F::ActionRecursive, "オプション", "再帰検索を行う(&R)", "再帰検索指定|再帰検索を行う", CtrlKey('R'), 15, true,
     false, &F::ActionUpdateEnableAlways, nullptr},
    {&F::ActionNumbered, "オプション", "連番ファイルのみ許容する(&N)", "連番検索指定|連番ファイルのみ許容する",
     CtrlKey('N'), 18, true, true, &F::ActionUpdateEnableAlways, nullptr},
    {&F::ActionNumberedAbout, "オプション", "抜けのある連番は許容する(&A)",
     "曖昧連番検索指定|抜けのある連番は許容する", CtrlKey('B'), 22, true, false, &F::ActionNumberedAboutUpdate,
     nullptr},
    {&F::ActionSilentArchive, "オプション", "静かに圧縮する(&L)", "静粛圧縮指定|静かに圧縮する", CtrlKey('L'), 20,
     true, true, &F::ActionUpdateEnableAlways, nullptr},
    {&F::ActionRemoveFolder, "オプション", "圧縮後フォルダを削除する(&M)", "フォルダ削除指定|圧縮後フォルダを削除する",
     CtrlKey('M'), 21, true, true, &F::ActionUpdateEnableAlways, nullptr},
    {&F::ActionAbout, "ヘルプ", "バージョン情報(&A)...", "バージョン|バージョン情報を表示", TShortCut{}, -1, false,
     false, nullptr, &F::ActionAboutExecute},
    {&F::ActionRenameFolder, "", "選択フォルダ名の変更(&M)", "フォルダ名変更|選択フォルダ名の変更", PlainKey(VK_F2),
     -1, false, false, &F::ActionUpdateEnableFocusLine, &F::ActionRenameFolderExecute},
    // Last, so that the older commands keep their identifiers.
    {&F::ActionVerifyImages, "オプション", "画像の破損を調べる(&V)", "画像破損検査指定|画像の破損を調べる",
     CtrlKey('I'), -1, true, false, &F::ActionUpdateEnableAlways, nullptr},
    {&F::ActionDeepImageCheck, "オプション", "画像を詳しく調べる(&W)", "画像詳細検査指定|画像を詳しく調べる",
     TShortCut{}, -1, true, false, &F::ActionDeepImageCheckUpdate, nullptr},
    // The folder list's shortcut menu alone shows these.
    {&F::ActionCheckSelected, "編集", "チェックを付ける(&C)", "チェック|選択した行にチェックを付ける", TShortCut{}, -1,
     false, false, &F::ActionUpdateEnableSelectLines, &F::ActionCheckSelectedExecute},
    {&F::ActionUncheckSelected, "編集", "チェックを外す(&U)", "チェック解除|選択した行のチェックを外す", TShortCut{},
     -1, false, false, &F::ActionUpdateEnableSelectLines, &F::ActionUncheckSelectedExecute},
    {&F::ActionOpenLog, "ファイル", "圧縮の記録を開く(&R)", "圧縮の記録|圧縮の記録 (CSV) を開く", TShortCut{}, -1, false,
     false, &F::ActionUpdateEnableAlways, &F::ActionOpenLogExecute},
    {&F::ActionAddExtension, "オプション", "許容拡張子の追加(&D)...", "許容拡張子の追加|許容する拡張子を追加する",
     TShortCut{}, -1, false, false, &F::ActionUpdateEnableAlways, &F::ActionAddExtensionExecute},
    {&F::ActionSendTo, "ファイル", "「送る」メニューに入れる(&T)",
     "送るメニュー|エクスプローラーの「送る」メニューに Fennoro を入れる (もう一度選ぶと外す)", TShortCut{}, -1, false,
     false, &F::ActionSendToUpdate, &F::ActionSendToExecute},
    {&F::ActionFindInTree, "オプション", "下の階層の本も探す(&T)", "階層検索指定|作者やシリーズのフォルダの下の本も探す",
     CtrlKey('T'), -1, true, false, &F::ActionUpdateEnableAlways, nullptr},
    {&F::ActionRenumberPages, "編集", "連番の桁をそろえる(&Z)", "連番の桁揃え|選択した行のページ番号の桁をそろえる",
     TShortCut{'N', TShortCut::Ctrl | TShortCut::Shift}, -1, false, false, &F::ActionUpdateEnableSelectLines,
     &F::ActionRenumberPagesExecute},
    {&F::ActionRightToLeft, "オプション", "右綴じ(&J)", "右綴じ|右から左へ読む本としてComicInfo.xmlに書く", TShortCut{}, -1,
     true, true, &F::ActionUpdateEnableAlways, nullptr},
};

// The menu bar: each Bar entry opens a menu whose items follow; Sub entries are
// the submenus the settings fill at run time.
struct TMenuEntry {
    enum TKind { Bar, Sub, Command, Separator } Kind;
    const char* Caption = nullptr;
    TMenuItem* TFormFennoro::*Member = nullptr;
    TAction* TFormFennoro::*Action = nullptr;
};

const TMenuEntry MenuLayout[] = {
    {TMenuEntry::Bar, "ファイル(&F)", &F::MainMenuFile},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionSelectFolder},
    {TMenuEntry::Separator},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionFind},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionCompress},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionAbort},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionOpenLog},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionSendTo},
    {TMenuEntry::Separator},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionExit},
    {TMenuEntry::Bar, "編集(&E)", &F::MainMenuEdit},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionCopy},
    {TMenuEntry::Separator},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionSelectAll},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionSelectInvert},
    {TMenuEntry::Separator},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionRenumberPages},
    {TMenuEntry::Bar, "オプション(&O)", &F::MainMenuOption},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionAutoFind},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionRecursive},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionFindInTree},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionNumbered},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionNumberedAbout},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionVerifyImages},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionDeepImageCheck},
    {TMenuEntry::Sub, "許容拡張子(&E)", &F::MainMenuExtensions},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionAddExtension},
    {TMenuEntry::Separator},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionSilentArchive},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionRemoveFolder},
    {TMenuEntry::Sub, "圧縮形式(&H)", &F::MainMenuArchiveExtension},
    {TMenuEntry::Sub, "ComicInfo.xml(&I)", &F::MainMenuComicInfo},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionRightToLeft},
    {TMenuEntry::Bar, "ヘルプ(&H)", &F::MainMenuHelp},
    {TMenuEntry::Command, nullptr, nullptr, &F::ActionAbout},
};

// The folder list's shortcut menu; null is a separator.
TAction* TFormFennoro::* const ListMenuItems[] = {
    &F::ActionCheckSelected, &F::ActionUncheckSelected, nullptr, &F::ActionSelectAll, nullptr, &F::ActionRenumberPages,
};

// The toolbar's buttons; null is a separator.
TAction* TFormFennoro::* const ToolBarButtons[] = {
    &F::ActionSelectFolder, nullptr,           &F::ActionRecursive,    &F::ActionNumbered,
    &F::ActionNumberedAbout, &F::ActionSilentArchive, &F::ActionRemoveFolder, nullptr,
    &F::ActionFind,         &F::ActionCompress, &F::ActionAbort,
};

// The width of every toolbar button and separator together, at a density.
int ToolButtonsExtent(UINT dpi)
{
    int extent = 0;
    for (TAction* TFormFennoro::*command : ToolBarButtons) {
        extent += ScaleToDpi(command ? ToolButtonWidth : ToolSeparatorWidth, dpi);
    }
    return extent;
}

} // namespace

int ToolBarWidthForDpi(int width, UINT fromDpi, UINT toDpi)
{
    // In proportion to the buttons' extent, so that a toolbar showing every button still does.
    return MulDiv(width, ToolButtonsExtent(toDpi), ToolButtonsExtent(fromDpi));
}

TFormFennoro::TFormFennoro() : TForm("TFormFennoro", "Fennoro", FormWidth, FormHeight, MainFont, "ToolImages")
{
    CreateCommands();
    CreateControls();
    CreateMenus();
    CreateToolBar();
    Realign();
    PanelHeader->Realign();

    LoadSettings();
    InitHeaderSortMark(ListView->Handle());
    // The collector initialises OLE on this thread, which the drop target needs.
    TDataCopyDrag::Instance();
    DropTarget = TDropTargetRegistration(
        EditFolder->Handle(),
        [this](HWND window, CLIPFORMAT format, HGLOBAL data, DWORD* effect) { FolderDropped(window, format, data, effect); },
        DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    if (DropTarget) DropTarget->AddFormat(CF_HDROP);
    // Folders dropped onto the list are found as the command line's folders are.
    ListDropTarget = TDropTargetRegistration(
        ListView->Handle(),
        [this](HWND window, CLIPFORMAT format, HGLOBAL data, DWORD* effect) { ListDropped(window, format, data, effect); },
        DROPEFFECT_COPY | DROPEFFECT_LINK);
    if (ListDropTarget) ListDropTarget->AddFormat(CF_HDROP);
    EndConstruction();
}

TFormFennoro::~TFormFennoro()
{
    // No drop may reach the window while it saves and stops.
    DropTarget.Reset();
    ListDropTarget.Reset();
    try {
        SaveSettings();
    } catch (...) {
        TApplication::HandleException();
    }
    try {
        StopWorker();
    } catch (...) {
        TApplication::HandleException();
    }
    FolderList->FlushDrawing();
    ArchiveEntries.clear();
}

void TFormFennoro::CreateControls()
{
    HWND form = Handle();
    PanelHeader = std::make_unique<TPanel>(form, 0, 0, Scale(PanelHeaderLayout.Width), Scale(PanelHeaderLayout.Height),
                                           true);
    ToolBar = std::make_unique<TToolBar>(PanelHeader->Handle(), Images(), Scale(ToolButtonWidth),
                                         Scale(ToolBarLayout.Height), ImageSize());
    PanelEditFolder = std::make_unique<TPanel>(PanelHeader->Handle(), 0, 0, 10, 10, false);
    EditFolder = std::make_unique<TEdit>(PanelEditFolder->Handle(), 0, 0, 10, 10);
    PanelHeader->AddChild(*ToolBar);
    PanelHeader->AddChild(*PanelEditFolder);
    PanelEditFolder->AddChild(*EditFolder);
    StatusBar = std::make_unique<TStatusBar>(form, Scale(StatusBarLayout.Height));
    ListView = std::make_unique<TListView>(form, 0, 0, 10, 10);
    // The remark column takes the rest of the width; a remark still cut shows whole on hover.
    ListView->SetFillLastColumn(true);
    ListView->EnableCellTips();
    PlaceControls();
    for (int column = 0; column < static_cast<int>(std::size(ListColumns)); ++column) {
        InsertListViewColumn(ListView->Handle(), column, ListColumns[column].Caption, Scale(ListColumns[column].Width));
    }

    AddControl(*PanelHeader);
    AddControl(*StatusBar);
    AddControl(*ListView);
    SetTabOrder({EditFolder.get(), ListView.get()});
    SetHint(*EditFolder, "検索フォルダ名");

    EditFolder->OnKeyPress = [this](char& key) { EditKeyPress(key); };
    FolderList = std::make_unique<TFolderList>(*ListView, *StatusBar, form);
    ListView->OnItemChecked = [this](int index, bool checked) { FolderList->ItemChecked(index, checked); };
    ListView->OnColumnClick = [this](int column) { ListViewColumnClick(column); };
    ListView->OnEdited = [this](int index, const std::string& text) { return ListViewEdited(index, text); };
    ListView->OnDblClick = [this] { ListViewDblClick(); };
    ListView->OnReturn = [this] { ListViewDblClick(); };
    ListView->OnBeginDrag = [this] { ListViewBeginDrag(); };
    ListView->OnContextMenu = [this](POINT screen) { ListViewContextMenu(screen); };
}

void TFormFennoro::PlaceControls()
{
    Place(*PanelHeader, PanelHeaderLayout, *this);
    Place(*ToolBar, ToolBarLayout, *this);
    Place(*PanelEditFolder, PanelEditFolderLayout, *this);
    PanelEditFolder->MinWidth = Scale(FolderBoxMinimumWidth);
    Place(*EditFolder, EditFolderLayout, *this);
    Place(*StatusBar, StatusBarLayout, *this);
    Place(*ListView, ListViewLayout, *this);
    ListView->SetDpi(Dpi());
}

void TFormFennoro::DpiChanged(UINT oldDpi)
{
    const int toolBarWidth = ToolBarWidthForDpi(ToolBar->OwnWidth(), oldDpi, Dpi());
    PlaceControls();
    // After the font, which has the toolbar measure its buttons from their pictures.
    ToolBar->SetMetrics(Images(), ImageSize(), Scale(ToolButtonWidth), Scale(ToolBarLayout.Height),
                        Scale(ToolSeparatorWidth));
    ToolBar->SetWidth(toolBarWidth);
    HWND list = ListView->Handle();
    for (int column = 0; column < ListViewColumnCount(list); ++column) {
        const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        if (width > 0) {
            SendMessageW(list, LVM_SETCOLUMNWIDTH, column,
                         MAKELPARAM(MulDiv(width, static_cast<int>(Dpi()), static_cast<int>(oldDpi)), 0));
        }
    }
    PanelHeader->Realign();
}

void TFormFennoro::CreateCommands()
{
    TActionList& actions = Actions();
    for (const TCommandEntry& entry : CommandTable) {
        TAction& action = actions.Add(entry.Category, entry.Caption, entry.Hint, entry.ShortCut, entry.Image,
                                      entry.AutoCheck, entry.Checked);
        this->*entry.Member = &action;
        if (entry.Update) action.OnUpdate = [this, update = entry.Update](TAction& sender) { (this->*update)(sender); };
        if (entry.Execute) {
            action.OnExecute = [this, execute = entry.Execute](TAction& sender) { (this->*execute)(sender); };
        }
    }
}

void TFormFennoro::CreateMenus()
{
    TMainMenu& menu = Menu();
    TMenuItem* submenu = nullptr;
    for (const TMenuEntry& entry : MenuLayout) {
        switch (entry.Kind) {
        case TMenuEntry::Bar: submenu = &menu.AddSubMenu(entry.Caption); break;
        case TMenuEntry::Sub: this->*entry.Member = &submenu->AddSubMenu(entry.Caption); continue;
        case TMenuEntry::Command: submenu->AddItem(*(this->*entry.Action)); continue;
        case TMenuEntry::Separator: submenu->AddSeparator(); continue;
        }
        this->*entry.Member = submenu;
    }
    AttachMenu();
    PopupMenuList = &menu.AddPopupMenu();
    for (TAction* TFormFennoro::*command : ListMenuItems) {
        if (command) {
            PopupMenuList->AddItem(*(this->*command));
        } else {
            PopupMenuList->AddSeparator();
        }
    }
}

void TFormFennoro::CreateToolBar()
{
    for (TAction* TFormFennoro::*command : ToolBarButtons) {
        if (command) {
            ToolBar->AddButton(*(this->*command));
        } else {
            ToolBar->AddSeparator(Scale(ToolSeparatorWidth));
        }
    }
    // The buttons' size once more: the toolbar measured them from their pictures when it got its font.
    ToolBar->SetMetrics(Images(), ImageSize(), Scale(ToolButtonWidth), Scale(ToolBarLayout.Height),
                        Scale(ToolSeparatorWidth));
    ToolBar->SetWidth(ToolBar->ButtonsWidth());
}

void TFormFennoro::FormShow()
{
    if (!FirstShow) return;
    FirstShow = false;
    // Before anything runs on settings the user did not choose.
    if (!SettingsProblem.empty() && !RunsUnattended())
        MessageBoxW(Handle(), WideText(SettingsProblem).c_str(), L"Fennoro", MB_OK | MB_ICONWARNING);
    if (StartFromCommandLine()) return;
    if (ActionAutoFind->Checked()) ActionFind->Execute();
}

void TFormFennoro::EditKeyPress(char& key)
{
    if (key != '\r') return;
    key = 0;
    ActionFind->Execute();
}

void TFormFennoro::FolderDropped(HWND window, CLIPFORMAT format, HGLOBAL data, DWORD*)
{
    TControl* control = TControl::FromHandle(window);
    if (!control || format != CF_HDROP || !data) return;
    HDROP drop = static_cast<HDROP>(data);
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    // A list without a first path cannot be fetched: the box keeps its text.
    if (length == 0) return;
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, 0, path.data(), length + 1);
    if (copied == 0) return;
    path.resize(std::min<size_t>(copied, length));
    std::string text;
    if (ExactUtf8Text(path, text)) control->SetText(text);
}

void TFormFennoro::ActionExitExecute(TAction&) { Close(); }

