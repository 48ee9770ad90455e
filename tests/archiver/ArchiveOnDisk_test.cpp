// What a caller relies on before it removes a folder, in every bundled library
// and format: a call succeeds only once its archive is flushed to the disk and
// closed, and "...GetFileCount" tells how many files the archive holds.
// Failures of the system calls are injected into the loaded library through
// its import table, so the library is tested as the program loads it.
#include "archiver/common/ArchiverError.h"
#include "support/ArchiverTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

namespace {

struct TFormat {
    const char* Dll;
    const char* Function;
    const char* Extension;
    const char* Switches;  // the default profile's, quiet
    const char* Patterns;
};

const TFormat Formats[] = {
    {"7-zip32.DLL", "SevenZip", ".zip", "a -r -hide -tzip", "*"},
    {"7-zip32.DLL", "SevenZip", ".7z", "a -r -hide -t7z", "*"},
    {"UNLHA32.DLL", "Unlha", ".lzh", "a -d1 -n", "*.*"},
    {"CAB32.DLL", "Cab", ".cab", "-a -r -i", "*.*"},
};

void PrintTo(const TFormat& format, std::ostream* out) { *out << format.Extension; }

// Replaces one KERNEL32 import of a loaded module for the scope.
class TImportPatch {
public:
    TImportPatch(HMODULE module, const char* function, void* replacement)
    {
        auto* base = reinterpret_cast<BYTE*>(module);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             imports.VirtualAddress && library->Name; ++library) {
            if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "kernel32.dll") != 0) continue;
            auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
            auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
            for (; name->u1.AddressOfData; ++name, ++slot) {
                if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
                Slot = &slot->u1.Function;
                Original = *Slot;
                Set(reinterpret_cast<ULONG_PTR>(replacement));
                return;
            }
        }
    }
    ~TImportPatch()
    {
        if (Slot) Set(Original);
    }
    bool Applied() const { return Slot != nullptr; }

private:
    void Set(ULONG_PTR value)
    {
        DWORD protection = 0;
        VirtualProtect(Slot, sizeof *Slot, PAGE_READWRITE, &protection);
        *Slot = value;
        VirtualProtect(Slot, sizeof *Slot, protection, &protection);
    }
    ULONG_PTR* Slot = nullptr;
    ULONG_PTR Original = 0;
};

BOOL WINAPI FlushFails(HANDLE)
{
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// Closes every handle, but reports a failure (a delayed write) for the
// library's temporary archive.
BOOL WINAPI CloseOfTheArchiveFails(HANDLE handle)
{
    wchar_t path[2048] = L"";
    const DWORD length = GetFinalPathNameByHandleW(handle, path, 2048, 0);
    const bool archive = length > 0 && length < 2048 && std::wcsstr(path, L"\\~fennoro-unfinished-") != nullptr;
    const BOOL closed = CloseHandle(handle);
    if (!archive) return closed;
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
}

class ArchiveOnDisk : public testing::TestWithParam<TFormat> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dll.Loaded());
        ASSERT_NE(Count, nullptr) << GetParam().Function << "GetFileCount";
    }

    // Archives the folder below the temporary root; returns the archive's path.
    std::string Archive(const std::string& folder, int expected = ArchiverOk)
    {
        const TFormat& f = GetParam();
        const std::string archive = Temp.Path() + folder + f.Extension;
        EXPECT_EQ(Dll.Call(std::string(f.Switches) + " \"" + archive + "\" \"" + Temp.Path() + folder + "\\\" " + f.Patterns), expected)
            << Dll.Output;
        return archive;
    }

    const TFormat& Format = GetParam();
    TArchiverDll Dll{Format.Dll, Format.Function};
    HMODULE Module = GetModuleHandleA(Format.Dll);
    using TCount = int(WINAPI*)(LPCSTR);
    TCount Count = Module ? reinterpret_cast<TCount>(reinterpret_cast<void*>(
                                GetProcAddress(Module, (std::string(Format.Function) + "GetFileCount").c_str())))
                          : nullptr;
    TTempFolder Temp;
};

} // namespace

