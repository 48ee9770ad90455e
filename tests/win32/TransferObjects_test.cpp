// The OLE objects of the transfer, called through their interfaces as the system calls them.
#include "transfer/TDataCopyDrag.h"
#include "transfer/TDataDropAccept.h"
#include "transfer/TDataObject.h"
#include "transfer/TDropSource.h"
#include "transfer/TEnumFORMATETC.h"

#include "toolkit/ScopedHandle.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

HGLOBAL MakeBlock(const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

std::string ReadBlock(HGLOBAL block)
{
    TGlobalLock lock(block);
    return lock ? std::string(static_cast<const char*>(lock.Get()), lock.Size()) : std::string("<unlocked>");
}

FORMATETC Request(CLIPFORMAT format, DWORD tymed = TYMED_HGLOBAL, DWORD aspect = DVASPECT_CONTENT)
{
    return FORMATETC{format, nullptr, aspect, -1, tymed};
}

// Stores `bytes` under `format` with release: the object takes the block.
HRESULT Store(IDataObject* object, CLIPFORMAT format, const std::string& bytes)
{
    FORMATETC request = Request(format);
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = MakeBlock(bytes);
    const HRESULT result = object->SetData(&request, &medium, TRUE);
    if (result != S_OK) GlobalFree(medium.hGlobal);
    return result;
}

// The bytes a data object gives for `format`, or the error as text.
std::string Fetch(IDataObject* object, CLIPFORMAT format)
{
    FORMATETC request = Request(format);
    STGMEDIUM medium{};
    const HRESULT result = object->GetData(&request, &medium);
    if (result != S_OK) return "error " + std::to_string(static_cast<unsigned long>(result));
    std::string bytes = ReadBlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return bytes;
}

// A data object holding the given renderings, each with release.
TComRef<TDataObject> MakeDataObject(const std::vector<std::pair<CLIPFORMAT, std::string>>& renderings)
{
    TComRef<TDataObject> object(TDataObject::Create());
    EXPECT_TRUE(object->SetCapacity(renderings.size()));
    for (const auto& [format, bytes] : renderings) EXPECT_EQ(Store(object.Get(), format, bytes), S_OK);
    return object;
}

// A CF_HDROP block in the DROPFILES layout with ANSI paths.
std::string DropFiles(const std::vector<std::string>& paths)
{
    DROPFILES header{};
    header.pFiles = sizeof header;
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::string& path : paths) block += path + '\0';
    return block + '\0';
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

} // namespace

TEST(TransferDataObject, AnswersOnlyItsInterfacesAndCountsReferences)
{
    TComRef<TDataObject> object(TDataObject::Create());
    ASSERT_TRUE(object);
    EXPECT_EQ(RefCount(object.Get()), 1u);

    void* granted = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IDataObject, &granted), S_OK);
    EXPECT_EQ(granted, static_cast<IDataObject*>(object.Get()));
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, &granted), S_OK);
    EXPECT_EQ(RefCount(object.Get()), 3u);
    EXPECT_EQ(object->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);

    granted = &granted;
    EXPECT_EQ(object->QueryInterface(IID_IDropSource, &granted), E_NOINTERFACE);
    EXPECT_EQ(granted, nullptr);
    EXPECT_EQ(object->QueryInterface(IID_IEnumFORMATETC, &granted), E_NOINTERFACE);
    EXPECT_EQ(object->QueryInterface(IID_IDataObject, nullptr), E_POINTER);
    // A C caller can hand a null IID pointer through the interface's first slot.
    using QueryInterfaceSlot = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, const IID*, void**);
    auto* slots = *reinterpret_cast<QueryInterfaceSlot**>(object.Get());
    EXPECT_EQ(slots[0](object.Get(), nullptr, &granted), E_INVALIDARG);
    EXPECT_EQ(RefCount(object.Get()), 1u);
}

