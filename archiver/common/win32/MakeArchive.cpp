#include "archiver/common/win32/MakeArchive.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ArchiveCommit.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/common/win32/ArchiverCall.h"
#include "archiver/common/win32/TextConvert.h"

#include <algorithm>

namespace {

bool HasSwitch(const TArchiverCommandLine& command, std::string_view name)
{
    for (const std::string& s : command.Switches) {
        if (EqualsIgnoringAsciiCase(s, name)) return true;
    }
    return false;
}

// "-xr!pattern": entries of that name left out, at any depth (7-Zip's form).
constexpr std::string_view ExcludeSwitch = "-xr!";

bool IsExcludeSwitch(std::string_view text)
{
    return text.size() > ExcludeSwitch.size() && EqualsIgnoringAsciiCase(text.substr(0, ExcludeSwitch.size()), ExcludeSwitch);
}

std::vector<std::string> ExcludedPatterns(const TArchiverCommandLine& command)
{
    std::vector<std::string> patterns;
    for (const std::string& s : command.Switches) {
        if (IsExcludeSwitch(s)) patterns.push_back(s.substr(ExcludeSwitch.size()));
    }
    return patterns;
}

std::string MakeArchiveSteps(TArchiveFormat& format, HWND window, LPCSTR commandLine)
{
    if (!commandLine) throw TArchiverError(ArchiverBadCommandLine, "コマンドが指定されていません");
    const TArchiverSwitches switches = format.Switches();
    const auto isSwitch = [&](std::string_view text) {
        return EqualsIgnoringAsciiCase(text, switches.Recursive) || EqualsIgnoringAsciiCase(text, switches.Quiet) ||
               IsExcludeSwitch(text) ||
               (switches.IsOwnSwitch && switches.IsOwnSwitch(text));
    };
    const TArchiverCommandLine command = ParseArchiverCommandLine(FromCallText(commandLine), TArchiverSyntax{{switches.Command}, isSwitch});
    format.ReadSwitches(command);
    const TSourceTree tree = CollectSources(command.BaseFolder, command.Patterns, HasSwitch(command, switches.Recursive),
                                            ExcludedPatterns(command));
    format.Prepare(command, tree);

    TProgressWindow progress(!HasSwitch(command, switches.Quiet), window, "圧縮中 - " + command.ArchivePath, command.BaseFolder,
                             tree.FileCount, tree.TotalBytes);
    progress.ThrowIfCancelled();  // the first report: nothing done yet
    TArchiveOutputFile output(command.ArchivePath);
    const std::vector<TEntryDigest> written = format.Write(tree, output, progress);
    // The disk takes the archive while it is read back.
    output.BeginDiskFlush();
    VerifyAndCommit(output, progress, written,
                    [&](const TByteSource& source) { return format.ReadBack(source, command.ArchivePath, progress); });
    RememberVerifiedArchive(output.Identity(), static_cast<size_t>(std::count_if(
                                                   written.begin(), written.end(), [](const TEntryDigest& entry) { return !entry.IsDirectory; })));
    return std::to_string(tree.FileCount) + " 個のファイルを " + command.ArchivePath + " に格納しました";
}

} // namespace

int MakeArchive(TArchiveFormat& format, HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize)
{
    return RunArchiverCall(output, outputSize, [&] { return MakeArchiveSteps(format, window, commandLine); });
}
