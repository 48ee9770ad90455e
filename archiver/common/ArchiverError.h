#pragma once
// Failures of an archiver call: a result code for the caller and a Japanese
// message (UTF-8, as every text inside the libraries) for the output buffer. Every failure inside
// an archiver library is thrown as TArchiverError and turned into the return
// value and output text at the entry point (see ArchiverCall.h).
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// Non-zero results of an archiver entry point. Zero means the archive was made.
enum ArchiverResult : int {
    ArchiverOk = 0,
    ArchiverBadCommandLine = 1,  // unknown command or switch, missing argument
    ArchiverArchiveExists = 2,   // the target already exists: never overwritten
    ArchiverSourceError = 3,     // base folder missing, nothing to add, a file unreadable
    ArchiverWriteError = 4,      // the archive could not be created, written or renamed
    ArchiverVerifyError = 5,     // reading the written archive back found a difference
    ArchiverCancelled = 6,       // the user pressed Cancel
    ArchiverBusy = 7,            // another call of the same library is in progress
    ArchiverInternalError = 8,   // out of memory or an unexpected fault
};

class TArchiverError : public std::runtime_error {
public:
    TArchiverError(ArchiverResult code, const std::string& message) : std::runtime_error(message), Code(code) {}
    ArchiverResult Code;
};

// The text of a cancelled call, as the user sees it.
inline constexpr std::string_view CancelledMessage = "中断されました";

// Copies text into an output buffer of bufferSize bytes, always zero-terminated
// within it, never splitting a character: a double-byte one of the ANSI code
// page, or with utf8 a UTF-8 sequence. A null buffer or a size of zero writes nothing.
void CopyToOutputBuffer(char* buffer, size_t bufferSize, std::string_view text, bool utf8 = false);
