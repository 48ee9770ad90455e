#pragma once
// The command line an archiver entry point receives: a command, switches, the
// archive path, the base folder and file patterns, in the form
//     a -r -hide -tzip "D:\pics\trip.zip" "D:\pics\trip\" *
// Tokens are separated by blanks (bytes 0x01..0x20); a token may be enclosed in
// double quotes, a doubled quote inside standing for one quote. Backslashes
// are plain characters. Neither the quote nor the blank occurs as a trail byte
// of code page 932, so the scan is byte-wise. Platform-free.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct TArchiverToken {
    std::string Text;
    bool Quoted = false;  // written in double quotes: never a switch
};

// Splits a command line into tokens. Throws TArchiverError (ArchiverBadCommandLine)
// for an unterminated quote.
std::vector<TArchiverToken> SplitArchiverCommandLine(std::string_view line);

struct TArchiverCommandLine {
    std::string Command;                 // the first token, as written
    std::vector<std::string> Switches;   // unquoted tokens beginning with '-', in order
    std::string ArchivePath;             // first argument that is not a switch
    std::string BaseFolder;              // second one, as written (a trailing separator is usual)
    std::vector<std::string> Patterns;   // the rest; {"*"} when none is given
};

// What one library accepts. Commands and switches are compared without regard
// to ASCII case by IsSwitch itself; switches may stand anywhere after the command.
struct TArchiverSyntax {
    std::vector<std::string> Commands;                  // e.g. {"a"} or {"-a"}
    std::function<bool(std::string_view)> IsSwitch;    // the token with its '-'
};

// Parses and checks a command line. Throws TArchiverError (ArchiverBadCommandLine)
// with a Japanese message naming the unknown command or switch, or the missing
// archive path or base folder.
TArchiverCommandLine ParseArchiverCommandLine(std::string_view line, const TArchiverSyntax& syntax);

// ASCII case-insensitive equality, for commands and switches.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// True when the pattern takes every file: "*" or "*.*".
bool IsMatchAllPattern(std::string_view pattern);
