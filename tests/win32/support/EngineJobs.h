#pragma once
// Runs the worker's two jobs to their end for a test, serving their calls on
// this thread, and the fixture archiver's script.
#include "engine/win32/UnitThreadFennoro.h"
#include "win32/support/EngineTestOwner.h"

#include <string>
#include <vector>

struct EngineFindOptions {
    std::string Extensions = ".jpg;.png;.gif";
    bool Recursive = false;
    bool Numbered = true;
    bool NumberedAbout = false;
    bool VerifyImages = false;
    bool DeepImages = false;  // with VerifyImages
    std::string ArchiveExtension;  // judges the fit folders' archives beside them
    bool InTree = false;           // book folders at any depth
    std::string IgnoredFiles;      // the names that are no pages
    std::vector<std::string> ArchiveExtensions;  // every format's
};

// running points at the worker while it exists.
void EngineFind(EngineTestOwner& owner, const std::string& root, const EngineFindOptions& options = {},
                TThreadFennoro** running = nullptr);

// The fixture archiver library with a zip-like template, by default.
struct EngineCompressOptions {
    std::string Extension = ".zip";
    std::string Quiet;
    bool RemoveFolder = false;
    std::string Template = R"(a -r $Q -tzip "$A" "$D" *)";
    std::string Function = "Fixture";
    std::string Dll = "fixture_archiver.dll";
    TCompressJobExtras Extras;
};

// A bundled archiver's default profile (".zip", ".7z", ".lzh", ".cab") with
// quiet compression on, as the compress command would take it.
EngineCompressOptions EngineBundledProfile(const std::string& extension);

void EngineCompress(EngineTestOwner& owner, const EngineCompressOptions& options = {},
                    TThreadFennoro** running = nullptr);

// The fixture archiver's script (environment variables it reads at every call),
// set for the duration of a test and cleared after it.
class EngineScript {
public:
    EngineScript() = default;
    EngineScript(const EngineScript&) = delete;
    EngineScript& operator=(const EngineScript&) = delete;
    ~EngineScript();
    EngineScript& Set(const char* name, const std::string& value);

private:
    std::vector<const char*> Names;
};

// The row of the folder has these values (the state too, unless omitted).
void EngineExpectRow(const EngineTestOwner& owner, const std::string& name, bool checked, const std::string& result,
                     const std::string& remark);
void EngineExpectRow(const EngineTestOwner& owner, const std::string& name, bool checked, FolderCompressState state,
                     const std::string& result, const std::string& remark);