// A flush or a close that fails fails the call with its reason, and neither
// the archive nor its temporary file is left.
TEST_P(ArchiveOnDisk, ArchiveNotOnTheDiskFailsTheCall)
{
    Temp.AddFile("表紙\\001.txt", SampleBytes(20000, 1));
    Temp.AddFile("表紙\\ソ\\002.txt", SampleBytes(3000, 2));
    for (const auto& [function, replacement] : {std::pair{"FlushFileBuffers", reinterpret_cast<void*>(&FlushFails)},
                                                std::pair{"CloseHandle", reinterpret_cast<void*>(&CloseOfTheArchiveFails)}}) {
        SCOPED_TRACE(function);
        const TImportPatch patch(Module, function, replacement);
        ASSERT_TRUE(patch.Applied()) << "the library does not call " << function;
        Archive("表紙", ArchiverWriteError);
        EXPECT_EQ(Dll.Output.rfind("書庫をディスクに書き込めません: " + Temp.Path() + "表紙" + Format.Extension + " (", 0), 0u) << Dll.Output;
        EXPECT_EQ(Temp.List(), std::vector<std::string>{"表紙"});
    }
    Archive("表紙");
    EXPECT_EQ(Temp.List(), (std::vector<std::string>{"表紙", std::string("表紙") + Format.Extension}));
}

// Files, not folders; -1 for what cannot be read.
TEST_P(ArchiveOnDisk, FileCountOfTheArchive)
{
    for (const char* name : {"a.jpg", "b.jpg", "表.jpg"}) Temp.AddFile(std::string("flat\\") + name, SampleBytes(9000, 3));
    EXPECT_EQ(Count(Archive("flat").c_str()), 3);

    Temp.AddFile("nested\\001.txt", SampleBytes(70000, 4));
    Temp.AddFile("nested\\ソ\\能\\002.txt", "page");
    Temp.AddFile("nested\\ソ\\003.txt", "");
    Temp.AddFolder("nested\\空");
    const std::string nested = Archive("nested");
    EXPECT_EQ(Count(nested.c_str()), 3);

    Temp.AddFile("empty\\1.txt", "");
    Temp.AddFile("empty\\2.txt", "");
    EXPECT_EQ(Count(Archive("empty").c_str()), 2);

    EXPECT_EQ(Count((Temp.Path() + "無い" + Format.Extension).c_str()), -1);
    EXPECT_EQ(Count(Temp.Path().c_str()), -1);
    EXPECT_EQ(Count(""), -1);
    EXPECT_EQ(Count(nullptr), -1);
    EXPECT_EQ(Count(Temp.AddFile("text.txt", SampleBytes(5000, 5)).c_str()), -1);

    // Damaged: cut short, or one byte of the packed data changed.
    std::string bytes;
    {
        HANDLE file = CreateFileA(nested.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        bytes.resize(GetFileSize(file, nullptr));
        DWORD read = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
    }
    EXPECT_EQ(Count(Temp.AddFile("short.bin", bytes.substr(0, bytes.size() / 2)).c_str()), -1);
    bytes[bytes.size() / 3] ^= 0x55;
    EXPECT_EQ(Count(Temp.AddFile("changed.bin", bytes).c_str()), -1);

    // The archive the library made last, counted without a second reading while
    // it is the same file, is read anew once changed in place, size and all.
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"}) Temp.AddFile(std::string("last\\") + name, SampleBytes(40000, 6));
    const std::string last = Archive("last");
    EXPECT_EQ(Count(last.c_str()), 3);
    HANDLE file = CreateFileA(last.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const DWORD size = GetFileSize(file, nullptr);
    std::string all(size, '\0');
    DWORD done = 0;
    ReadFile(file, all.data(), size, &done, nullptr);
    all[size / 2] ^= 0x55;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    WriteFile(file, all.data(), size, &done, nullptr);
    CloseHandle(file);
    EXPECT_EQ(Count(last.c_str()), -1);
}

INSTANTIATE_TEST_SUITE_P(Formats, ArchiveOnDisk, testing::ValuesIn(Formats),
                         [](const testing::TestParamInfo<TFormat>& info) { return std::string(info.param.Extension + 1); });
