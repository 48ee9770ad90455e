#pragma once
// The record file on disk: lines appended, the header first when the file is new.
#include <string>

// Appends the line to the file at path (UTF-8, any length), creating it with
// JobLogHeader when it is missing or empty. False when it cannot be written (a
// folder without write access, a spreadsheet holding the file locked).
bool AppendJobLog(const std::string& path, const std::string& line);

// The local time now, as the record writes it: "2026-12-08 02:45:31".
std::string JobLogTime();
