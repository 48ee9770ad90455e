#pragma once
// The record of the compress jobs: one CSV line per folder a job handled, appended
// to one file a user can read in a text editor and open in a spreadsheet (UTF-8
// with a byte-order mark, which both take as UTF-8).
#include <cstdint>
#include <string>

struct TJobLogEntry {
    std::string Time;     // local time, "2026-12-08 02:45:31"
    std::string Folder;   // full path
    std::string Archive;  // full path
    long long Files = -1; // -1: not counted (the folder was refused before its tree was read)
    uint64_t BytesBefore = 0;
    uint64_t BytesAfter = 0;
    std::string Result;
    std::string Remark;
    bool Recycled = false;
};

// What a new record file begins with: the byte-order mark and the column names.
std::string JobLogHeader();

// One line, CR LF at its end. Every text is quoted; one a spreadsheet would take
// for a formula (=, +, -, @ first) gets an apostrophe in front.
std::string JobLogLine(const TJobLogEntry& entry);
