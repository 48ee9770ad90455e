// Aborting or closing at any moment of a job: at every call the worker makes,
// it ends without hanging, and no row, folder or archive is lost.
#include "engine/win32/UnitThreadFennoro.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// How the job is ended at the chosen call.
enum class Ending {
    Abort,  // the abort command: a stop request inside the call
    Close,  // the window closes: the worker is destroyed right after the call
};

// Runs the worker made by start, ending it at call number `at` (never when the job
// makes fewer calls); returns the number of calls it made.
template <typename Start>
int RunEndingAt(EngineTestOwner& owner, Ending ending, int at, Start start)
{
    int calls = 0;
    bool close = false;
    std::unique_ptr<TThreadFennoro> worker;
    owner.OnCall = [&](const char*) {
        if (++calls != at) return;
        if (ending == Ending::Abort) {
            worker->RequestStop();
        } else {
            close = true;
        }
    };
    worker = start();
    // Serve the worker's calls until it ends or the window closes.
    while (!worker->Finished() && !close) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    worker.reset();  // the window's end: stop request, then wait serving the calls
    owner.OnCall = nullptr;
    return calls;
}

struct RowText {
    std::string Name, Result, Remark;
    bool Checked;
    bool operator==(const RowText&) const = default;
};

std::vector<RowText> Texts(const EngineTestOwner& owner)
{
    std::vector<RowText> rows;
    for (const auto& row : owner.Rows) rows.push_back({row->Name, row->Result, row->Remark, row->Checked});
    return rows;
}

void MakeFindTree(EngineTempTree& tree)
{
    tree.File("a\\01.jpg");
    tree.File("a\\02.jpg");
    tree.Folder("b");
    tree.File("c\\readme.txt");
    tree.File("d\\01.jpg");
    tree.File("d\\e\\01.jpg");
    tree.File("d\\e\\f\\01.png");
    tree.File("g\\01.jpg");
    tree.File("g\\03.jpg");
    for (int i = 10; i < 30; ++i) tree.File("h\\" + std::to_string(i) + ".jpg");
}

} // namespace

TEST(StopAtEveryStep, TheFindKeepsTheRowsItHasMade)
{
    EngineTempTree tree;
    MakeFindTree(tree);
    EngineFindOptions options;
    options.Recursive = true;
    const auto find = [&](EngineTestOwner& owner) {
        return std::make_unique<TThreadFennoro>(owner, tree.Root(), options.Extensions, options.Recursive,
                                                options.Numbered, options.NumberedAbout);
    };
    EngineTestOwner reference;
    const int steps = RunEndingAt(reference, Ending::Abort, 0, [&] { return find(reference); });
    const std::vector<RowText> full = Texts(reference);
    ASSERT_EQ(full.size(), 6u);
    ASSERT_EQ(reference.Statuses.back(), "検索が終了しました");
    ASSERT_GT(steps, 10);

    for (Ending ending : {Ending::Abort, Ending::Close}) {
        for (int at = 1; at <= steps; ++at) {
            SCOPED_TRACE((ending == Ending::Abort ? "abort at call " : "close after call ") + std::to_string(at));
            EngineTestOwner owner;
            RunEndingAt(owner, ending, at, [&] { return find(owner); });
            const std::vector<RowText> rows = Texts(owner);
            ASSERT_LE(rows.size(), full.size());
            // Every row but the last is what a full search gives; the last may be the interrupted one.
            for (size_t i = 0; i + 1 < rows.size(); ++i) EXPECT_EQ(rows[i], full[i]) << i;
            bool interrupted = false;
            if (!rows.empty() && !(rows.back() == full[rows.size() - 1])) {
                EXPECT_EQ(rows.back(), (RowText{full[rows.size() - 1].Name, "中断されました", "", false}));
                interrupted = true;
            }
            if (interrupted || rows.size() < full.size()) {
                EXPECT_EQ(owner.Statuses.back(), "検索を中断しました");
            }
            EXPECT_EQ(owner.Clears, 1);
        }
    }
}

TEST(StopAtEveryStep, TheCompressionLosesNothing)
{
    const std::string bin = EngineRecycleBinFiles();
    if (bin.empty()) GTEST_SKIP() << "no recycle bin folder known here";
    EngineScript script;
    int steps = 0;
    std::vector<std::string> recycled;
    // The first pass ends nowhere and counts the calls.
    for (Ending ending : {Ending::Abort, Ending::Close}) {
        for (int at = steps == 0 ? 0 : 1; at == 0 || at <= steps; ++at) {
            SCOPED_TRACE((ending == Ending::Abort ? "abort at call " : "close after call ") + std::to_string(at));
            EngineTempTree tree;
            EngineTestOwner owner(true);
            // Unique names: the recycle bin keeps them.
            const std::string stem = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
                                     std::to_string(at) + (ending == Ending::Abort ? "a" : "c");
            const std::vector<std::string> names = {"one-" + stem, "bad-" + stem, "two-" + stem};
            for (const std::string& name : names) {
                tree.File(name + "\\01.jpg", name);
                tree.File(name + "\\02.jpg", "page");
                owner.Add(tree.Root(), name, true);
            }
            script.Set("FENNORO_FIXTURE_FAIL_IF", "bad-" + stem + ".zip");
            EngineDialogAnswerer answerer(IDYES);
            const int calls = RunEndingAt(owner, ending, at, [&] {
                return std::make_unique<TThreadFennoro>(owner, ".zip", "", true, R"(a -r $Q -tzip "$A" "$D" *)",
                                                        "Fixture", "fixture_archiver.dll");
            });
            if (at == 0) {
                steps = calls;
                ASSERT_GT(steps, 10);
                EXPECT_EQ(owner.Statuses.back(), "圧縮が終了しました");
            }

            ASSERT_EQ(owner.RowCount(), names.size());
            for (const auto& row : owner.Rows) {
                const std::string& name = row->Name;
                EXPECT_NE(row->CompressState, FolderCompressState::FailedThisRun) << name;
                if (row->CompressState == FolderCompressState::Compressed) {
                    // Archived: the archive is there, the folder in the recycle bin with its files.
                    EXPECT_FALSE(row->Checked) << name;
                    EXPECT_EQ(row->Result, "*圧縮しました") << name;
                    EXPECT_TRUE(tree.IsFile(name + ".zip")) << name;
                    EXPECT_FALSE(tree.IsFolder(name)) << name;
                    EXPECT_NE(GetFileAttributesA((bin + name + "\\01.jpg").c_str()), INVALID_FILE_ATTRIBUTES) << name;
                    recycled.push_back(name);
                } else {
                    // Not archived: the folder as it was, no archive, the row checked for the next run.
                    EXPECT_TRUE(row->Checked) << name;
                    EXPECT_EQ(tree.Read(name + "\\01.jpg"), name);
                    EXPECT_TRUE(tree.IsFile(name + "\\02.jpg")) << name;
                    EXPECT_FALSE(tree.IsFile(name + ".zip")) << name;
                }
            }
            const std::string& last = owner.Statuses.back();
            EXPECT_TRUE(last == "圧縮を中断しました" || last == "圧縮が終了しました") << last;
        }
    }
    for (const std::string& name : recycled) EngineForgetRecycled(name);
}
