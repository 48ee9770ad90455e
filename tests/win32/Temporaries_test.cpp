// The bundled libraries' temporaries beside the books: only a leftover that is
// provably theirs goes, and only to the recycle bin; a user's file of a like
// name stays, whatever its name.
#include "archiver/common/win32/TemporaryFile.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(BundledTemporaries, OnlyTheLibrariesOwnLeftoversGoAndOnlyToTheRecycleBin)
{
    const std::string bin = EngineRecycleBinFiles();
    EngineTempTree tree;
    tree.File("book\\01.jpg", "one");
    tree.File("book\\02.jpg", "two");
    // A leftover's name as the libraries give it, unique to this run.
    char ours[80];
    std::snprintf(ours, sizeof ours, "~fennoro-unfinished-%08lx-0123456789abcdef.tmp", GetCurrentProcessId());
    char like[80];
    std::snprintf(like, sizeof like, "~fennoro-unfinished-%08lx-fedcba9876543210.tmp", GetCurrentProcessId());
    const std::string mark(UnfinishedArchiveMark, UnfinishedArchiveMarkSize);
    const struct {
        std::string Name;
        std::string Content;
        bool Stays;
    } files[] = {
        {"~arcade_1.TMP", "a user's notes", true},
        {"~arc1_2.tmp", "a user's draft", true},
        {like, "named like a leftover, without the mark", true},
        {ours, mark + "PK\x03\x04 an archive cut short", false},
    };
    for (const auto& file : files) tree.File(file.Name, file.Content);
    EngineTestOwner owner(true);
    owner.Add(tree.Root(), "book", true);
    EngineCompress(owner, EngineBundledProfile(".zip"));
    EngineExpectRow(owner, "book", false, "*圧縮しました", "book.zip");
    for (const auto& file : files) {
        if (file.Stays) {
            EXPECT_EQ(tree.Read(file.Name), file.Content) << file.Name;
            continue;
        }
        EXPECT_FALSE(tree.IsFile(file.Name)) << file.Name;
        if (!bin.empty()) {
            EXPECT_NE(GetFileAttributesA((bin + file.Name).c_str()), INVALID_FILE_ATTRIBUTES)
                << "not in the recycle bin: " << file.Name;
            EngineForgetRecycled(file.Name);
        }
    }
}
