// The program's resources as the code loads them: the image strip, the icon,
// the header sort marks, the version information, and the program's manifest.
#include "toolkit/ScopedHandle.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

struct Pixels {
    int Width = 0;
    int Height = 0;
    int Bits = 0;
    std::vector<COLORREF> Colours;  // top row first
    COLORREF At(int x, int y) const { return Colours[static_cast<size_t>(y * Width + x)]; }
};

Pixels ReadBitmap(HBITMAP bitmap)
{
    Pixels pixels;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    pixels.Width = info.bmWidth;
    pixels.Height = info.bmHeight;
    pixels.Bits = info.bmBitsPixel;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < pixels.Height; ++y) {
        for (int x = 0; x < pixels.Width; ++x) pixels.Colours.push_back(GetPixel(memory, x, y));
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::string VersionValue(const std::vector<char>& block, const std::string& name)
{
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), ("\\StringFileInfo\\041103A4\\" + name).c_str(), &value, &length)) return {};
    return static_cast<const char*>(value);
}

std::string ModuleDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path);
    return directory.substr(0, directory.find_last_of('\\') + 1);
}

} // namespace

TEST(Resources, TheImageStripHoldsTwentyFourPicturesWithATransparentColour)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(instance, "ToolImages", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(strip, nullptr);
    const Pixels pixels = ReadBitmap(strip);
    EXPECT_EQ(pixels.Width, 24 * 16);
    EXPECT_EQ(pixels.Height, 16);
    // Every picture has something drawn and some transparent background.
    for (int picture = 0; picture < 24; ++picture) {
        int drawn = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) drawn += pixels.At(picture * 16 + x, y) != RGB(255, 0, 255);
        }
        EXPECT_GT(drawn, 10) << picture;
        EXPECT_LT(drawn, 256) << picture;
    }
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 24, 0);
    ImageList_AddMasked(images, strip, RGB(255, 0, 255));
    EXPECT_EQ(ImageList_GetImageCount(images), 24);
    ImageList_Destroy(images);
    DeleteObject(strip);
}

TEST(Resources, TheMainIconComesInTheStandardSizes)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    EXPECT_NE(LoadIconA(instance, "MAINICON"), nullptr);
    for (int size : {16, 32}) {
        HICON icon = static_cast<HICON>(LoadImageA(instance, "MAINICON", IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(Resources, SortMarksAreEmbossedTrianglesOnTheFaceColour)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const COLORREF grey = RGB(192, 192, 192);
    const COLORREF dark = RGB(128, 128, 128);
    const COLORREF white = RGB(255, 255, 255);
    for (const char* name : {"ListViewUtility_IDB_UP", "ListViewUtility_IDB_DOWN"}) {
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr) << name;
        const Pixels pixels = ReadBitmap(bitmap);
        DeleteObject(bitmap);
        EXPECT_EQ(pixels.Width, 14);
        EXPECT_EQ(pixels.Height, 14);
        EXPECT_EQ(pixels.Bits, 4) << "16 colours";
        // The triangle lies in columns 3 to 10 and rows 4 to 10; the rest is background.
        for (int y = 0; y < 14; ++y) {
            for (int x = 0; x < 14; ++x) {
                const bool inside = x >= 3 && x <= 10 && y >= 4 && y <= 10;
                if (!inside) {
                    EXPECT_EQ(pixels.At(x, y), grey) << name << " " << x << "," << y;
                }
            }
        }
        const bool up = std::string(name).find("UP") != std::string::npos;
        const int baseRow = up ? 10 : 4;
        // The base faces down (white) on the up mark and up (dark) on the down mark;
        // the corner where the left edge meets it belongs to the left edge.
        for (int x = 4; x <= 10; ++x) EXPECT_EQ(pixels.At(x, baseRow), up ? white : dark) << name << " base " << x;
        EXPECT_EQ(pixels.At(3, baseRow), dark) << name;
        EXPECT_EQ(pixels.At(4, up ? 8 : 5), dark) << name << " left edge";
        EXPECT_EQ(pixels.At(9, up ? 8 : 5), white) << name << " right edge";
        EXPECT_EQ(pixels.At(6, 7), grey) << name << " outlined, not filled";
    }
    // Loaded as the header does, the grey becomes the face colour.
    HBITMAP mapped = static_cast<HBITMAP>(
        LoadImageA(instance, "ListViewUtility_IDB_UP", IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS | LR_CREATEDIBSECTION));
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(ReadBitmap(mapped).At(0, 0), GetSysColor(COLOR_3DFACE));
    DeleteObject(mapped);
}

TEST(Resources, VersionInformationNamesTheProduct)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 932);
    EXPECT_EQ(VersionValue(block, "ProductName"), "Fennoro");
    EXPECT_EQ(VersionValue(block, "ProductVersion"), "1.0.0");
    EXPECT_EQ(VersionValue(block, "LegalCopyright"), "Copyright (c) 2026 The Fennoro authors");
}

TEST(Resources, TheProgramAsksForVersionSixOfTheCommonControls)
{
    const std::string program = ModuleDirectory() + "fennoro.exe";
    ScopedModule module(LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module) << program;
    HRSRC manifest = FindResourceA(module.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module.get(), manifest)));
    const std::string xml(text, SizeofResource(module.get(), manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(FindResourceA(module.get(), "MAINICON", MAKEINTRESOURCEA(14)), nullptr) << "the program's own icon";
}
