#include "settings/win32/IniUtility.h"

#include "base/WideText.h"

#include "toolkit/ScopedHandle.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const ClassName = "IniUtilityTestForm";

void RegisterFormClass()
{
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = ClassName;
        return RegisterClassA(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
}

ScopedWindow MakeForm(int left = 100, int top = 50, int width = 640, int height = 480)
{
    RegisterFormClass();
    return ScopedWindow(CreateWindowExA(0, ClassName, "Form", WS_OVERLAPPEDWINDOW, left, top, width, height, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr));
}

RECT ScreenRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," + std::to_string(r.bottom);
}

// Moves the work area for one test (as a task bar at the left and top would).
class WorkAreaOffset {
public:
    WorkAreaOffset(int left, int top)
    {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &Saved, 0);
        RECT moved = Saved;
        moved.left += left;
        moved.top += top;
        Changed = SystemParametersInfoA(SPI_SETWORKAREA, 0, &moved, 0) != FALSE;
    }
    ~WorkAreaOffset()
    {
        if (Changed) SystemParametersInfoA(SPI_SETWORKAREA, 0, &Saved, 0);
    }
    bool Changed = false;

private:
    RECT Saved{};
};

} // namespace

TEST(IniUtility, NormalWindowRoundTrip)
{
    ScopedWindow form = MakeForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(GetFormPlacementText(form.get()), "100,50,640,480,0");

    SetFormPlacementText(form.get(), "-300,-20,500,400,0");
    EXPECT_EQ(RectText(ScreenRect(form.get())), "-300,-20,200,380");
    EXPECT_EQ(GetFormPlacementText(form.get()), "-300,-20,500,400,0");
    EXPECT_FALSE(IsIconic(form.get()));
    EXPECT_FALSE(IsZoomed(form.get()));
}

TEST(IniUtility, PartialAndMalformedTexts)
{
    ScopedWindow form = MakeForm();
    ASSERT_TRUE(form);
    SetFormPlacementText(form.get(), "");
    EXPECT_EQ(RectText(ScreenRect(form.get())), "100,50,740,530");

    // Left and top move; right and bottom stay.
    SetFormPlacementText(form.get(), "0,0");
    EXPECT_EQ(RectText(ScreenRect(form.get())), "0,0,740,530");
    // Width applied, bottom kept.
    SetFormPlacementText(form.get(), "10,20,300");
    EXPECT_EQ(RectText(ScreenRect(form.get())), "10,20,310,530");
    // Items past the fifth are ignored; the state 0 keeps a normal window normal.
    SetFormPlacementText(form.get(), "30,40,320,240,0,2,2");
    EXPECT_EQ(RectText(ScreenRect(form.get())), "30,40,350,280");
    // A non-integer item stops at that item.
    SetFormPlacementText(form.get(), "60,x,999,999,2");
    EXPECT_EQ(RectText(ScreenRect(form.get())), "60,40,350,280");
    EXPECT_FALSE(IsZoomed(form.get()));
    // An unknown state leaves the state alone.
    SetFormPlacementText(form.get(), "60,40,320,240,7");
    EXPECT_FALSE(IsZoomed(form.get()));
    EXPECT_FALSE(IsIconic(form.get()));
}

TEST(IniUtility, MaximisedWindowKeepsItsNormalFrame)
{
    ScopedWindow form = MakeForm();
    ASSERT_TRUE(form);
    SetFormPlacementText(form.get(), "120,80,500,300,2");
    EXPECT_TRUE(IsZoomed(form.get()));
    EXPECT_EQ(GetFormPlacementText(form.get()), "120,80,500,300,2");

    // Restoring returns to the saved normal frame.
    SendMessageW(form.get(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(form.get()));
    EXPECT_EQ(RectText(ScreenRect(form.get())), "120,80,620,380");

    // A new frame for a maximised window changes its normal frame only.
    SetFormPlacementText(form.get(), "120,80,500,300,2");
    SetFormPlacementText(form.get(), "10,10,200,100,2");
    EXPECT_TRUE(IsZoomed(form.get()));
    EXPECT_EQ(GetFormPlacementText(form.get()), "10,10,200,100,2");
    // State 0 restores it.
    SetFormPlacementText(form.get(), "10,10,200,100,0");
    EXPECT_FALSE(IsZoomed(form.get()));
    EXPECT_EQ(RectText(ScreenRect(form.get())), "10,10,210,110");
}

TEST(IniUtility, MinimisedWindowRoundTrip)
{
    ScopedWindow form = MakeForm();
    ASSERT_TRUE(form);
    SetFormPlacementText(form.get(), "200,100,400,300,1");
    EXPECT_TRUE(IsIconic(form.get()));
    EXPECT_EQ(GetFormPlacementText(form.get()), "200,100,400,300,1");

    // The next start: a fresh window gets the frame, then the minimise command.
    ScopedWindow next = MakeForm(0, 0, 100, 100);
    ASSERT_TRUE(next);
    SetFormPlacementText(next.get(), GetFormPlacementText(form.get()));
    EXPECT_TRUE(IsIconic(next.get()));
    SendMessageW(next.get(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(RectText(ScreenRect(next.get())), "200,100,600,400");
}

TEST(IniUtility, IconicApplicationWindowIsStoredAsMinimised)
{
    ScopedWindow form = MakeForm();
    ScopedWindow application = MakeForm(0, 0, 10, 10);
    ASSERT_TRUE(form && application);
    EXPECT_EQ(GetFormPlacementText(form.get(), application.get()), "100,50,640,480,0");
    ShowWindow(application.get(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(application.get()));
    EXPECT_EQ(GetFormPlacementText(form.get(), application.get()), "100,50,640,480,1");
}

TEST(IniUtility, WorkAreaOffsetIsAddedBackAtSave)
{
    WorkAreaOffset offset(40, 30);
    if (!offset.Changed) GTEST_SKIP() << "the work area cannot be moved here";
    ScopedWindow form = MakeForm();
    ASSERT_TRUE(form);
    // Saving and loading at an unchanged position gives the same coordinates,
    // whichever state the window is in.
    for (const char* text : {"100,50,640,480,0", "-50,-40,300,200,0", "100,50,640,480,2", "70,60,300,200,1"}) {
        SetFormPlacementText(form.get(), text);
        EXPECT_EQ(GetFormPlacementText(form.get()), text);
        const std::string saved = GetFormPlacementText(form.get());
        SetFormPlacementText(form.get(), saved);
        EXPECT_EQ(GetFormPlacementText(form.get()), saved);
    }
}
