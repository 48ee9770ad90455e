#include "win32/support/EngineJobs.h"

#include "base/WideText.h"

#include "engine/ArchiverProfile.h"
#include "settings/FennoroSettings.h"
#include "win32/support/EngineWatchdog.h"

#include <gtest/gtest.h>

namespace {

// Far beyond the slowest job of any test on a loaded machine.
constexpr DWORD JobTimeLimit = 90 * 1000;

} // namespace

void EngineFind(EngineTestOwner& owner, const std::string& root, const EngineFindOptions& options,
                TThreadFennoro** running)
{
    TThreadFennoro worker(owner, root, options.Extensions, options.Recursive, options.Numbered,
                          options.NumberedAbout,
                          !options.VerifyImages ? TPageCheck::Off
                          : options.DeepImages  ? TPageCheck::Deep
                                                : TPageCheck::On,
                          options.ArchiveExtension, TFindJobExtras{options.InTree, options.IgnoredFiles, options.ArchiveExtensions});
    if (running) *running = &worker;
    {
        EngineWatchdog watchdog("the find job", JobTimeLimit);
        worker.WaitFor();
    }
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.FatalMessage(), "");
    if (running) *running = nullptr;
}

EngineCompressOptions EngineBundledProfile(const std::string& extension)
{
    const auto profile =
        ParseArchiverProfile(extension, LookupArchiveEntry(DefaultArchiveEntries(), extension), true);
    EXPECT_TRUE(profile.has_value()) << extension;
    EngineCompressOptions options;
    if (!profile) return options;
    options.Extension = profile->Extension;
    options.Quiet = profile->QuietOption;
    options.Template = profile->CommandTemplate;
    options.Function = profile->FunctionName;
    options.Dll = profile->DllName;
    return options;
}

void EngineCompress(EngineTestOwner& owner, const EngineCompressOptions& options, TThreadFennoro** running)
{
    TThreadFennoro worker(owner, options.Extension, options.Quiet, options.RemoveFolder, options.Template,
                          options.Function, options.Dll, options.Extras);
    if (running) *running = &worker;
    {
        EngineWatchdog watchdog("the compress job", JobTimeLimit);
        worker.WaitFor();
    }
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.FatalMessage(), "");
    if (running) *running = nullptr;
}

EngineScript::~EngineScript()
{
    for (const char* name : Names) SetEnvironmentVariableA(name, nullptr);
}

EngineScript& EngineScript::Set(const char* name, const std::string& value)
{
    SetEnvironmentVariableW(WideText(name).c_str(), WideText(value).c_str());
    Names.push_back(name);
    return *this;
}

void EngineExpectRow(const EngineTestOwner& owner, const std::string& name, bool checked, const std::string& result,
                     const std::string& remark)
{
    const FolderRow& row = owner.Row(name);
    EXPECT_EQ(row.Checked, checked) << name;
    EXPECT_EQ(row.Result, result) << name;
    EXPECT_EQ(row.Remark, remark) << name;
}

void EngineExpectRow(const EngineTestOwner& owner, const std::string& name, bool checked, FolderCompressState state,
                     const std::string& result, const std::string& remark)
{
    EngineExpectRow(owner, name, checked, result, remark);
    EXPECT_EQ(owner.Row(name).CompressState, state) << name;
}
