#pragma once
// The settings file on disk: its name beside the executable, and whole-file
// reading and writing of an IniDocument.
#include "settings/FennoroSettings.h"
#include "settings/IniDocument.h"

#include <windows.h>

#include <string>

// The executable's full path with its extension replaced by ".ini"
// (appended when the file name has none).
std::string GetSettingsFileName();
// The same rule for any module path.
std::string SettingsFileNameFor(const std::string& modulePath);

// The document of the file. A missing file gives an empty document and true;
// a file that exists but cannot be read whole, or is no settings text, gives
// false, with the reason in `reason` when given. Read as UTF-16 behind its
// byte-order mark (either order), as UTF-8 behind its mark, else in the ANSI
// code page, line by line, so that lines left alone are written back as they were.
// No text holds a NUL, a lone surrogate or a malformed UTF-8 sequence.
bool TryLoadIniFile(const std::string& fileName, IniDocument& document, std::string* reason = nullptr);
// The same, with an unreadable file taken as empty.
IniDocument LoadIniFile(const std::string& fileName);

// Writes the document beside the file and moves it into place in one step,
// so a failed write leaves the old file whole. False when it could not be written.
// The file is in the ANSI code page while every text fits it, else UTF-8 with
// the byte-order mark on a line of its own, which a reader that takes only the
// ANSI code page drops as a line before the first section.
bool SaveIniFile(const std::string& fileName, const IniDocument& document);

// How loading the settings went. A file that exists but cannot be read leaves
// the defaults with removal off (it cannot be known whether the user had turned
// it off), and Problem tells the user why, naming the file.
struct TSettingsLoad {
    bool Unreadable = false;
    std::string Problem;
};

// The main window's load and save in one call each: Load reads the file into
// the settings (defaults for all that is missing); Save reads the file afresh,
// writes the settings over it and puts it back. A file that exists but cannot
// be read, at start (`unreadableAtStart`, the load's Unreadable, whatever the
// file is like by now) or at the save, is never overwritten: it is renamed aside
// (AsideFileName) first, and nothing is written when that fails. Only a file is
// renamed aside: where a folder holds the name, nothing is written.
TSettingsLoad LoadSettingsFile(FennoroSettings& settings, const std::string& fileName);
bool SaveSettingsFile(const FennoroSettings& settings, const std::string& fileName, bool unreadableAtStart = false);

// Where an unreadable settings file goes when the settings are saved: the first
// of "<file>.unreadable", "<file>.unreadable2", ... that does not exist; empty
// when none is free.
std::string AsideFileName(const std::string& fileName);

// The caption of a menu item (by position) without its "&" markers.
std::string GetPlainCaption(HMENU menu, UINT position);
