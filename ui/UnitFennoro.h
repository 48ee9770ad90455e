#pragma once
// The main window: the folder box, the folder list, the status bar, the command
// table with its menus and toolbar, the settings, and at most one worker. The
// rows live in the folder-list model beside it, which is the worker's owner.
#include "engine/win32/UnitThreadFennoro.h"
#include "settings/StartOptions.h"
#include "toolkit/TEdit.h"
#include "toolkit/TForm.h"
#include "toolkit/TListView.h"
#include "toolkit/TPanel.h"
#include "toolkit/TStatusBar.h"
#include "toolkit/TToolBar.h"
#include "transfer/TDataDropAccept.h"
#include "ui/FolderList.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A toolbar width at one density given at another, in proportion to the buttons'
// extent: a toolbar that shows every button still does.
int ToolBarWidthForDpi(int width, UINT fromDpi, UINT toDpi);

struct FennoroSettings;

// An allowed extension the menu can show as it is: more than its dot, and no "&",
// which a menu takes for a mnemonic and the plain caption drops.
bool IsMenuExtension(const std::string& extension);

class TFormFennoro final : public TForm {
public:
    // Builds the window, loads the settings, prepares the list header and
    // registers the folder box as a drop target for folders.
    TFormFennoro();
    // Closes the drop target, saves the settings (with the options on screen),
    // then stops the worker, serving its calls while it ends.
    ~TFormFennoro() override;

    // Components.
    std::unique_ptr<TPanel> PanelHeader;
    std::unique_ptr<TPanel> PanelEditFolder;
    std::unique_ptr<TEdit> EditFolder;
    std::unique_ptr<TToolBar> ToolBar;
    std::unique_ptr<TListView> ListView;
    std::unique_ptr<TStatusBar> StatusBar;

    // The command table.
    TAction* ActionSelectFolder;
    TAction* ActionFind;
    TAction* ActionCompress;
    TAction* ActionAbort;
    TAction* ActionExit;
    TAction* ActionCopy;
    TAction* ActionSelectAll;
    TAction* ActionSelectInvert;
    TAction* ActionAutoFind;
    TAction* ActionRecursive;
    TAction* ActionNumbered;
    TAction* ActionNumberedAbout;
    TAction* ActionSilentArchive;
    TAction* ActionRemoveFolder;
    TAction* ActionAbout;
    TAction* ActionRenameFolder;
    TAction* ActionVerifyImages;
    TAction* ActionDeepImageCheck;
    TAction* ActionCheckSelected;
    TAction* ActionUncheckSelected;
    TAction* ActionOpenLog;
    TAction* ActionAddExtension;
    TAction* ActionSendTo;
    TAction* ActionFindInTree;
    TAction* ActionRenumberPages;
    TAction* ActionRightToLeft;

    // The menus that the commands do not fill: the submenus built from the settings.
    TMenuItem* MainMenuFile;
    TMenuItem* MainMenuEdit;
    TMenuItem* MainMenuOption;
    TMenuItem* MainMenuHelp;
    TMenuItem* MainMenuExtensions;
    TMenuItem* MainMenuArchiveExtension;
    TMenuItem* MainMenuComicInfo;
    // The folder list's shortcut menu.
    TMenuItem* PopupMenuList;

    // The archiver profiles as "extension=profile" lines, in settings order.
    std::vector<std::string> ArchiveEntries;
    // The names that are no pages, as the settings hold them (a ";" list).
    std::string IgnoredFiles;
    // What every find takes beside its options: the names that are no pages, the archive formats.
    TFindJobExtras FindExtras() const;
    // The language ComicInfo.xml names, as the settings hold it.
    std::string ComicInfoLanguage = "ja";

    // A worker exists and its job is still running.
    bool IsRunning() const noexcept;
    // Ends and frees the worker: asks a running one to stop, then waits for it
    // while serving its synchronous calls. Nothing when there is none.
    void StopWorker();
    // The worker of the last job (running or finished), or null.
    TThreadFennoro* Worker() const noexcept { return CurrentWorker.get(); }
    // The rows of the list and what a job reports to it.
    TFolderList& Folders() noexcept { return *FolderList; }
    // The folder box's drop target; null when it could not be made.
    TDataDropAccept* FolderDropTarget() const noexcept { return DropTarget.Get(); }

    // The settings file beside the executable, read once and written once.
    void LoadSettings();
    void SaveSettings();
    // Why the settings file could not be read (empty when it could): shown in a
    // message box when the window first appears.
    std::string SettingsProblem;
    // The file could not be read at start: it is moved aside at the save, never written over.
    bool SettingsUnreadable = false;

    // Handlers of the command table.
    void ActionSelectFolderExecute(TAction& sender);
    void ActionFindExecute(TAction& sender);
    void ActionCompressExecute(TAction& sender);
    void ActionAbortExecute(TAction& sender);
    void ActionExitExecute(TAction& sender);
    void ActionAboutExecute(TAction& sender);
    void ActionFindUpdate(TAction& sender);
    void ActionCompressUpdate(TAction& sender);
    void ActionAbortUpdate(TAction& sender);
    void ActionUpdateEnableAlways(TAction& sender);
    void ActionUpdateEnableExistsLines(TAction& sender);
    void ActionUpdateEnableSelectLines(TAction& sender);
    void ActionUpdateEnableFocusLine(TAction& sender);
    void ActionNumberedAboutUpdate(TAction& sender);
    void ActionDeepImageCheckUpdate(TAction& sender);
    // The record of the compress jobs: opened with the program that shows its kind.
    void ActionOpenLogExecute(TAction& sender);
    // The program's shortcut in Explorer's Send To menu: checked while it is there;
    // choosing it puts it there or takes it out.
    void ActionSendToExecute(TAction& sender);
    void ActionSendToUpdate(TAction& sender);
    // A new allowed extension, typed into a small dialog, joins the submenu checked.
    void ActionAddExtensionExecute(TAction& sender);
    // Adds the extension (a leading "." is supplied) to the allowed ones, checked;
    // one already there is checked again. False, with a status text, when it is no
    // extension a file name can end with.
    bool AddAllowedExtension(const std::string& text);

