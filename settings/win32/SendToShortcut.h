#pragma once
// The program's shortcut in the user's Send To folder (Explorer's 送る menu),
// made and taken out through the shell's link object: no registry value is
// written. COM must be initialised on the calling thread.
#include <string>

// The shortcut's path, "...\SendTo\Fennoro.lnk"; empty when the system names no
// Send To folder.
std::wstring SendToShortcutPath();

// True when a file is at the shortcut's path.
bool ShortcutExists(const std::wstring& linkPath);

// Makes (or replaces) a shortcut at linkPath to the program at target, starting
// in the program's folder. False when the shell refuses; the reason in error.
bool MakeShortcut(const std::wstring& linkPath, const std::wstring& target, std::string& error);

// The program a shortcut starts; empty when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& linkPath);

// Deletes the shortcut; true when none is left there.
bool RemoveShortcut(const std::wstring& linkPath);

// This program's own full path.
std::wstring ProgramPath();
