#include "archiver/cab/win32/CabWriter.h"

#include "archiver/cab/CabinetLayout.h"
#include "archiver/cab/win32/CabinetFiles.h"
#include "archiver/common/ArchiverError.h"
#include "archiver/common/Crc32.h"
#include "archiver/common/win32/SourceFile.h"
#include "archiver/common/win32/TextConvert.h"

#include <fci.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr char CabinetName[] = "*cabinet";
constexpr size_t ProbeSize = 64 * 1024;
constexpr size_t ReadAheadSize = 1 << 20;

// Whether MSZIP pays for a file, judged on its first 64 KiB deflated quickly:
// pages already compressed (JPEG, PNG) are stored instead.
bool CompressionPays(TSourceFile& file)
{
    std::vector<Bytef> head(ProbeSize);
    const size_t read = file.ReadAt(0, head.data(), head.size());
    if (read == 0) return true;
    uLongf packed = compressBound(read);
    std::vector<Bytef> out(packed);
    if (compress2(out.data(), &packed, head.data(), read, 1) != Z_OK) return true;
    return read < ProbeSize ? packed < read : packed * 100 < static_cast<uLongf>(read) * 97;
}

// The archive being written, as the library's cabinet file.
class TSinkStore final : public TCabinetStore {
public:
    TSinkStore(TByteSink& sink, const std::function<void()>& poll) : Sink(sink), Poll(poll) {}
    uint64_t Size() const override { return Sink.Position(); }
    size_t ReadAt(uint64_t, void*, size_t) override
    {
        throw TArchiverError(ArchiverInternalError, "書き込み中の書庫は読めません");
    }
    void WriteAt(uint64_t position, const void* data, size_t size) override
    {
        Poll();
        if (position + size > MaxCabinetBytes) ThrowCabinetTooLarge();
        const uint64_t end = Sink.Position();
        if (position > end) throw TArchiverError(ArchiverInternalError, "書庫の書き込み位置が正しくありません");
        const size_t inside = static_cast<size_t>(std::min<uint64_t>(size, end - position));
        if (inside > 0) Sink.WriteAt(position, data, inside);
        if (inside < size) Sink.Write(static_cast<const uint8_t*>(data) + inside, size - inside);
    }

private:
    TByteSink& Sink;
    const std::function<void()>& Poll;
};

// A source file, checksummed as the library reads it from start to end. The
// library asks for 32 KiB at a time: the file is read ahead in larger pieces.
class TSourceStore final : public TCabinetStore {
public:
    TSourceStore(std::shared_ptr<TSourceFile> file, const std::function<void()>& poll, const std::function<void(uint64_t)>& counted)
        : File(std::move(file)), Poll(poll), Counted(counted) {}
    // The size seen at opening is what is stored, even if the file grows meanwhile.
    uint64_t Size() const override { return File->Size(); }
    size_t ReadAt(uint64_t position, void* data, size_t size) override
    {
        Poll();
        if (position >= File->Size()) return 0;
        if (position < AheadStart || position >= AheadStart + Ahead.size()) {
            Ahead.resize(static_cast<size_t>(std::min<uint64_t>(ReadAheadSize, File->Size() - position)));
            Ahead.resize(File->ReadAt(position, Ahead.data(), Ahead.size()));
            AheadStart = position;
        }
        const size_t offset = static_cast<size_t>(position - AheadStart);
        const size_t read = std::min(size, Ahead.size() - offset);
        std::memcpy(data, Ahead.data() + offset, read);
        if (position == 0) {  // read again from the start
            CheckedUpTo = 0;
            Crc = 0;
        }
        if (position == CheckedUpTo) {
            Crc = Crc32Update(Crc, data, read);
            CheckedUpTo += read;
        }
        if (CheckedUpTo > CountedUpTo) {  // once, even if read again
            if (Counted) Counted(CheckedUpTo - CountedUpTo);
            CountedUpTo = CheckedUpTo;
        }
        return read;
    }
    void WriteAt(uint64_t, const void*, size_t) override
    {
        throw TArchiverError(ArchiverInternalError, "元のファイルには書き込めません");
    }
    // The bytes read from start to end: their count and CRC.
    uint64_t CheckedSize() const { return CheckedUpTo; }
    uint32_t CheckedCrc() const { return Crc; }

private:
    std::shared_ptr<TSourceFile> File;
    const std::function<void()>& Poll;
    const std::function<void(uint64_t)>& Counted;
    std::vector<uint8_t> Ahead;
    uint64_t AheadStart = 0;
    uint64_t CheckedUpTo = 0, CountedUpTo = 0;
    uint32_t Crc = 0;
};

} // namespace

