#include "archiver/sevenzip/DeflatePipeline.h"

#include "archiver/common/Crc32.h"
#include "archiver/common/PackJudge.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

namespace {

constexpr size_t WindowSize = 32 * 1024;

enum class TDecision { Pending, Stored, Deflated };

struct TFileState {
    TDecision Decision = TDecision::Pending;
};

struct TChunk {
    size_t EntryIndex = 0;
    bool First = false, Last = false;
    std::shared_ptr<TFileState> File;
    std::vector<uint8_t> Input, Dictionary, Output;
    uint32_t Crc = 0;
    bool Done = false;
    std::exception_ptr Error;
};

class TDeflater {
public:
    explicit TDeflater(int level)
    {
        if (deflateInit2(&Stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::bad_alloc();
    }
    ~TDeflater() { deflateEnd(&Stream); }
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    void Start(const std::vector<uint8_t>& dictionary, std::vector<uint8_t>& output, size_t inputSize)
    {
        deflateReset(&Stream);
        if (!dictionary.empty()) deflateSetDictionary(&Stream, dictionary.data(), static_cast<uInt>(dictionary.size()));
        output.resize(deflateBound(&Stream, static_cast<uLong>(inputSize)) + 64);
        Out = &output;
        Stream.total_out = 0;
    }
    // Deflates size bytes, ending with a sync flush or, for the stream's end, a finish.
    void Feed(const uint8_t* data, size_t size, bool finish)
    {
        Stream.next_in = const_cast<Bytef*>(data);
        Stream.avail_in = static_cast<uInt>(size);
        const int flush = finish ? Z_FINISH : Z_SYNC_FLUSH;
        for (;;) {
            if (Out->size() - Stream.total_out < 64) Out->resize(Out->size() * 2 + 64);
            Stream.next_out = Out->data() + Stream.total_out;
            Stream.avail_out = static_cast<uInt>(Out->size() - Stream.total_out);
            const int status = deflate(&Stream, flush);
            if (status == Z_STREAM_ERROR) throw std::bad_alloc();
            if (finish ? status == Z_STREAM_END : (Stream.avail_in == 0 && Stream.avail_out > 0)) break;
        }
    }
    void Close() { Out->resize(Stream.total_out); }

private:
    z_stream Stream{};
    std::vector<uint8_t>* Out = nullptr;
};

class TPipeline {
public:
    TPipeline(const TPipelineOptions& options) : Options(options)
    {
        unsigned threads = options.Threads ? options.Threads : std::max(1u, std::thread::hardware_concurrency());
        threads = std::min(threads, 16u);
        MaxInFlight = threads * 2 + 2;
        for (unsigned i = 0; i < threads; ++i) Workers.emplace_back([this] { Work(); });
    }
    ~TPipeline()
    {
        {
            std::lock_guard<std::mutex> guard(Lock);
            Stopping = true;
        }
        WorkReady.notify_all();
        Decided.notify_all();
        for (std::thread& worker : Workers) worker.join();
    }
    TPipeline(const TPipeline&) = delete;
    TPipeline& operator=(const TPipeline&) = delete;

    size_t Capacity() const { return MaxInFlight; }

    void Submit(const std::shared_ptr<TChunk>& chunk)
    {
        {
            std::lock_guard<std::mutex> guard(Lock);
            Pending.push_back(chunk);
        }
        WorkReady.notify_one();
    }

    // Waits for the chunk, calling waiting every few dozen milliseconds meanwhile.
    void WaitDone(const std::shared_ptr<TChunk>& chunk, const std::function<void()>& waiting)
    {
        std::unique_lock<std::mutex> guard(Lock);
        while (!ChunkDone.wait_for(guard, std::chrono::milliseconds(40), [&] { return chunk->Done; })) {
            guard.unlock();
            waiting();
            guard.lock();
        }
        if (chunk->Error) std::rethrow_exception(chunk->Error);
    }

private:
    void Work()
    {
        TDeflater deflater(Options.Level > 0 ? Options.Level : 1);
        TPackJudge judge;
        for (;;) {
            std::shared_ptr<TChunk> chunk;
            {
                std::unique_lock<std::mutex> guard(Lock);
                WorkReady.wait(guard, [&] { return Stopping || !Pending.empty(); });
                if (Stopping) return;
                chunk = Pending.front();
                Pending.pop_front();
            }
            try {
                Process(*chunk, deflater, judge);
            } catch (...) {
                chunk->Error = std::current_exception();
                Decide(*chunk, TDecision::Stored);  // never leave a later chunk waiting
            }
            {
                std::lock_guard<std::mutex> guard(Lock);
                chunk->Done = true;
            }
            ChunkDone.notify_all();
        }
    }

    void Decide(TChunk& chunk, TDecision decision)
    {
        {
            std::lock_guard<std::mutex> guard(Lock);
            if (chunk.File->Decision == TDecision::Pending) chunk.File->Decision = decision;
        }
        Decided.notify_all();
    }

    void Process(TChunk& chunk, TDeflater& deflater, TPackJudge& judge)
    {
        const std::vector<uint8_t>& input = chunk.Input;
        chunk.Crc = Crc32Update(0, input.data(), input.size());
        if (chunk.First) {
            if (Options.Level == 0 || input.empty()) {
                Decide(chunk, TDecision::Stored);
                return;
            }
            // Judged on a sample of the first chunk: what does not shrink is
            // stored without deflating any more of it.
            const bool pays = judge.Pays(input.data(), input.size(), chunk.Last);
            Decide(chunk, pays ? TDecision::Deflated : TDecision::Stored);
            if (!pays) return;
            deflater.Start(chunk.Dictionary, chunk.Output, input.size());
            deflater.Feed(input.data(), input.size(), chunk.Last);
            deflater.Close();
            return;
        }
        TDecision decision;
        {
            std::unique_lock<std::mutex> guard(Lock);
            Decided.wait(guard, [&] { return Stopping || chunk.File->Decision != TDecision::Pending; });
            decision = chunk.File->Decision;
        }
        if (decision != TDecision::Deflated) return;
        deflater.Start(chunk.Dictionary, chunk.Output, input.size());
        deflater.Feed(input.data(), input.size(), chunk.Last);
        deflater.Close();
    }

    const TPipelineOptions& Options;
    size_t MaxInFlight = 4;
    std::mutex Lock;
    std::condition_variable WorkReady, ChunkDone, Decided;
    std::deque<std::shared_ptr<TChunk>> Pending;
    bool Stopping = false;
    std::vector<std::thread> Workers;
};

// Cuts the entries into chunks in order, one chunk ahead so that the last
// chunk of a file is known as such.
class TChunker {
public:
    TChunker(const std::vector<TPipelineEntry>& entries, size_t chunkSize) : Entries(entries), ChunkSize(chunkSize) {}

    std::shared_ptr<TChunk> Next()
    {
        while (Index < Entries.size()) {
            const TPipelineEntry& entry = Entries[Index];
            if (entry.Entry.IsDirectory) {
                auto chunk = NewChunk(true);
                chunk->Last = true;
                chunk->File->Decision = TDecision::Stored;
                ++Index;
                return chunk;
            }
            if (!Reader) {
                Reader = entry.Open();
                Hint = entry.Entry.SizeHint;
                ReadSoFar = 0;
                Ahead = Read(AheadShort);
                Previous.reset();
                FirstOfFile = true;
            }
            auto chunk = NewChunk(FirstOfFile);
            FirstOfFile = false;
            chunk->Input = std::move(Ahead);
            if (Previous) {
                const size_t tail = std::min(Previous->Input.size(), WindowSize);
                chunk->Dictionary.assign(Previous->Input.end() - static_cast<std::ptrdiff_t>(tail), Previous->Input.end());
            }
            if (AheadShort) {
                chunk->Last = true;
            } else {
                Ahead = Read(AheadShort);
                chunk->Last = Ahead.empty();
            }
            if (chunk->Last) {
                Reader.reset();
                Previous.reset();
                ++Index;
            } else {
                Previous = chunk;
            }
            return chunk;
        }
        return nullptr;
    }

private:
    std::shared_ptr<TChunk> NewChunk(bool first)
    {
        auto chunk = std::make_shared<TChunk>();
        chunk->EntryIndex = Index;
        chunk->First = first;
        chunk->File = first ? std::make_shared<TFileState>() : File;
        File = chunk->File;
        return chunk;
    }

    // Reads the next piece, sized by the listed size so that a file's end is
    // found without an extra read; isShort tells that the end was reached.
    std::vector<uint8_t> Read(bool& isShort)
    {
        const size_t request = ReadSoFar < Hint ? static_cast<size_t>(std::min<uint64_t>(ChunkSize, Hint - ReadSoFar + 1))
                               : ReadSoFar == Hint ? 1
                                                   : ChunkSize;
        std::vector<uint8_t> data(request);
        data.resize(Reader->Read(data.data(), data.size()));
        ReadSoFar += data.size();
        isShort = data.size() < request;
        return data;
    }

    const std::vector<TPipelineEntry>& Entries;
    size_t ChunkSize;
    size_t Index = 0;
    std::unique_ptr<TDataReader> Reader;
    std::vector<uint8_t> Ahead;
    bool AheadShort = false;
    uint64_t Hint = 0, ReadSoFar = 0;
    std::shared_ptr<TChunk> Previous;
    std::shared_ptr<TFileState> File;
    bool FirstOfFile = true;
};

} // namespace

std::vector<TEntryDigest> RunDeflatePipeline(const std::vector<TPipelineEntry>& entries, TArchiveFormatWriter& writer,
                                             const TPipelineOptions& options)
{
    std::vector<TEntryDigest> digests;
    TPipeline pipeline(options);
    TChunker chunker(entries, std::max<size_t>(options.ChunkSize, WindowSize));
    std::deque<std::shared_ptr<TChunk>> inFlight;
    bool more = true;
    uint32_t crc = 0;
    uint64_t size = 0, packed = 0, bytesPacked = 0;
    size_t filesDone = 0;
    for (;;) {
        while (more && inFlight.size() < pipeline.Capacity()) {
            std::shared_ptr<TChunk> chunk = chunker.Next();
            if (!chunk) {
                more = false;
                break;
            }
            inFlight.push_back(chunk);
            pipeline.Submit(chunk);
        }
        if (inFlight.empty()) break;
        const std::shared_ptr<TChunk> chunk = inFlight.front();
        inFlight.pop_front();
        const TPipelineEntry& entry = entries[chunk->EntryIndex];
        pipeline.WaitDone(chunk, [&] {
            if (options.Progress) options.Progress(filesDone, entry.Entry, bytesPacked);
        });

        const bool deflated = chunk->File->Decision == TDecision::Deflated;
        if (chunk->First) {
            writer.BeginEntry(entry.Entry, deflated ? TEntryMethod::Deflated : TEntryMethod::Stored);
            crc = 0;
            size = packed = 0;
        }
        const std::vector<uint8_t>& data = deflated ? chunk->Output : chunk->Input;
        writer.WriteData(data.data(), data.size());
        packed += data.size();
        crc = Crc32Combine(crc, chunk->Crc, chunk->Input.size());
        size += chunk->Input.size();
        if (chunk->Last) {
            writer.EndEntry(crc, size, packed);
            TEntryDigest digest;
            digest.Name = entry.Entry.Name;
            digest.DisplayName = entry.Entry.DisplayName;
            digest.IsDirectory = entry.Entry.IsDirectory;
            digest.Size = size;
            digest.Crc = crc;
            digests.push_back(std::move(digest));
            if (!entry.Entry.IsDirectory) ++filesDone;
        }
        bytesPacked += chunk->Input.size();
        if (options.Progress) options.Progress(filesDone, entry.Entry, bytesPacked);
    }
    return digests;
}
