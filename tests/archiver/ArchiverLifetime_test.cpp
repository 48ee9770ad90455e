// The bundled archiver libraries loaded and freed once per folder, as the
// compress job does: after its first call a library stays, so that a thousand
// folders cost no more memory than one.
#include "support/ArchiverTestSupport.h"

#include <gtest/gtest.h>
#include <psapi.h>

namespace {

struct TLibrary {
    const char* Dll;
    const char* Function;
};

size_t CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

} // namespace

TEST(ArchiverLifetime, ALibraryStaysLoadedOnceCalled)
{
    for (const TLibrary& library : {TLibrary{"7-zip32.DLL", "SevenZip"}, TLibrary{"UNLHA32.DLL", "Unlha"},
                                    TLibrary{"CAB32.DLL", "Cab"}}) {
        SCOPED_TRACE(library.Dll);
        {
            TArchiverDll dll(library.Dll, library.Function);
            ASSERT_TRUE(dll.Loaded());
        }
        EXPECT_EQ(GetModuleHandleA(library.Dll), nullptr) << "never called: freed as usual";

        // A refused command line makes the library throw and catch inside: the
        // costliest path for a runtime that leaks on every load.
        const auto cycle = [&] {
            TArchiverDll dll(library.Dll, library.Function);
            EXPECT_FALSE(dll.IsRunning());
            EXPECT_NE(dll.Call("x"), 0);
        };
        cycle();
        EXPECT_NE(GetModuleHandleA(library.Dll), nullptr);
        // A leak on every load would be several megabytes here; the heap may still
        // grow once by a few hundred kilobytes for reasons of its own.
        for (int i = 0; i < 50; ++i) cycle();
        const size_t before = CommittedBytes();
        for (int i = 0; i < 1000; ++i) cycle();
        EXPECT_LT(CommittedBytes(), before + 1024 * 1024) << "memory grew with every load";
    }
}