TEST(TransferDataObject, FindsPresentFormatsAndNamesTheError)
{
    const CLIPFORMAT csv = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Csv"));
    TComRef<TDataObject> object = MakeDataObject({{CF_TEXT, std::string("a\tb\r\n", 6)}, {csv, "x,y"}});
    EXPECT_EQ(object->FilledCount(), 2u);

    FORMATETC text = Request(CF_TEXT);
    EXPECT_EQ(object->QueryGetData(&text), S_OK);
    EXPECT_EQ(Fetch(object.Get(), CF_TEXT), std::string("a\tb\r\n", 6));
    EXPECT_EQ(Fetch(object.Get(), csv), "x,y");

    FORMATETC absent = Request(CF_SYLK);
    EXPECT_EQ(object->QueryGetData(&absent), DV_E_FORMATETC);
    EXPECT_EQ(Fetch(object.Get(), CF_SYLK), "error " + std::to_string(static_cast<unsigned long>(DV_E_FORMATETC)));

    FORMATETC stream = Request(CF_TEXT, TYMED_ISTREAM);
    EXPECT_EQ(object->QueryGetData(&stream), DV_E_FORMATETC);
    FORMATETC either = Request(CF_TEXT, TYMED_ISTREAM | TYMED_HGLOBAL);
    EXPECT_EQ(object->QueryGetData(&either), S_OK);
    FORMATETC thumbnail = Request(CF_TEXT, TYMED_HGLOBAL, DVASPECT_THUMBNAIL);
    EXPECT_EQ(object->QueryGetData(&thumbnail), DV_E_DVASPECT);
    STGMEDIUM medium{};
    EXPECT_EQ(object->GetData(&thumbnail, &medium), DV_E_DVASPECT);
    FORMATETC both = Request(CF_TEXT, TYMED_HGLOBAL, DVASPECT_THUMBNAIL | DVASPECT_CONTENT);
    EXPECT_EQ(object->QueryGetData(&both), S_OK);

    EXPECT_EQ(object->QueryGetData(nullptr), E_INVALIDARG);
    EXPECT_EQ(object->GetData(nullptr, &medium), E_INVALIDARG);
    EXPECT_EQ(object->GetData(&text, nullptr), E_INVALIDARG);

    // Each GetData hands out a copy of its own.
    STGMEDIUM first{}, second{};
    ASSERT_EQ(object->GetData(&text, &first), S_OK);
    ASSERT_EQ(object->GetData(&text, &second), S_OK);
    EXPECT_NE(first.hGlobal, second.hGlobal);
    EXPECT_EQ(first.pUnkForRelease, nullptr);
    ReleaseStgMedium(&first);
    ReleaseStgMedium(&second);
    EXPECT_EQ(Fetch(object.Get(), CF_TEXT), std::string("a\tb\r\n", 6));
}

TEST(TransferDataObject, UnfilledEntriesHoldNoData)
{
    TComRef<TDataObject> object = MakeDataObject({});
    ASSERT_TRUE(object->SetCapacity(2));
    FORMATETC text = Request(CF_TEXT);
    EXPECT_EQ(object->QueryGetData(&text), DV_E_FORMATETC);
    ASSERT_EQ(Store(object.Get(), CF_SYLK, "ID;PLVU"), S_OK);
    EXPECT_EQ(object->QueryGetData(&text), DV_E_FORMATETC);
    EXPECT_FALSE(object->SetCapacity(5)); // fixed once data is stored
    EXPECT_EQ(object->Capacity(), 2u);
}

TEST(TransferDataObject, SetDataStopsAtCapacityAndCopiesWithoutRelease)
{
    TComRef<TDataObject> object = MakeDataObject({});
    ASSERT_TRUE(object->SetCapacity(2));

    // Without release the caller keeps its block and the object keeps a copy.
    HGLOBAL mine = MakeBlock("kept");
    FORMATETC format = Request(CF_TEXT);
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = mine;
    ASSERT_EQ(object->SetData(&format, &medium, FALSE), S_OK);
    std::memcpy(GlobalLock(mine), "KEPT", 4);
    GlobalUnlock(mine);
    EXPECT_EQ(Fetch(object.Get(), CF_TEXT), "kept");
    GlobalFree(mine);

    EXPECT_EQ(Store(object.Get(), CF_SYLK, "s"), S_OK);
    EXPECT_EQ(Store(object.Get(), CF_HDROP, "full"), E_OUTOFMEMORY);
    EXPECT_EQ(object->FilledCount(), 2u);

    EXPECT_EQ(object->SetData(nullptr, &medium, TRUE), E_INVALIDARG);
    EXPECT_EQ(object->SetData(&format, nullptr, TRUE), E_INVALIDARG);

    // A medium type that cannot be copied is refused without release.
    TComRef<TDataObject> other = MakeDataObject({});
    ASSERT_TRUE(other->SetCapacity(1));
    STGMEDIUM stream{};
    stream.tymed = TYMED_ISTREAM;
    EXPECT_EQ(other->SetData(&format, &stream, FALSE), E_OUTOFMEMORY);
    EXPECT_EQ(other->FilledCount(), 0u);
}

