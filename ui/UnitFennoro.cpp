// The main window: layout, command table, menus, toolbar, start-up and shutdown,
// the folder box's keys and drops.
#include "ui/UnitFennoro.h"

#include "listview/win32/ListViewUtility.h"
#include "transfer/TDataCopyDrag.h"
#include "transfer/TDataDropAccept.h"
#include "toolkit/TApplication.h"

#include <shellapi.h>

namespace {

constexpr TFontSpec MainFont{"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET};
constexpr int FormWidth = 640;
constexpr int FormHeight = 480;

// The layout: where each component sits in its parent, in pixels.
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
constexpr int ToolButtonWidth = 23;
constexpr int ToolSeparatorWidth = 8;

struct ColumnEntry {
    const char* Caption;
    int Width;
};
constexpr ColumnEntry ListColumns[] = {{"フォルダ名", 250}, {"結果", 200}, {"備考", 160}};

template <typename Control>
void Place(Control& control, const LayoutEntry& layout, HFONT font)
{
    control.Align = layout.Align;
    control.RightMargin = layout.RightMargin;
    control.SetBounds(layout.Left, layout.Top, layout.Width, layout.Height);
    control.SetFont(font);
}

} // namespace

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
    EndConstruction();
}

TFormFennoro::~TFormFennoro()
{
    // No drop may reach the window while it saves and stops.
    DropTarget.Reset();
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
    FlushDrawing();
    ArchiveEntries.clear();
}

void TFormFennoro::CreateControls()
{
    HWND form = Handle();
    HFONT font = Font();
    PanelHeader = std::make_unique<TPanel>(form, 0, 0, PanelHeaderLayout.Width, PanelHeaderLayout.Height, true);
    Place(*PanelHeader, PanelHeaderLayout, font);
    ToolBar = std::make_unique<TToolBar>(PanelHeader->Handle(), Images(), ToolButtonWidth, ToolBarLayout.Height);
    Place(*ToolBar, ToolBarLayout, font);
    PanelEditFolder = std::make_unique<TPanel>(PanelHeader->Handle(), 0, 0, 10, 10, false);
    Place(*PanelEditFolder, PanelEditFolderLayout, font);
    EditFolder = std::make_unique<TEdit>(PanelEditFolder->Handle(), 0, 0, 10, 10);
    Place(*EditFolder, EditFolderLayout, font);
    PanelHeader->AddChild(*ToolBar);
    PanelHeader->AddChild(*PanelEditFolder);
    PanelEditFolder->AddChild(*EditFolder);

    StatusBar = std::make_unique<TStatusBar>(form, StatusBarLayout.Height);
    Place(*StatusBar, StatusBarLayout, font);
    ListView = std::make_unique<TListView>(form, 0, 0, 10, 10);
    Place(*ListView, ListViewLayout, font);
    for (int column = 0; column < static_cast<int>(std::size(ListColumns)); ++column) {
        InsertListViewColumn(ListView->Handle(), column, ListColumns[column].Caption, ListColumns[column].Width);
    }

    AddControl(*PanelHeader);
    AddControl(*StatusBar);
    AddControl(*ListView);
    SetTabOrder({EditFolder.get(), ListView.get()});
    SetHint(*EditFolder, "検索フォルダ名");

    EditFolder->OnKeyPress = [this](char& key) { EditKeyPress(key); };
    ListView->OnItemChecked = [this](int index, bool checked) {
        if (FolderRow* row = RowOfItem(index)) row->Checked = checked;
    };
    ListView->OnColumnClick = [this](int column) { ListViewColumnClick(column); };
    ListView->OnEdited = [this](int index, const std::string& text) { return ListViewEdited(index, text); };
    ListView->OnDblClick = [this] { ListViewDblClick(); };
    ListView->OnReturn = [this] { ListViewDblClick(); };
    ListView->OnBeginDrag = [this] { ListViewBeginDrag(); };
}

