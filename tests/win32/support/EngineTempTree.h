#pragma once
// A temporary folder tree for one test, built through the wide file API (so that
// paths longer than MAX_PATH and names outside the ANSI code page work too) and
// removed with everything in it when the object goes.
#include <windows.h>

#include <string>
#include <vector>

class EngineTempTree {
public:
    // The root is a new folder in the temporary directory whose name starts with
    // the stem (which may hold double-byte characters, trail byte 0x5C included).
    explicit EngineTempTree(const std::string& stem = "fennoro-engine");
    ~EngineTempTree();
    EngineTempTree(const EngineTempTree&) = delete;
    EngineTempTree& operator=(const EngineTempTree&) = delete;

    // The root folder with a trailing separator.
    const std::string& Root() const { return RootPath; }
    // The root joined with a relative path ("a\\b").
    std::string Path(const std::string& relative) const { return RootPath + relative; }
    // The same in the wide "\\?\" form, which reaches any length.
    std::wstring WidePath(const std::string& relative) const;

    // Creates the folder and any missing parents.
    void Folder(const std::string& relative) const;
    // Creates the file (and its parents) with the content and extra attributes.
    void File(const std::string& relative, const std::string& content = {}, DWORD attributes = 0) const;
    // Creates a file or folder with a wide name (one the ANSI code page may lack)
    // in an existing folder ("" for the root).
    void WideFile(const std::string& folder, const std::wstring& name, const std::string& content = {}) const;
    void WideFolder(const std::string& folder, const std::wstring& name) const;
    // Creates a file system link to a folder as the platform's own tools would,
    // so that it looks to the program like any link a user may have (under Wine:
    // a Unix symbolic link). False when links cannot be made here.
    bool FolderLink(const std::string& relative, const std::string& target);
    // Shows the target folder's content again at an existing empty folder (under
    // Wine: a Unix bind mount), which looks like an ordinary folder, not like a
    // link. The target must hold the named marker file. readOnly: nothing can be
    // written there, whoever asks. False when it cannot be made.
    bool FolderBind(const std::string& relative, const std::string& target, const std::string& marker,
                    bool readOnly = false);
    // Makes the existing empty folder a volume of its own of about the given size
    // (under Wine: a Unix tmpfs), so that it fills up. False when it cannot be made.
    bool SmallVolume(const std::string& relative, unsigned kilobytes);

    // Runs a shell script on the host in the root's Unix folder (under Wine), for
    // trees and names the Windows API would not make; the script ends by making
    // `seen`. The folder `made` (if any) is removed by the host when the tree goes (it may
    // be deeper than Windows reaches). False when it cannot be done here.
    bool HostMake(const std::string& script, const std::string& seen, const std::string& made);

    bool IsFile(const std::string& relative) const;
    bool IsFolder(const std::string& relative) const;
    // The file's content; empty when it cannot be read.
    std::string Read(const std::string& relative) const;
    // The names in a folder ("" for the root) as the wide API gives them, sorted.
    std::vector<std::wstring> Names(const std::string& folder) const;

private:
    // A link or mount made through the host, undone before the tree is removed.
    struct HostEntry {
        std::string UnixPath;
        std::string Relative;
        std::string Seen;  // relative path that exists while the entry is in place
        const char* UndoCommand;
    };
    bool Undo(const HostEntry& entry) const;

    std::string RootPath;
    std::vector<HostEntry> HostEntries;
};

// Runs a host program (under Wine: a Unix program named by its absolute path) with
// a command line given in UTF-8, its arguments split by the Windows rules, and
// waits for its end; true when it exited with 0. False where there is no host,
// and, with a failure, when it has not ended within a minute.
bool EngineRunProcess(const std::string& commandLine);

// The Unix path (UTF-8) of a Windows path under Wine; empty elsewhere.
std::string EngineUnixPath(const std::string& windowsPath);

// The folder where the recycle bin keeps the moved items (under Wine: the
// sandbox's $XDG_DATA_HOME/Trash/files), with a trailing separator; empty when unknown.
std::string EngineRecycleBinFiles();

// The record the recycle bin keeps of an item (under Wine: its .trashinfo text,
// with the original Unix path); empty when there is none.
std::string EngineRecycleBinInfo(const std::string& name);

// Removes what this test moved to the recycle bin under that name, with its record.
void EngineForgetRecycled(const std::string& name);
