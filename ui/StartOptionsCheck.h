#pragma once
// The command line's options against the machine: each folder made a full path
// and looked for, the format looked up in the settings' profiles. What cannot be
// used joins the options' errors and leaves the options.
#include "settings/StartOptions.h"

#include <string>
#include <vector>

// profiles: the settings' archive entries ("extension=profile").
void CheckStartOptions(TStartOptions& options, const std::vector<std::string>& profiles);

// One line in the compression record for each error: what an unattended run
// leaves behind when it cannot start (or, with another result, when it fails
// where a person would have seen a message box). False when the record cannot be written.
bool RecordStartErrors(const std::vector<std::string>& errors, const std::string& logPath,
                       const std::string& result = "!起動の指定が正しくありません");
