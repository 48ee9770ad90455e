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
// a file that exists but cannot be read whole, or is no settings text (it holds
// a NUL, or has the UTF-8 mark but is not UTF-8), gives false. The document
// holds UTF-8: a file with the UTF-8 byte-order mark is read as UTF-8, any other
// in the ANSI code page.
bool TryLoadIniFile(const std::string& fileName, IniDocument& document);
// The same, with an unreadable file taken as empty.
IniDocument LoadIniFile(const std::string& fileName);

// Writes the document beside the file and moves it into place in one step,
// so a failed write leaves the old file whole. False when it could not be written.
// The file is in the ANSI code page while every text fits it, else UTF-8 with
// the byte-order mark.
bool SaveIniFile(const std::string& fileName, const IniDocument& document);

// The main window's load and save in one call each: Load reads the file into
// the settings (defaults for all that is missing); Save reads the file afresh,
// writes the settings over it and puts it back. A file that exists but cannot
// be read is not overwritten, so keys this program does not own are never lost.
void LoadSettingsFile(FennoroSettings& settings, const std::string& fileName);
bool SaveSettingsFile(const FennoroSettings& settings, const std::string& fileName);

// The caption of a menu item (by position) without its "&" markers.
std::string GetPlainCaption(HMENU menu, UINT position);
