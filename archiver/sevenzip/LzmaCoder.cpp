#include "archiver/sevenzip/LzmaCoder.h"

#include "archiver/common/ArchiverError.h"

#include "LzmaDec.h"
#include "LzmaEnc.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <new>
#include <vector>

namespace {

void* Allocate(void*, size_t size) { return size ? std::malloc(size) : nullptr; }
void Release(void*, void* address) { std::free(address); }
ISzAlloc Heap = {Allocate, Release};

CLzmaEncProps LevelProps(const TLzmaLevel& level)
{
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = std::clamp(level.Level, 1, 9);
    props.reduceSize = static_cast<UInt32>(std::min<uint64_t>(level.ReduceSize, 0xFFFFFFFF));
    props.numThreads = 1;
    LzmaEncProps_Normalize(&props);
    return props;
}

// The callbacks' bridge: C structs first, so the SDK's pointer is ours too.
struct TInput {
    ISeqInStream Stream;
    const TLzmaEncoder::TRead* Read;
    std::exception_ptr* Error;
};
struct TOutput {
    ISeqOutStream Stream;
    const TLzmaEncoder::TWrite* Write;
    std::exception_ptr* Error;
};
struct TProgress {
    ICompressProgress Progress;
    const TLzmaEncoder::TKeepGoing* KeepGoing;
    std::exception_ptr* Error;
};

SRes ReadInput(void* p, void* buf, size_t* size)
{
    auto* self = static_cast<TInput*>(p);
    try {
        *size = (*self->Read)(static_cast<uint8_t*>(buf), *size);
        return SZ_OK;
    } catch (...) {
        *self->Error = std::current_exception();
        *size = 0;
        return SZ_ERROR_READ;
    }
}

size_t WriteOutput(void* p, const void* buf, size_t size)
{
    auto* self = static_cast<TOutput*>(p);
    try {
        (*self->Write)(static_cast<const uint8_t*>(buf), size);
        return size;
    } catch (...) {
        *self->Error = std::current_exception();
        return 0;
    }
}

SRes ReportProgress(void* p, UInt64 inSize, UInt64)
{
    auto* self = static_cast<TProgress*>(p);
    try {
        return (*self->KeepGoing)(inSize) ? SZ_OK : SZ_ERROR_PROGRESS;
    } catch (...) {
        *self->Error = std::current_exception();
        return SZ_ERROR_PROGRESS;
    }
}

[[noreturn]] void Broken(const std::string& what, const std::string& name)
{
    throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(" + what + "): " + name);
}

} // namespace

uint32_t TLzmaLevel::DictionarySize() const { return LevelProps(*this).dictSize; }

uint64_t TLzmaLevel::EncoderMemory() const
{
    // As LzFind.c sizes its buffers: the window with half a dictionary in
    // reserve, the hash table and one (hash chain) or two (binary tree)
    // links per position of the dictionary, four bytes each.
    const CLzmaEncProps props = LevelProps(*this);
    const uint64_t dictionary = props.dictSize;
    uint64_t hash = 1;
    while (hash < dictionary) hash <<= 1;
    hash = std::max<uint64_t>(hash / 2, 1 << 16);
    if (hash > (1 << 24)) hash /= 2;
    const uint64_t links = dictionary * (props.btMode ? 2 : 1);
    return dictionary + dictionary / 2 + (hash + links) * 4 + (4 << 20);
}

struct TLzmaEncoder::TState {
    CLzmaEncHandle Handle = nullptr;
};

TLzmaEncoder::TLzmaEncoder(const TLzmaLevel& level) : State(std::make_unique<TState>())
{
    State->Handle = LzmaEnc_Create(&Heap);
    if (!State->Handle) throw std::bad_alloc();
    const CLzmaEncProps props = LevelProps(level);
    SizeT size = Props.size();
    if (LzmaEnc_SetProps(State->Handle, &props) != SZ_OK || LzmaEnc_WriteProperties(State->Handle, Props.data(), &size) != SZ_OK) {
        LzmaEnc_Destroy(State->Handle, &Heap, &Heap);
        throw std::bad_alloc();
    }
}

TLzmaEncoder::~TLzmaEncoder() { LzmaEnc_Destroy(State->Handle, &Heap, &Heap); }

bool TLzmaEncoder::Encode(const TRead& read, const TWrite& write, const TKeepGoing& keepGoing)
{
    std::exception_ptr error;
    bool started = false;
    const TRead counted = [&](uint8_t* data, size_t size) {
        started = true;
        return read(data, size);
    };
    TInput input{{ReadInput}, &counted, &error};
    TOutput output{{WriteOutput}, &write, &error};
    TProgress progress{{ReportProgress}, &keepGoing, &error};
    const SRes result = LzmaEnc_Encode(State->Handle, &output.Stream, &input.Stream, &progress.Progress, &Heap, &Heap);
    if (error) std::rethrow_exception(error);
    if (result == SZ_ERROR_PROGRESS) throw TLzmaStopped{};
    if (result == SZ_ERROR_MEM && !started) return false;
    if (result != SZ_OK) throw std::bad_alloc();  // SZ_ERROR_MEM: nothing else is left
    return true;
}

void DecodeLzmaStream(const TByteSource& source, uint64_t offset, uint64_t packedSize, const TLzmaProperties& properties,
                      uint64_t unpackSize, const std::function<void(const uint8_t*, size_t)>& write, const std::string& name)
{
    if (offset > source.Size() || packedSize > source.Size() - offset) Broken("データが書庫の外にあります", name);
    CLzmaDec decoder;
    LzmaDec_Construct(&decoder);
    const SRes allocated = LzmaDec_Allocate(&decoder, properties.data(), static_cast<unsigned>(properties.size()), &Heap);
    if (allocated == SZ_ERROR_MEM) throw std::bad_alloc();
    if (allocated != SZ_OK) Broken("LZMAの属性が正しくありません", name);
    struct TRelease {
        CLzmaDec* Decoder;
        ~TRelease() { LzmaDec_Free(Decoder, &Heap); }
    } release{&decoder};
    LzmaDec_Init(&decoder);

    constexpr size_t BufferSize = 1 << 20;
    std::vector<uint8_t> input(static_cast<size_t>(std::min<uint64_t>(BufferSize, std::max<uint64_t>(packedSize, 1))));
    std::vector<uint8_t> output(BufferSize);
    uint64_t read = 0, written = 0;
    size_t inputAt = 0, inputEnd = 0;
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    while (written < unpackSize) {
        if (inputAt == inputEnd && read < packedSize) {
            inputEnd = static_cast<size_t>(std::min<uint64_t>(input.size(), packedSize - read));
            source.ReadAt(offset + read, input.data(), inputEnd);
            read += inputEnd;
            inputAt = 0;
        }
        SizeT outSize = static_cast<SizeT>(std::min<uint64_t>(output.size(), unpackSize - written));
        SizeT inSize = inputEnd - inputAt;
        const bool last = written + outSize == unpackSize;
        if (LzmaDec_DecodeToBuf(&decoder, output.data(), &outSize, input.data() + inputAt, &inSize,
                                last ? LZMA_FINISH_END : LZMA_FINISH_ANY, &status) != SZ_OK) {
            Broken("圧縮データが壊れています", name);
        }
        inputAt += inSize;
        if (outSize == 0 && inSize == 0) Broken("圧縮データが途中で終わっています", name);
        write(output.data(), outSize);
        written += outSize;
        source.Poll();
    }
    // No end mark: the range coder must stand at zero with every packed byte taken.
    if (status != LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK || inputAt != inputEnd || read != packedSize) {
        Broken("圧縮データの長さが違います", name);
    }
}