struct TCabWriter::TState {
    explicit TState(TByteSink& cabinet) : Cabinet(cabinet) {}
    TByteSink& Cabinet;
    std::vector<TCabSource> Added;
    uint64_t AddedBytes = 0;
    TCabinetFiles Files;
    std::function<void()> Poll;
    std::function<void(uint64_t)> Counted;
    const TCabSource* Current = nullptr;
    std::shared_ptr<TSourceFile> CurrentFile;
    std::shared_ptr<TSourceStore> CurrentStore;
    ERF Error{};
};

namespace {

using TState = TCabWriter::TState;

TState& StateOf(void* pv)
{
    return *static_cast<TState*>(pv);
}

FNFCIFILEPLACED(FilePlaced)
{
    (void)pccab, (void)pszFile, (void)cbFile, (void)fContinuation, (void)pv;
    return 0;
}

FNFCIALLOC(Allocate)
{
    return std::malloc(cb);
}

FNFCIFREE(Release)
{
    std::free(memory);
}

FNFCIOPEN(Open)
{
    (void)oflag, (void)pmode;
    TState& state = StateOf(pv);
    return GuardCallback<INT_PTR>(state.Files, err, -1, [&] { return state.Files.Open(pszFile); });
}

FNFCIREAD(Read)
{
    TState& state = StateOf(pv);
    return GuardCallback<UINT>(state.Files, err, static_cast<UINT>(-1), [&] { return state.Files.Read(hf, memory, cb); });
}

FNFCIWRITE(Write)
{
    TState& state = StateOf(pv);
    return GuardCallback<UINT>(state.Files, err, static_cast<UINT>(-1), [&] { return state.Files.Write(hf, memory, cb); });
}

FNFCICLOSE(Close)
{
    TState& state = StateOf(pv);
    return GuardCallback<int>(state.Files, err, -1, [&] { return state.Files.Close(hf); });
}

FNFCISEEK(Seek)
{
    TState& state = StateOf(pv);
    return GuardCallback<long>(state.Files, err, -1L, [&] { return state.Files.Seek(hf, dist, seektype); });
}

FNFCIDELETE(Delete)
{
    TState& state = StateOf(pv);
    return GuardCallback<int>(state.Files, err, -1, [&] { return state.Files.Delete(pszFile); });
}

FNFCIGETTEMPFILE(TemporaryName)
{
    const std::string name = StateOf(pv).Files.NewTemporaryName();
    if (static_cast<int>(name.size()) >= cbTempName) return FALSE;
    std::memcpy(pszTempName, name.c_str(), name.size() + 1);
    return TRUE;
}

FNFCIGETNEXTCABINET(NextCabinet)
{
    (void)pccab, (void)cbPrevCab;
    try {
        ThrowCabinetTooLarge();
    } catch (...) {
        StateOf(pv).Files.Keep(std::current_exception());
    }
    return FALSE;
}

FNFCISTATUS(Status)
{
    (void)cb1;
    TState& state = StateOf(pv);
    if (typeStatus == statusCabinet) return static_cast<long>(cb2);
    return GuardCallback<long>(state.Files, nullptr, -1L, [&] {
        if (state.Poll) state.Poll();
        return 0L;
    });
}

FNFCIGETOPENINFO(OpenSource)
{
    (void)pszName;
    TState& state = StateOf(pv);
    return GuardCallback<INT_PTR>(state.Files, err, -1, [&] {
        const TCabSource& source = *state.Current;
        *pdate = HIWORD(source.DosDateTime);
        *ptime = LOWORD(source.DosDateTime);
        *pattribs = static_cast<USHORT>(source.Attributes | (source.Utf8Name ? _A_NAME_IS_UTF : 0));
        state.CurrentStore = std::make_shared<TSourceStore>(state.CurrentFile, state.Poll, state.Counted);
        return state.Files.OpenStore(state.CurrentStore);
    });
}

} // namespace