TEST(TransferDataObject, FileMediumIsCopiedByName)
{
    TComRef<TDataObject> object = MakeDataObject({});
    ASSERT_TRUE(object->SetCapacity(1));
    FORMATETC format = Request(CF_TEXT, TYMED_FILE);
    wchar_t name[] = L"C:\\nowhere\\list.txt";
    STGMEDIUM medium{};
    medium.tymed = TYMED_FILE;
    medium.lpszFileName = name;
    ASSERT_EQ(object->SetData(&format, &medium, FALSE), S_OK);
    STGMEDIUM copy{};
    ASSERT_EQ(object->GetData(&format, &copy), S_OK);
    EXPECT_EQ(copy.tymed, static_cast<DWORD>(TYMED_FILE));
    EXPECT_NE(copy.lpszFileName, name);
    EXPECT_STREQ(copy.lpszFileName, name);
    CoTaskMemFree(copy.lpszFileName);
}

TEST(TransferDataObject, UnsupportedCallsAnswerTheirCodes)
{
    TComRef<TDataObject> object = MakeDataObject({{CF_TEXT, "t"}});
    FORMATETC format = Request(CF_TEXT);
    STGMEDIUM medium{};
    DWORD connection = 0;
    IEnumSTATDATA* advises = nullptr;
    EXPECT_EQ(object->GetDataHere(&format, &medium), E_NOTIMPL);
    EXPECT_EQ(object->GetCanonicalFormatEtc(&format, &format), E_NOTIMPL);
    EXPECT_EQ(object->DAdvise(&format, 0, nullptr, &connection), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(object->DUnadvise(0), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(object->EnumDAdvise(&advises), OLE_E_ADVISENOTSUPPORTED);

    IEnumFORMATETC* enumerator = reinterpret_cast<IEnumFORMATETC*>(&format);
    EXPECT_EQ(object->EnumFormatEtc(DATADIR_SET, &enumerator), E_NOTIMPL);
    EXPECT_EQ(enumerator, nullptr);
    EXPECT_EQ(object->EnumFormatEtc(DATADIR_GET, nullptr), E_INVALIDARG);
}

TEST(TransferEnumFORMATETC, WalksTheFilledFormatsInOrder)
{
    TComRef<TDataObject> object = MakeDataObject({{CF_TEXT, "t"}, {CF_SYLK, "s"}, {CF_HDROP, "h"}});
    IEnumFORMATETC* raw = nullptr;
    ASSERT_EQ(object->EnumFormatEtc(DATADIR_GET, &raw), S_OK);
    TComRef<IEnumFORMATETC> formats(raw);
    EXPECT_EQ(RefCount(raw), 1u);
    void* granted = nullptr;
    EXPECT_EQ(raw->QueryInterface(IID_IEnumFORMATETC, &granted), S_OK);
    raw->Release();
    EXPECT_EQ(raw->QueryInterface(IID_IDataObject, &granted), E_NOINTERFACE);
    EXPECT_EQ(granted, nullptr);

    FORMATETC got[4]{};
    ULONG fetched = 99;
    // A count of 2 without a fetched pointer copies nothing.
    EXPECT_EQ(formats->Next(2, got, nullptr), S_FALSE);
    EXPECT_EQ(got[0].cfFormat, 0);
    EXPECT_EQ(formats->Next(0, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    fetched = 99;
    EXPECT_EQ(formats->Next(1, nullptr, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    EXPECT_EQ(formats->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0].cfFormat, CF_TEXT);
    EXPECT_EQ(got[0].dwAspect, static_cast<DWORD>(DVASPECT_CONTENT));
    EXPECT_EQ(got[0].lindex, -1);
    EXPECT_EQ(got[0].tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    EXPECT_EQ(got[0].ptd, nullptr);

    EXPECT_EQ(formats->Next(4, got, &fetched), S_FALSE); // only two were left
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(got[0].cfFormat, CF_SYLK);
    EXPECT_EQ(got[1].cfFormat, CF_HDROP);
    EXPECT_EQ(formats->Next(1, got, &fetched), S_FALSE); // at the end
    EXPECT_EQ(fetched, 0u);

    EXPECT_EQ(formats->Reset(), S_OK);
    EXPECT_EQ(formats->Skip(2), S_OK);
    EXPECT_EQ(formats->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0].cfFormat, CF_HDROP);
    EXPECT_EQ(formats->Reset(), S_OK);
    EXPECT_EQ(formats->Skip(5), S_FALSE);
    EXPECT_EQ(formats->Next(1, got, nullptr), S_FALSE);
    EXPECT_EQ(formats->Skip(0), S_OK);

    // A clone has the same entries and position, and moves on its own.
    EXPECT_EQ(formats->Reset(), S_OK);
    EXPECT_EQ(formats->Skip(1), S_OK);
    EXPECT_EQ(formats->Clone(nullptr), E_POINTER);
    IEnumFORMATETC* rawClone = nullptr;
    ASSERT_EQ(formats->Clone(&rawClone), S_OK);
    TComRef<IEnumFORMATETC> clone(rawClone);
    EXPECT_EQ(RefCount(rawClone), 1u);
    EXPECT_EQ(clone->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(got[0].cfFormat, CF_SYLK);
    EXPECT_EQ(got[1].cfFormat, CF_HDROP);
    EXPECT_EQ(formats->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0].cfFormat, CF_SYLK);
}

TEST(TransferEnumFORMATETC, TargetDevicesAreCopiedForEachHolder)
{
    TComRef<TDataObject> object = MakeDataObject({});
    ASSERT_TRUE(object->SetCapacity(1));
    std::vector<BYTE> deviceBytes(sizeof(DVTARGETDEVICE) + 8, 0x5A);
    auto* device = reinterpret_cast<DVTARGETDEVICE*>(deviceBytes.data());
    device->tdSize = static_cast<DWORD>(deviceBytes.size());
    FORMATETC format{CF_TEXT, device, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = MakeBlock("t");
    ASSERT_EQ(object->SetData(&format, &medium, TRUE), S_OK);
    std::fill(deviceBytes.begin() + sizeof(DWORD), deviceBytes.end(), 0); // the caller's copy goes away

    IEnumFORMATETC* raw = nullptr;
    ASSERT_EQ(object->EnumFormatEtc(DATADIR_GET, &raw), S_OK);
    TComRef<IEnumFORMATETC> formats(raw);
    FORMATETC got{};
    ASSERT_EQ(formats->Next(1, &got, nullptr), S_OK);
    ASSERT_NE(got.ptd, nullptr);
    EXPECT_NE(got.ptd, device);
    EXPECT_EQ(got.ptd->tdSize, device->tdSize);
    EXPECT_EQ(got.ptd->tdData[0], 0x5A);
    CoTaskMemFree(got.ptd);
}

TEST(TransferDropSource, AnswersTheDragStates)
{
    TComRef<TDropSource> source(TDropSource::Create());
    ASSERT_TRUE(source);
    EXPECT_EQ(RefCount(source.Get()), 1u);
    void* granted = nullptr;
    EXPECT_EQ(source->QueryInterface(IID_IDropSource, &granted), S_OK);
    source->Release();
    EXPECT_EQ(source->QueryInterface(IID_IUnknown, &granted), S_OK);
    source->Release();
    EXPECT_EQ(source->QueryInterface(IID_IDropTarget, &granted), E_NOINTERFACE);
    EXPECT_EQ(granted, nullptr);

    EXPECT_EQ(source->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(source->QueryContinueDrag(TRUE, 0), DRAGDROP_S_CANCEL);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_LBUTTON | MK_RBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_SHIFT | MK_CONTROL), DRAGDROP_S_DROP);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_RBUTTON | MK_SHIFT), S_OK);
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
}

namespace {

// A drop target on a hidden edit control; the callback records what it got.
class TransferDropTarget : public ::testing::Test {
protected:
    void SetUp() override
    {
        TDataCopyDrag::Instance(); // OLE on this thread
        Edit.reset(CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(Edit);
    }

    TComRef<TDataDropAccept> MakeTarget(DWORD mask)
    {
        return TDataDropAccept::Create(
            Edit.get(),
            [this](HWND window, CLIPFORMAT format, HGLOBAL data, DWORD* effect) {
                ++Calls;
                Window = window;
                Format = format;
                Effect = effect ? *effect : 0xFFFF;
                char path[MAX_PATH] = {};
                if (format == CF_HDROP && DragQueryFileA(static_cast<HDROP>(data), 0, path, sizeof path))
                    FirstPath = path;
                else
                    FirstPath = ReadBlock(data);
            },
            mask);
    }

    ScopedWindow Edit;
    int Calls = 0;
    HWND Window = nullptr;
    CLIPFORMAT Format = 0;
    DWORD Effect = 0;
    std::string FirstPath;
};

} // namespace

TEST_F(TransferDropTarget, RegistersAnswersItsInterfacesAndKeepsFormatsUnique)
{
    TComRef<TDataDropAccept> target = MakeTarget(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    ASSERT_TRUE(target);
    EXPECT_TRUE(target->Registered());
    // The registration holds references of its own.
    EXPECT_GT(RefCount(target.Get()), 1u);
    void* granted = nullptr;
    EXPECT_EQ(target->QueryInterface(IID_IDropTarget, &granted), S_OK);
    target->Release();
    EXPECT_EQ(target->QueryInterface(IID_IDataObject, &granted), E_NOINTERFACE);
    EXPECT_EQ(granted, nullptr);

    target->AddFormat(CF_HDROP);
    target->AddFormat(CF_TEXT);
    target->AddFormat(CF_HDROP);
    EXPECT_EQ(target->Formats(), (TClipFormatArray{CF_HDROP, CF_TEXT}));

    // A second registration on the same window is refused and stays silent.
    TComRef<TDataDropAccept> second = MakeTarget(DROPEFFECT_COPY);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->Registered());
    second->Close();

    target->Close();
    // Revoked: the window takes a new target.
    TComRef<TDataDropAccept> again = MakeTarget(DROPEFFECT_COPY);
    EXPECT_TRUE(again->Registered());
    again->Close();

    TComRef<TDataDropAccept> nowhere = TDataDropAccept::Create(nullptr, nullptr, DROPEFFECT_COPY);
    ASSERT_TRUE(nowhere);
    EXPECT_FALSE(nowhere->Registered());
    EXPECT_EQ(RefCount(nowhere.Get()), 1u);
    nowhere->Close();
}

TEST_F(TransferDropTarget, ARegistrationLastsAsLongAsItsHolder)
{
    TDataDropAccept* kept = nullptr;
    {
        TDropTargetRegistration registration(Edit.get(), nullptr, DROPEFFECT_COPY);
        ASSERT_TRUE(registration);
        EXPECT_TRUE(registration->Registered());
        kept = registration.Get();
        kept->AddRef();
        TDropTargetRegistration moved = std::move(registration);
        EXPECT_FALSE(registration);
        EXPECT_FALSE(MakeTarget(DROPEFFECT_COPY)->Registered());
    }
    // Revoked and released: only our own reference is left, and the window takes a new target.
    EXPECT_FALSE(kept->Registered());
    EXPECT_EQ(RefCount(kept), 1u);
    kept->Release();
    TComRef<TDataDropAccept> again = MakeTarget(DROPEFFECT_COPY);
    EXPECT_TRUE(again->Registered());
    again->Close();
}

TEST_F(TransferDropTarget, ChoosesTheEffect)
{
    TComRef<TDataObject> files = MakeDataObject({{CF_HDROP, DropFiles({"C:\\a"})}});
    struct Case {
        DWORD mask, offered, keys, expected;
    } cases[] = {
        {7, 7, 0, DROPEFFECT_LINK},                                  // LINK wins
        {7, 7, MK_SHIFT, DROPEFFECT_LINK},
        {3, 7, MK_SHIFT, DROPEFFECT_MOVE},                           // Shift with MOVE
        {3, 7, 0, DROPEFFECT_COPY},
        {3, DROPEFFECT_MOVE, 0, DROPEFFECT_NONE},                    // MOVE needs Shift
        {3, DROPEFFECT_MOVE, MK_SHIFT | MK_LBUTTON, DROPEFFECT_MOVE},
        {1, DROPEFFECT_MOVE | DROPEFFECT_LINK, MK_SHIFT, DROPEFFECT_NONE},
        {7, 0, 0, DROPEFFECT_NONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mask " + std::to_string(c.mask) + " offered " + std::to_string(c.offered) + " keys " +
                     std::to_string(c.keys));
        TComRef<TDataDropAccept> target = MakeTarget(c.mask);
        target->AddFormat(CF_HDROP);
        DWORD effect = c.offered;
        EXPECT_EQ(target->DragEnter(files.Get(), c.keys, POINTL{1, 1}, &effect), S_OK);
        EXPECT_EQ(effect, c.expected);
        effect = c.offered;
        EXPECT_EQ(target->DragOver(c.keys, POINTL{2, 2}, &effect), S_OK);
        EXPECT_EQ(effect, c.expected);
        effect = c.offered;
        Calls = 0;
        EXPECT_EQ(target->Drop(files.Get(), c.keys, POINTL{2, 2}, &effect), S_OK);
        EXPECT_EQ(effect, c.expected);
        EXPECT_EQ(Calls, 1);
        EXPECT_EQ(Effect, c.expected);
        target->Close();
    }
}

TEST_F(TransferDropTarget, DropHandsTheFirstAcceptedFormatToTheCallback)
{
    TComRef<TDataObject> data =
        MakeDataObject({{CF_TEXT, "text"}, {CF_HDROP, DropFiles({"C:\\表\\first", "C:\\second"})}});
    TComRef<TDataDropAccept> target = MakeTarget(7);
    target->AddFormat(CF_SYLK);
    target->AddFormat(CF_HDROP);
    target->AddFormat(CF_TEXT);
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(data.Get(), 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Window, Edit.get());
    EXPECT_EQ(Format, CF_HDROP);
    EXPECT_EQ(FirstPath, "C:\\表\\first");
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    target->Close();
}

TEST_F(TransferDropTarget, TextOnlyDataIsRefused)
{
    TComRef<TDataObject> text = MakeDataObject({{CF_TEXT, "C:\\folder"}});
    TComRef<TDataDropAccept> target = MakeTarget(7);
    target->AddFormat(CF_HDROP);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    EXPECT_EQ(target->DragEnter(text.Get(), 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(target->DragLeave(), S_OK);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(text.Get(), 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(Calls, 0);
    target->Close();
}

TEST_F(TransferDropTarget, NullPointersGiveCodesNotCrashes)
{
    TComRef<TDataObject> files = MakeDataObject({{CF_HDROP, DropFiles({"C:\\a"})}});
    TComRef<TDataDropAccept> target = MakeTarget(7);
    target->AddFormat(CF_HDROP);
    EXPECT_EQ(target->DragEnter(files.Get(), 0, POINTL{}, nullptr), E_INVALIDARG);
    EXPECT_EQ(target->DragOver(0, POINTL{}, nullptr), E_INVALIDARG);
    EXPECT_EQ(target->Drop(files.Get(), 0, POINTL{}, nullptr), E_INVALIDARG);
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(nullptr, 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, POINTL{}, &effect), S_OK); // after a leave or a drop alike
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(nullptr, 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(Calls, 0);
    target->Close();
}

TEST_F(TransferDropTarget, DragOverUsesTheDataOfTheLastEnterAndHoldsIt)
{
    TComRef<TDataDropAccept> target = MakeTarget(7);
    target->AddFormat(CF_HDROP);
    {
        TComRef<TDataObject> files = MakeDataObject({{CF_HDROP, DropFiles({"C:\\a"})}});
        DWORD effect = DROPEFFECT_COPY;
        ASSERT_EQ(target->DragEnter(files.Get(), 0, POINTL{}, &effect), S_OK);
        EXPECT_EQ(RefCount(files.Get()), 2u);
    }
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(target->DragLeave(), S_OK);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    target->Close();
}