void TFormFennoro::CreateCommands()
{
    TActionList& actions = Actions();
    // Category, caption, hint (short|long), shortcut, image, auto-check, initial check.
    ActionSelectFolder = &actions.Add("ファイル", "検索フォルダの選択(&S)...", "フォルダ選択|検索フォルダの選択",
                                      CtrlKey('F'), 1);
    ActionFind = &actions.Add("ファイル", "検索の実行(&F)", "検索実行|指定フォルダ内を検索", PlainKey(VK_F5), 5);
    ActionCompress = &actions.Add("ファイル", "圧縮の実行(&C)", "圧縮実行|チェックしたフォルダを圧縮",
                                  PlainKey(VK_F8), 19);
    ActionAbort = &actions.Add("ファイル", "処理の中止(&A)", "処理中止|検索・圧縮の中止", CtrlKey('D'), 14);
    ActionExit = &actions.Add("ファイル", "終了(&X)", "終了|アプリケーションを終了する", CtrlKey('W'), 43);
    ActionCopy = &actions.Add("編集", "コピー(&C)", "コピー|選択部分をコピーし、クリップボードに送る", CtrlKey('C'), 7);
    ActionSelectAll = &actions.Add("編集", "すべてを選択(&A)", "すべてを選択|すべての行を選択", CtrlKey('A'), -1);
    ActionSelectInvert = &actions.Add("編集", "選択の切り替え(&I)", "選択反転|行の選択を反転", CtrlKey('K'), -1);
    ActionAutoFind = &actions.Add("オプション", "起動時等に自動検索する(&E)",
                                  "起動時等自動検索|起動時やフォルダ選択時に自動検索する", CtrlKey('E'), 23, true, false);
    ActionRecursive = &actions.Add("オプション", "再帰検索を行う(&R)", "再帰検索指定|再帰検索を行う", CtrlKey('R'), 15,
                                   true, false);
    ActionNumbered = &actions.Add("オプション", "連番ファイルのみ許容する(&N)", "連番検索指定|連番ファイルのみ許容する",
                                  CtrlKey('N'), 18, true, true);
    ActionNumberedAbout = &actions.Add("オプション", "抜けのある連番は許容する(&A)",
                                       "曖昧連番検索指定|抜けのある連番は許容する", CtrlKey('B'), 22, true, false);
    ActionSilentArchive = &actions.Add("オプション", "静かに圧縮する(&L)", "静粛圧縮指定|静かに圧縮する", CtrlKey('L'),
                                       20, true, true);
    ActionRemoveFolder = &actions.Add("オプション", "圧縮後フォルダを削除する(&M)",
                                      "フォルダ削除指定|圧縮後フォルダを削除する", CtrlKey('M'), 21, true, true);
    ActionAbout = &actions.Add("ヘルプ", "バージョン情報(&A)...", "バージョン|バージョン情報を表示", TShortCut{}, -1);
    ActionRenameFolder = &actions.Add("", "選択フォルダ名の変更(&M)", "フォルダ名変更|選択フォルダ名の変更",
                                      PlainKey(VK_F2), -1);

    auto bind = [this](void (TFormFennoro::*handler)(TAction&)) {
        return [this, handler](TAction& sender) { (this->*handler)(sender); };
    };
    ActionSelectFolder->OnExecute = bind(&TFormFennoro::ActionSelectFolderExecute);
    ActionFind->OnExecute = bind(&TFormFennoro::ActionFindExecute);
    ActionCompress->OnExecute = bind(&TFormFennoro::ActionCompressExecute);
    ActionAbort->OnExecute = bind(&TFormFennoro::ActionAbortExecute);
    ActionExit->OnExecute = bind(&TFormFennoro::ActionExitExecute);
    ActionAbout->OnExecute = bind(&TFormFennoro::ActionAboutExecute);
    ActionRenameFolder->OnExecute = bind(&TFormFennoro::ActionRenameFolderExecute);
    ActionCopy->OnExecute = bind(&TFormFennoro::ActionCopyExecute);
    ActionSelectAll->OnExecute = bind(&TFormFennoro::ActionSelectAllExecute);
    ActionSelectInvert->OnExecute = bind(&TFormFennoro::ActionSelectInvertExecute);

    ActionFind->OnUpdate = bind(&TFormFennoro::ActionFindUpdate);
    ActionCompress->OnUpdate = bind(&TFormFennoro::ActionCompressUpdate);
    ActionAbort->OnUpdate = bind(&TFormFennoro::ActionAbortUpdate);
    for (TAction* action : {ActionSelectFolder, ActionAutoFind, ActionRecursive, ActionNumbered, ActionSilentArchive,
                            ActionRemoveFolder}) {
        action->OnUpdate = bind(&TFormFennoro::ActionUpdateEnableAlways);
    }
    ActionSelectAll->OnUpdate = bind(&TFormFennoro::ActionUpdateEnableExistsLines);
    ActionCopy->OnUpdate = bind(&TFormFennoro::ActionUpdateEnableSelectLines);
    ActionSelectInvert->OnUpdate = bind(&TFormFennoro::ActionUpdateEnableSelectLines);
    ActionRenameFolder->OnUpdate = bind(&TFormFennoro::ActionUpdateEnableFocusLine);
    ActionNumberedAbout->OnUpdate = bind(&TFormFennoro::ActionNumberedAboutUpdate);
}

