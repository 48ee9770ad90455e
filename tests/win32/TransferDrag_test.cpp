// Real OLE drags within this process: the transfer collector as the source, a
// drop target on an edit control under the cursor. No button is held, so the
// drop source answers "drop" at its first question and the drag ends at once.
#include "base/WideText.h"
#include "transfer/TDataCopyDrag.h"
#include "transfer/TDataDropAccept.h"
#include "transfer/TDataObject.h"
#include "transfer/TDropSource.h"

#include "toolkit/ScopedHandle.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class TransferDrag : public ::testing::Test {
protected:
    void SetUp() override
    {
        TDataCopyDrag::Instance(); // OLE on this thread
        char base[MAX_PATH] = {};
        ASSERT_GT(GetTempPathA(MAX_PATH, base), 0u);
        SavedTemp = base;
        Root = SavedTemp + "fennoro-drag-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(Root.c_str(), nullptr);
        SetEnvironmentVariableA("TMP", Root.c_str());
        SetEnvironmentVariableA("TEMP", Root.c_str());

        // Away from the corner where other tests' windows tend to appear.
        Frame.reset(CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 560, 400, 200, 120, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(Frame);
        Edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 120, Frame.get(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(Edit);
        ASSERT_TRUE(SetCursorPos(660, 460));
        ASSERT_EQ(WindowFromPoint(POINT{660, 460}), Edit);
    }

    void TearDown() override
    {
        Target.Reset();
        Frame.reset();
        TDataCopyDrag::Instance().SetFileName(nullptr);
        SetEnvironmentVariableA("TMP", SavedTemp.c_str());
        SetEnvironmentVariableA("TEMP", SavedTemp.c_str());
        std::string from = Root;
        from.append(2, '\0');
        SHFILEOPSTRUCTA operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        SHFileOperationA(&operation);
    }

    // Registers the target as the folder box does: all effects, file lists only.
    void Accept(DWORD mask = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK)
    {
        Target = TDropTargetRegistration(
            Edit,
            [this](HWND window, CLIPFORMAT format, HGLOBAL data, DWORD* effect) {
                ++Calls;
                EXPECT_EQ(window, Edit);
                EXPECT_EQ(format, CF_HDROP);
                const UINT count = DragQueryFileA(static_cast<HDROP>(data), 0xFFFFFFFF, nullptr, 0);
                for (UINT i = 0; i < count; ++i) {
                    char path[MAX_PATH] = {};
                    DragQueryFileA(static_cast<HDROP>(data), i, path, sizeof path);
                    Paths.push_back(path);
                }
                Effect = *effect;
            },
            mask);
        ASSERT_TRUE(Target);
        ASSERT_TRUE(Target->Registered());
        Target->AddFormat(CF_HDROP);
    }

    std::string SavedTemp;
    std::string Root;
    ScopedWindow Frame;
    HWND Edit = nullptr;
    TDropTargetRegistration Target;
    int Calls = 0;
    std::vector<std::string> Paths;
    DWORD Effect = 0;
};

} // namespace

TEST_F(TransferDrag, TheTargetReceivesTheTextFile)
{
    Accept();
    TDataCopyDrag& transfer = TDataCopyDrag::Instance();
    transfer.SetFileName("List.txt");
    const std::string tab = "1\ta\"b\t12\r\n0\t表\t7\r\n";
    const std::string sylk = "ID;PLVU\r\nB;Y0;X3\r\nE\r\n";
    ASSERT_TRUE(transfer.AddText(tab));
    ASSERT_TRUE(transfer.AddData(CF_SYLK, sylk.data(), sylk.size()));

    EXPECT_EQ(transfer.DoDrag(), DROPEFFECT_COPY);
    EXPECT_EQ(transfer.PendingCount(), 0u);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Effect, static_cast<DWORD>(DROPEFFECT_COPY)); // the source offers copy alone
    ASSERT_EQ(Paths.size(), 1u);
    EXPECT_EQ(Paths[0], transfer.TemporaryDirectory() + "\\List.txt");
    EXPECT_EQ(ReadFileBytes(Paths[0]), FileFormOfText(tab));
    EXPECT_EQ(Paths[0].rfind(Root + "\\", 0), 0u);
}

TEST_F(TransferDrag, TextWithoutAFileIsRefused)
{
    Accept();
    TDataCopyDrag& transfer = TDataCopyDrag::Instance();
    ASSERT_TRUE(transfer.AddText("no file\r\n"));
    EXPECT_EQ(transfer.DoDrag(), 0);
    EXPECT_EQ(Calls, 0);
    EXPECT_EQ(transfer.PendingCount(), 0u);
}

TEST_F(TransferDrag, AnEmptyDragAndAWindowWithoutTargetEndWithoutDrop)
{
    TDataCopyDrag& transfer = TDataCopyDrag::Instance();
    EXPECT_EQ(transfer.DoDrag(), 0);
    ASSERT_TRUE(transfer.AddText("x"));
    EXPECT_EQ(transfer.DoDrag("List.txt"), 0); // nothing registered on the edit
    EXPECT_EQ(Calls, 0);
}

TEST_F(TransferDrag, LinkWinsWhenTheSourceOffersEveryEffect)
{
    Accept();
    TComRef<TDataObject> data(TDataObject::Create());
    ASSERT_TRUE(data->SetCapacity(1));
    DROPFILES header{};
    header.pFiles = sizeof header;
    const char list[] = "C:\\first\0C:\\second\0";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof header + sizeof list);
    char* bytes = static_cast<char*>(GlobalLock(block));
    std::memcpy(bytes, &header, sizeof header);
    std::memcpy(bytes + sizeof header, list, sizeof list);
    GlobalUnlock(block);
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    ASSERT_EQ(data->SetData(&format, &medium, TRUE), S_OK);
    TComRef<TDropSource> source(TDropSource::Create());

    DWORD effect = 0;
    EXPECT_EQ(DoDragDrop(data.Get(), source.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect),
              DRAGDROP_S_DROP);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_LINK));
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Paths, (std::vector<std::string>{"C:\\first", "C:\\second"}));
}