TCabWriter::TCabWriter(TByteSink& cabinet, std::function<void()> poll, std::function<void(uint64_t)> counted)
    : State(std::make_unique<TState>(cabinet))
{
    State->Poll = poll ? std::move(poll) : [] {};
    State->Counted = std::move(counted);
    State->Files.Add(CabinetName, std::make_shared<TSinkStore>(cabinet, State->Poll));
    CCAB cab{};
    cab.cb = 0x7FFFFFFF;
    cab.cbFolderThresh = 0x7FFFFFFF;
    SetId = static_cast<uint16_t>(GetTickCount());
    cab.setID = SetId;
    std::strcpy(cab.szCab, CabinetName);
    Context = FCICreate(&State->Error, FilePlaced, Allocate, Release, Open, Read, Write, Close, Seek, Delete, TemporaryName, &cab,
                        State.get());
    if (!Context) Fail("FCICreate");
}

TCabWriter::~TCabWriter()
{
    if (Context) FCIDestroy(Context);
}

void TCabWriter::Fail(const char* step)
{
    State->Files.RethrowIfFailed();
    switch (State->Error.erfOper) {
    case FCIERR_ALLOC_FAIL:
        throw std::bad_alloc();
    case FCIERR_OPEN_SRC:
    case FCIERR_READ_SRC:
        throw TArchiverError(ArchiverSourceError,
                             "ファイルを読み込めません: " + (State->Current ? State->Current->DisplayName : std::string()));
    case FCIERR_BAD_COMPR_TYPE:
        throw TArchiverError(ArchiverWriteError, "システムのCABライブラリがMSZIP圧縮に対応していません");
    default:
        throw TArchiverError(ArchiverWriteError, std::string("CAB書庫を作成できません(") + step + " エラー " +
                                                     std::to_string(State->Error.erfOper) + ")");
    }
}

// A folder's block count is 16 bits wide: a file that would take the folder
// past what 65,535 blocks hold starts a new one. A change of method starts
// one too (the library does that itself).
void TCabWriter::StartFolderFor(uint64_t fileSize)
{
    if (Method != FolderMethod) {
        FolderMethod = Method;
        FolderBytes = 0;
    }
    if (FolderBytes > 0 && FolderBytes + fileSize > MaxCabinetFolderBytes) {
        if (!FCIFlushFolder(Context, NextCabinet, Status)) Fail("FCIFlushFolder");
        State->Files.RethrowIfFailed();
        FolderBytes = 0;
    }
    FolderBytes += fileSize;
}

