#include "archiver/cab/win32/CabReader.h"

#include "archiver/cab/CabinetLayout.h"
#include "archiver/cab/win32/CabinetFiles.h"
#include "archiver/common/ArchiverError.h"
#include "archiver/common/Crc32.h"
#include "archiver/common/win32/TextConvert.h"

#include <fdi.h>

#include <cstdlib>

namespace {

constexpr char CabinetName[] = "*cabinet";

// The archive read back, as the library's cabinet file.
class TSourceByteStore final : public TCabinetStore {
public:
    explicit TSourceByteStore(const TByteSource& source) : Source(source) {}
    uint64_t Size() const override { return Source.Size(); }
    size_t ReadAt(uint64_t position, void* data, size_t size) override
    {
        if (position >= Source.Size()) return 0;
        if (size > Source.Size() - position) size = static_cast<size_t>(Source.Size() - position);
        Source.ReadAt(position, data, size);
        return size;
    }
    void WriteAt(uint64_t, const void*, size_t) override
    {
        throw TArchiverError(ArchiverInternalError, "検査中の書庫には書き込めません");
    }

private:
    const TByteSource& Source;
};

// An extracted file: only counted and checksummed.
class TDigestStore final : public TCabinetStore {
public:
    uint64_t Size() const override { return Written; }
    size_t ReadAt(uint64_t, void*, size_t) override { return 0; }
    void WriteAt(uint64_t position, const void* data, size_t size) override
    {
        if (position != Written) throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(展開の順序が正しくありません)");
        Crc = Crc32Update(Crc, data, size);
        Written += size;
    }
    uint32_t Crc = 0;

private:
    uint64_t Written = 0;
};

struct TReadState {
    TCabinetFiles Files;
    std::vector<TEntryDigest> Digests;
    std::string Current;  // the file being decoded, for messages
};

// The decompression callbacks carry no context of their own; one read-back
// runs at a time on a thread.
thread_local TReadState* ActiveRead = nullptr;

bool IsAscii(const std::string& text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

FNALLOC(Allocate)
{
    return std::malloc(cb);
}

FNFREE(Release)
{
    std::free(pv);
}

FNOPEN(Open)
{
    (void)oflag, (void)pmode;
    TCabinetFiles& files = ActiveRead->Files;
    return GuardCallback<INT_PTR>(files, nullptr, -1, [&] { return files.Open(pszFile); });
}

FNREAD(Read)
{
    TCabinetFiles& files = ActiveRead->Files;
    return GuardCallback<UINT>(files, nullptr, static_cast<UINT>(-1), [&] { return files.Read(hf, pv, cb); });
}

FNWRITE(Write)
{
    TCabinetFiles& files = ActiveRead->Files;
    return GuardCallback<UINT>(files, nullptr, static_cast<UINT>(-1), [&] { return files.Write(hf, pv, cb); });
}

FNCLOSE(Close)
{
    TCabinetFiles& files = ActiveRead->Files;
    return GuardCallback<int>(files, nullptr, -1, [&] { return files.Close(hf); });
}

FNSEEK(Seek)
{
    TCabinetFiles& files = ActiveRead->Files;
    return GuardCallback<long>(files, nullptr, -1L, [&] { return files.Seek(hf, dist, seektype); });
}

FNFDINOTIFY(Notify)
{
    TReadState& state = *static_cast<TReadState*>(pfdin->pv);
    return GuardCallback<INT_PTR>(state.Files, nullptr, -1, [&]() -> INT_PTR {
        switch (fdint) {
        case fdintCOPY_FILE:
            state.Current = pfdin->psz1 ? pfdin->psz1 : "";
            return state.Files.OpenStore(std::make_shared<TDigestStore>());
        case fdintCLOSE_FILE_INFO: {
            const auto store = std::static_pointer_cast<TDigestStore>(state.Files.StoreOf(pfdin->hf));
            state.Files.Close(pfdin->hf);
            TEntryDigest digest;
            digest.Name = pfdin->psz1 ? pfdin->psz1 : "";
            const bool utf8 = (pfdin->attribs & _A_NAME_IS_UTF) != 0;
            digest.DisplayName = utf8 ? digest.Name : AnsiToUtf8(digest.Name);
            if (!utf8 && !IsAscii(digest.Name)) {
                throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(名前にUTF-8の印がありません): " + digest.DisplayName);
            }
            digest.Size = store->Size();
            digest.Crc = store->Crc;
            state.Digests.push_back(std::move(digest));
            return TRUE;
        }
        case fdintNEXT_CABINET:
            throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(続きの書庫を求められました)");
        default:
            return 0;
        }
    });
}

const char* FdiErrorText(int error)
{
    switch (error) {
    case FDIERROR_NOT_A_CABINET: return "CAB書庫ではありません";
    case FDIERROR_UNKNOWN_CABINET_VERSION: return "CAB書庫の版が不明です";
    case FDIERROR_CORRUPT_CABINET: return "CAB書庫が壊れています";
    case FDIERROR_BAD_COMPR_TYPE: return "圧縮方法に対応していません";
    case FDIERROR_MDI_FAIL: return "圧縮データが壊れています";
    case FDIERROR_ALLOC_FAIL: return "メモリが不足しています";
    default: return "CAB書庫を読めません";
    }
}

} // namespace

std::vector<TEntryDigest> ReadCabinetDigests(const TByteSource& cabinet, const std::string& displayName)
{
    CheckCabinetLayout(cabinet, displayName);
    TReadState state;
    state.Files.Add(CabinetName, std::make_shared<TSourceByteStore>(cabinet));
    ERF error{};
    TReadState* const previous = ActiveRead;
    ActiveRead = &state;
    HFDI context = FDICreate(Allocate, Release, Open, Read, Write, Close, Seek, cpuUNKNOWN, &error);
    BOOL copied = FALSE;
    if (context) {
        std::string name = CabinetName;
        char path[] = "";
        copied = FDICopy(context, name.data(), path, 0, Notify, nullptr, &state);
        FDIDestroy(context);
    }
    ActiveRead = previous;
    state.Files.RethrowIfFailed();
    if (!context || !copied) {
        const std::string where = state.Current.empty() ? displayName : displayName + " の " + state.Current;
        throw TArchiverError(ArchiverVerifyError,
                             std::string("書庫の検査に失敗しました(") + FdiErrorText(error.erfOper) + "): " + where);
    }
    return std::move(state.Digests);
}