    // The record of the compress jobs, beside the settings file.
    static std::string JobLogFileName();

    // The folder list: sort, rename in place, open, drag out, copy, select.
    void ListViewColumnClick(int column);
    bool ListViewEdited(int index, const std::string& text);
    void ListViewDblClick();
    void ListViewBeginDrag();
    void ActionRenameFolderExecute(TAction& sender);
    void ActionCopyExecute(TAction& sender);
    void ActionSelectAllExecute(TAction& sender);
    void ActionSelectInvertExecute(TAction& sender);
    void ActionCheckSelectedExecute(TAction& sender);
    void ActionUncheckSelectedExecute(TAction& sender);
    void ActionRenumberPagesExecute(TAction& sender);
    void ListViewContextMenu(POINT screen);
    // How the list opens a folder or an archive: the shell, unless a test looks on.
    using TShellLauncher = void (*)(const std::string& file, const std::string& parameters);
    static TShellLauncher ShellLauncher;

    // A character typed into the folder box: Enter runs the search.
    void EditKeyPress(char& key);
    // A folder (or file) dropped onto the folder box: its first path becomes the box's text.
    void FolderDropped(HWND window, CLIPFORMAT format, HGLOBAL data, DWORD* effect);

    void Idle() override;

    // What the command line asked for (checked by CheckStartOptions): given once,
    // before the window is first shown, which then runs it. Nothing of it is saved.
    void SetStartOptions(const TStartOptions& options);
    // The program's exit code once the window has closed (TExitCode).
    int ExitCode() const noexcept { return StartExitCode; }
    // The job runs by itself: no message box may wait for an answer.
    bool RunsUnattended() const noexcept { return StartJob.Unattended(); }
    // A find over exactly these folders (full paths), each judged as a folder
    // directly below its own parent; a single folder is searched like the folder
    // box unless it is what is left of a list.
    void FindFolders(const std::vector<std::string>& folders, bool list = false);
    // Folders dropped onto the list: found as the command line's folders are.
    void ListDropped(HWND window, CLIPFORMAT format, HGLOBAL data, DWORD* effect);

private:
    void CreateControls();
    // Places, sizes and fonts of the controls at the form's density.
    void PlaceControls();
    void DpiChanged(UINT oldDpi) override;
    void CreateCommands();
    void CreateMenus();
    void CreateToolBar();
    // A refusal or other text of the window itself: shown at once, replacing a job's pending text.
    void SetStatusText(const std::string& text) { FolderList->SetStatusText(text); }
    // The plain caption of the checked archive format; empty when none is.
    std::string CheckedArchiveExtension() const;
    // The ComicInfo.xml submenu: filled from the settings' value, read back as the mode checked.
    void FillComicInfoMenu(int32_t mode);
    int32_t CheckedComicInfoMode() const;
    TComicInfoOptions ChosenComicInfo() const;
    // The rows judged again for their archives once the format changed, when no job runs.
    void JudgeArchivesForFormat();

    void FormShow() override;
    // The command line's part of the first showing; false when it asked for nothing.
    bool StartFromCommandLine();
    // Once a job the command line asked for has ended: the next step, the exit code, the end.
    void AdvanceStartJob();
    // Puts back into the settings to save what the command line changed only for this run.
    void KeepSettingsFromStart(FennoroSettings& settings) const;
    enum class TStartPhase { None, Finding, Compressing, Done };
    enum class TStartRemoval { Ask, Recycle, Keep };
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::unique_ptr<TFolderList> FolderList;
    std::unique_ptr<TThreadFennoro> CurrentWorker;
    // Revoked and released first when the window goes (the destructor resets it).
    TDropTargetRegistration DropTarget;
    bool FirstShow = true;
    // The command line's job and how far it has come.
    TStartOptions StartJob;
    TStartPhase StartPhase = TStartPhase::None;
    TStartRemoval StartRemoval = TStartRemoval::Ask;
    int StartExitCode = ExitDone;
    // The folder box and format as the settings gave them, and as the command line set them.
    std::string SettingsPath, StartPath;
    int SettingsFormatIndex = -1, StartFormatIndex = -1;
    // Where the Send To shortcut goes (asked of the system once).
    std::wstring SendToPath;
    bool SendToPathKnown = false;
    // The list's drop target for folders.
    TDropTargetRegistration ListDropTarget;
    // The archive format the rows' "archive exists" verdicts were judged for.
    std::string RowsJudgedFor;
    // Allowed extensions of the settings file that the menu cannot show as they are
    // (IsMenuExtension), with their checks: never offered, written back as they were.
    std::vector<std::pair<std::string, bool>> ExtensionsAside;
};
