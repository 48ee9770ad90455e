#pragma once
// What the program is told on its command line: the folders to work on and the
// switches of a job that runs by itself. Platform-free: the entry point hands it
// the command line in UTF-8.
#include <string>
#include <string_view>
#include <vector>

// The exit codes a script reads.
enum TExitCode : int {
    ExitDone = 0,         // every checked folder was archived (or no job was asked for)
    ExitFailed = 1,       // a folder failed, the job was stopped or could not start
    ExitBadArguments = 2, // a switch or folder could not be used: nothing ran
};

struct TStartOptions {
    // The folders, as full paths without the "\\?\" prefix and without a trailing
    // separator (but for a drive's root, "C:\"), each once, in the order given.
    std::vector<std::string> Folders;
    // How many distinct folders the command line named, those that turn out missing
    // too: with two or more, the list holds the folders themselves, not what is below.
    size_t FoldersNamed = 0;
    bool Compress = false;  // /compress: archive the checked folders once the find is done
    bool Recycle = false;   // /recycle: a job with removal on moves the folders to the recycle bin
    bool Keep = false;      // /keep: a job with removal on keeps the folders
    bool Exit = false;      // /exit: close once the job has ended
    bool Help = false;      // /?: the usage box
    std::string Format;     // /format:.cbz, with its leading dot; empty: as the settings say
    // Each argument that cannot be used, with why: "不明なスイッチです: /x".
    std::vector<std::string> Errors;

    bool NamesList() const noexcept { return FoldersNamed >= 2; }

    // Nobody is there to answer a message box: the job starts and ends the program by itself.
    bool Unattended() const noexcept { return Compress && Exit; }
};

// The command line's arguments after the program's name, split as
// CommandLineToArgvW splits them (blanks separate, double quotes group, 2n
// backslashes before a quote are n, 2n+1 are n and a literal quote, three quotes
// in a row are a literal quote) with one exception Explorer and scripts need:
// a backslash that ends a quoted argument ("C:\books\") stays a backslash, since
// no path holds a double quote.
std::vector<std::string> SplitCommandLineArguments(std::string_view commandLine);

// A folder argument as the program shows and compares it: "\\?\C:\x" is
// "C:\x", "\\?\UNC\s\x" is "\\s\x", "/" is "\", and a trailing separator goes
// (but for "C:\" and "\\").
std::string PlainFolderText(std::string_view argument);

// Reads the whole command line (the program's name first). Switches begin with
// "/" or "-" and are matched without regard to case; anything else is a folder.
// A folder given twice (letter case and a trailing separator aside) counts once.
TStartOptions ParseStartOptions(std::string_view commandLine);

// The usage box's text.
std::string StartOptionsUsage();