TEntryDigest TCabWriter::AddFile(const TCabSource& source)
{
    State->Current = &source;
    State->CurrentStore.reset();
    // Opened once, here: what is not a file on a disk is refused before a byte is read.
    State->CurrentFile = std::make_shared<TSourceFile>(source.Path, source.DisplayName, State->Poll);
    const uint64_t size = State->CurrentFile->Size();
    if (size > MaxCabinetFileSize) {
        throw TArchiverError(ArchiverSourceError, "2GB以上のファイルはCAB書庫に格納できません: " + source.DisplayName);
    }
    char key[] = "source";  // the file itself is found through Current
    std::vector<char> name(source.NameInCabinet.begin(), source.NameInCabinet.end());
    name.push_back('\0');
    // A change of method starts a new folder of the cabinet; an empty file has
    // nothing to pack and keeps the method before it.
    if (size > 0) Method = CompressionPays(*State->CurrentFile) ? tcompTYPE_MSZIP : tcompTYPE_NONE;
    // Stored data takes its full size in the cabinet: a sure overflow is refused before it is written.
    if (Method == tcompTYPE_NONE) {
        StoredBytes += size;
        if (StoredBytes > MaxCabinetBytes) ThrowCabinetTooLarge();
    }
    StartFolderFor(size);
    if (!FCIAddFile(Context, key, name.data(), FALSE, NextCabinet, Status, OpenSource, static_cast<TCOMP>(Method))) Fail("FCIAddFile");
    State->Files.RethrowIfFailed();
    const std::shared_ptr<TSourceStore> store = State->CurrentStore;
    State->CurrentStore.reset();
    State->CurrentFile.reset();
    if (!store || store->CheckedSize() != store->Size()) {
        throw TArchiverError(ArchiverSourceError, "ファイルを最後まで読み込めませんでした: " + source.DisplayName);
    }
    State->Added.push_back(source);
    State->AddedBytes += store->Size();
    TEntryDigest digest;
    digest.Name = source.NameInCabinet;
    digest.DisplayName = source.DisplayName;
    digest.Size = store->Size();
    digest.Crc = store->CheckedCrc();
    return digest;
}

namespace {

// A cabinet of empty files only: one folder without data blocks, and a file
// entry for each. (Wine's library cannot write a cabinet without data.)
void WriteCabinetWithoutData(TByteSink& sink, const std::vector<TCabSource>& files, uint16_t setId)
{
    constexpr uint32_t HeaderSize = 36, FolderSize = 8;
    std::vector<uint8_t> entries;
    for (const TCabSource& file : files) {
        PutLe32(entries, 0);  // size
        PutLe32(entries, 0);  // offset in the folder
        PutLe16(entries, 0);  // folder
        PutLe16(entries, HIWORD(file.DosDateTime));
        PutLe16(entries, LOWORD(file.DosDateTime));
        PutLe16(entries, static_cast<uint16_t>(file.Attributes | (file.Utf8Name ? _A_NAME_IS_UTF : 0)));
        entries.insert(entries.end(), file.NameInCabinet.begin(), file.NameInCabinet.end());
        entries.push_back(0);
    }
    const uint32_t total = HeaderSize + FolderSize + static_cast<uint32_t>(entries.size());
    std::vector<uint8_t> cabinet = {'M', 'S', 'C', 'F'};
    PutLe32(cabinet, 0);
    PutLe32(cabinet, total);
    PutLe32(cabinet, 0);
    PutLe32(cabinet, HeaderSize + FolderSize);  // first file entry
    PutLe32(cabinet, 0);
    cabinet.push_back(3);  // format version 1.3
    cabinet.push_back(1);
    PutLe16(cabinet, 1);   // folders
    PutLe16(cabinet, static_cast<uint16_t>(files.size()));
    PutLe16(cabinet, 0);   // flags
    PutLe16(cabinet, setId);
    PutLe16(cabinet, 0);   // number in the set
    PutLe32(cabinet, total);  // the folder's data would start at the end
    PutLe16(cabinet, 0);   // no data blocks
    PutLe16(cabinet, tcompTYPE_NONE);
    cabinet.insert(cabinet.end(), entries.begin(), entries.end());
    sink.Write(cabinet.data(), cabinet.size());
}

} // namespace

void TCabWriter::Finish()
{
    State->Current = nullptr;
    if (State->AddedBytes == 0 && State->Cabinet.Position() == 0) {
        WriteCabinetWithoutData(State->Cabinet, State->Added, SetId);
        return;
    }
    if (!FCIFlushCabinet(Context, FALSE, NextCabinet, Status)) Fail("FCIFlushCabinet");
    State->Files.RethrowIfFailed();
}