void TFormFennoro::CreateMenus()
{
    TMainMenu& menu = Menu();
    MainMenuFile = &menu.AddSubMenu("ファイル(&F)");
    MainMenuFile->AddItem(*ActionSelectFolder);
    MainMenuFile->AddSeparator();
    MainMenuFile->AddItem(*ActionFind);
    MainMenuFile->AddItem(*ActionCompress);
    MainMenuFile->AddItem(*ActionAbort);
    MainMenuFile->AddSeparator();
    MainMenuFile->AddItem(*ActionExit);

    MainMenuEdit = &menu.AddSubMenu("編集(&E)");
    MainMenuEdit->AddItem(*ActionCopy);
    MainMenuEdit->AddSeparator();
    MainMenuEdit->AddItem(*ActionSelectAll);
    MainMenuEdit->AddItem(*ActionSelectInvert);

    MainMenuOption = &menu.AddSubMenu("オプション(&O)");
    MainMenuOption->AddItem(*ActionAutoFind);
    MainMenuOption->AddItem(*ActionRecursive);
    MainMenuOption->AddItem(*ActionNumbered);
    MainMenuOption->AddItem(*ActionNumberedAbout);
    MainMenuExtensions = &MainMenuOption->AddSubMenu("許容拡張子(&E)");
    MainMenuOption->AddSeparator();
    MainMenuOption->AddItem(*ActionSilentArchive);
    MainMenuOption->AddItem(*ActionRemoveFolder);
    MainMenuArchiveExtension = &MainMenuOption->AddSubMenu("圧縮形式(&H)");

    MainMenuHelp = &menu.AddSubMenu("ヘルプ(&H)");
    MainMenuHelp->AddItem(*ActionAbout);
    AttachMenu();
}

void TFormFennoro::CreateToolBar()
{
    ToolBar->AddButton(*ActionSelectFolder);
    ToolBar->AddSeparator(ToolSeparatorWidth);
    ToolBar->AddButton(*ActionRecursive);
    ToolBar->AddButton(*ActionNumbered);
    ToolBar->AddButton(*ActionNumberedAbout);
    ToolBar->AddButton(*ActionSilentArchive);
    ToolBar->AddButton(*ActionRemoveFolder);
    ToolBar->AddSeparator(ToolSeparatorWidth);
    ToolBar->AddButton(*ActionFind);
    ToolBar->AddButton(*ActionCompress);
    ToolBar->AddButton(*ActionAbort);
    ToolBar->SetWidth(ToolBar->ButtonsWidth());
}

void TFormFennoro::FormShow()
{
    if (!FirstShow) return;
    FirstShow = false;
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
    const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    // A list without a first path cannot be fetched: the box keeps its text.
    if (length == 0) return;
    std::string path(static_cast<size_t>(length) + 1, '\0');
    const UINT copied = DragQueryFileA(drop, 0, path.data(), length + 1);
    if (copied == 0) return;
    path.resize(std::min<size_t>(copied, length));
    control->SetText(path);
}

void TFormFennoro::ActionExitExecute(TAction&) { Close(); }

HWND TFormFennoro::OwnerWindow() const { return Handle(); }
