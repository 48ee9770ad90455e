#include "base/FileSystemRules.h"

#include <gtest/gtest.h>

TEST(FileSystemRules, OnlyNameSurrogateReparsePointsAreLinks)
{
    struct Case {
        uint32_t Attributes, Tag;
        bool Link;
        const char* What;
    };
    const Case cases[] = {
        {0x10, 0, false, "a plain folder"},
        {0x20, 0xA000000C, false, "no reparse attribute, whatever the tag"},
        {0x410, 0xA000000C, true, "symbolic link"},
        {0x410, 0xA0000003, true, "junction or mount point"},
        {0x420, 0xA000001D, true, "WSL symbolic link"},
        {0x410, 0, true, "a reparse point without a tag (Wine's links)"},
        {0x410, 0x9000601A, false, "OneDrive placeholder folder"},
        {0x420, 0x9000001A, false, "cloud file"},
        {0x420, 0x80000013, false, "deduplicated file"},
        {0x420, 0x80000017, false, "compressed system file (WOF)"},
        {0x420, 0x80000014, false, "NFS"},
    };
    for (const Case& c : cases) EXPECT_EQ(IsLinkReparsePoint(c.Attributes, c.Tag), c.Link) << c.What;
}

TEST(FileSystemRules, VolumeRootsInThePlainFormTheShellQueriesTake)
{
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"\\\\?\\C:\\", L"C:\\"},
        {L"\\\\?\\D:", L"D:\\"},
        {L"\\\\?\\C:\\mnt\\disk\\", L"C:\\mnt\\disk\\"},
        {L"\\\\?\\UNC\\server\\share\\", L"\\\\server\\share\\"},
        {L"\\\\?\\Volume{0b5c2a10-1111-2222-3333-444455556666}\\",
         L"\\\\?\\Volume{0b5c2a10-1111-2222-3333-444455556666}\\"},
        {L"C:\\", L"C:\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
    };
    for (const auto& [given, plain] : cases) EXPECT_EQ(PlainVolumeRoot(given), plain);
}
