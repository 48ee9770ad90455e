#include "archiver/sevenzip/SolidPipeline.h"

#include "archiver/common/Crc32.h"
#include "archiver/common/PackJudge.h"
#include "archiver/sevenzip/LzmaCoder.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace {

constexpr size_t ProbeSize = 64 * 1024;
// Smaller files always go into the stream: there they cost a few bytes, while
// a folder of their own costs more header than the probe could save.
constexpr size_t TinyFileSize = 1024;
constexpr size_t CopyChunkSize = 1 << 20;
constexpr size_t OutputChunkSize = 1 << 20;
// Blocks: large enough that starting afresh costs little, small enough that a
// block's output waiting in memory stays modest.
constexpr uint64_t MinBlockSize = 1 << 20;
constexpr uint64_t MaxBlockSize = 64 << 20;
// What the workers' encoders together may take of a 32-bit address space:
// two at level 6, one at levels 7 to 9 (64 MiB dictionaries, about 680 MiB each).
constexpr uint64_t EncoderMemoryBudget = uint64_t{768} << 20;
constexpr unsigned MaxThreads = 4;
constexpr uint32_t MinFallbackDictionary = 1 << 20;

// Whether a file's head packs at all; the tiny ones always go into the stream.
class TProbe {
public:
    bool Pays(const std::vector<uint8_t>& head, bool whole)
    {
        if (whole && head.size() <= TinyFileSize) return true;
        return Judge.Pays(head.data(), head.size(), whole);
    }

private:
    TPackJudge Judge;
};

// A file taken from the list, its head already read.
struct TOpenFile {
    size_t Index = 0;
    std::unique_ptr<TDataReader> Reader;
    std::vector<uint8_t> Head;
    size_t HeadAt = 0;
    uint64_t Size = 0;
    uint32_t Crc = 0;

    size_t Read(uint8_t* data, size_t size)
    {
        size_t n;
        if (HeadAt < Head.size()) {
            n = std::min(size, Head.size() - HeadAt);
            std::memcpy(data, Head.data() + HeadAt, n);
            HeadAt += n;
        } else {
            n = Reader->Read(data, size);
        }
        Crc = Crc32Update(Crc, data, n);
        Size += n;
        return n;
    }
};

// Thrown inside a worker once the run stops: it only unwinds the worker.
struct TStopped {};

// Where a worker stands in the entries planned for its block.
struct TPlanCursor {
    const std::vector<size_t>& Plan;
    size_t At;
};

class TSolidRun {
public:
    TSolidRun(const std::vector<TPipelineEntry>& entries, TSevenZipWriter& writer, const TSolidOptions& options)
        : Entries(entries), Writer(writer), Options(options)
    {
        uint64_t total = 0, largest = 0;
        for (const TPipelineEntry& entry : entries) {
            total += entry.Entry.SizeHint;
            largest = std::max(largest, entry.Entry.SizeHint);
        }
        Threads = Options.Threads ? Options.Threads : std::max(1u, std::thread::hardware_concurrency());
        Threads = std::min(Threads, MaxThreads);
        if (Options.Level == 0) Threads = 1;  // copying only: the writer is the bottleneck
        for (;;) {
            BlockSize = Options.BlockSize ? Options.BlockSize
                                          : std::clamp<uint64_t>((total + Threads - 1) / Threads, MinBlockSize, MaxBlockSize);
            // No dictionary larger than a block, or than the largest file, can be used.
            Level.Level = Options.Level;
            Level.ReduceSize = std::max(BlockSize, largest);
            if (Threads == 1 || Options.Level == 0 || Threads * Level.EncoderMemory() <= EncoderMemoryBudget) break;
            --Threads;
        }
        const uint64_t blocks = std::max<uint64_t>((total + BlockSize - 1) / BlockSize, 1);
        Threads = static_cast<unsigned>(std::min<uint64_t>(blocks, Threads));
        PlanBlocks(entries, static_cast<size_t>(std::clamp<uint64_t>(entries.size(), 1, blocks)));
    }

    std::vector<TEntryDigest> Run()
    {
        struct TJoin {
            TSolidRun& Run;
            std::vector<std::thread> Workers;
            ~TJoin()
            {
                Run.Stop = true;
                for (std::thread& worker : Workers) worker.join();
            }
        } join{*this, {}};
        Running = Threads;
        for (unsigned i = 0; i < Threads; ++i) join.Workers.emplace_back([this] { Work(); });
        for (;;) {
            {
                std::unique_lock<std::mutex> guard(DoneLock);
                if (DoneSignal.wait_for(guard, std::chrono::milliseconds(40), [&] { return Running == 0; })) break;
            }
            ReportProgress();
        }
        if (Error) std::rethrow_exception(Error);
        ReportProgress();
        return std::move(Digests);
    }

private:
    // Deals the entries out to the blocks before any is packed, largest first to
    // the block with the least data so far: blocks taking files as they came
    // left one large file at the end to a single worker while the others sat
    // idle. Each block then reads its files in list order.
    void PlanBlocks(const std::vector<TPipelineEntry>& entries, size_t blocks)
    {
        std::vector<size_t> order(entries.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return entries[a].Entry.SizeHint > entries[b].Entry.SizeHint; });
        Plans.assign(blocks, {});
        std::vector<uint64_t> load(blocks, 0);
        for (size_t index : order) {
            const size_t lightest = static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
            Plans[lightest].push_back(index);
            load[lightest] += entries[index].Entry.SizeHint + 1;  // entries without a size hint spread too
        }
        for (std::vector<size_t>& plan : Plans) std::sort(plan.begin(), plan.end());
    }

    void ReportProgress()
    {
        if (Options.Progress && !Entries.empty()) Options.Progress(FilesDone, Entries[Current].Entry, Packed);
    }

    void Work()
    {
        try {
            TProbe probe;
            TLzmaLevel level = Level;
            for (;;) {
                const size_t plan = NextPlan++;
                if (plan >= Plans.size()) break;
                TPlanCursor cursor{Plans[plan], 0};
                while (std::unique_ptr<TOpenFile> first = TakePackable(probe, cursor)) PackBlock(std::move(first), probe, level, cursor);
            }
        } catch (const TStopped&) {
        } catch (const TLzmaStopped&) {
        } catch (...) {
            std::lock_guard<std::mutex> guard(DoneLock);
            if (!Error) Error = std::current_exception();
            Stop = true;
        }
        {
            std::lock_guard<std::mutex> guard(DoneLock);
            --Running;
        }
        DoneSignal.notify_all();
    }

    // The next file that goes into a block; directories, empty files and files
    // that do not pack are written on the way. Null at the end.
    std::unique_ptr<TOpenFile> TakePackable(TProbe& probe, TPlanCursor& cursor)
    {
        for (;;) {
            if (Stop) throw TStopped{};
            if (cursor.At == cursor.Plan.size()) return nullptr;
            const size_t index = cursor.Plan[cursor.At++];
            Current = index;
            const TPipelineEntry& entry = Entries[index];
            if (entry.Entry.IsDirectory) {
                AddEmpty(entry.Entry);
                continue;
            }
            auto file = std::make_unique<TOpenFile>();
            file->Index = index;
            file->Reader = entry.Open();
            file->Head.resize(ProbeSize);
            size_t got = 0;
            while (got < ProbeSize) {
                const size_t n = file->Reader->Read(file->Head.data() + got, ProbeSize - got);
                if (n == 0) break;
                got += n;
            }
            file->Head.resize(got);
            if (got == 0) {
                AddEmpty(entry.Entry);
                ++FilesDone;
                continue;
            }
            if (Options.Level > 0 && probe.Pays(file->Head, got < ProbeSize)) return file;
            CopyFile(*file);
        }
    }

    void AddEmpty(const TArchiveEntry& entry)
    {
        std::lock_guard<std::mutex> guard(WriteLock);
        Writer.AddEmpty(entry);
        TEntryDigest digest;
        digest.Name = entry.Name;
        digest.DisplayName = entry.DisplayName;
        digest.IsDirectory = entry.IsDirectory;
        Digests.push_back(std::move(digest));
    }

    // A file that does not pack: its own folder with the Copy coder, written at once.
    void CopyFile(TOpenFile& file)
    {
        std::lock_guard<std::mutex> guard(WriteLock);
        std::vector<uint8_t> buffer(std::max(CopyChunkSize, file.Head.size()));
        for (;;) {
            if (Stop) throw TStopped{};
            const size_t n = file.Read(buffer.data(), buffer.size());
            if (n == 0) break;
            Writer.WriteData(buffer.data(), n);
            Packed += n;
        }
        TSevenZipFolder folder;
        folder.PackedSize = file.Size;
        folder.Files.push_back({Entries[file.Index].Entry, file.Size, file.Crc});
        EndFolder(folder);
        ++FilesDone;
    }

    // One solid LZMA block: this file and the next packable ones of its plan.
    // Its output waits in memory until it is whole; a block that grows past
    // the limit (one very large file) takes the writer and writes on directly,
    // so that memory stays bounded.
    void PackBlock(std::unique_ptr<TOpenFile> current, TProbe& probe, TLzmaLevel& level, TPlanCursor& cursor)
    {
        TSevenZipFolder folder;
        folder.Lzma = true;
        uint64_t taken = 0;
        std::vector<std::vector<uint8_t>> output;
        std::unique_lock<std::mutex> writing(WriteLock, std::defer_lock);
        const auto read = [&](uint8_t* data, size_t size) -> size_t {
            while (current) {
                if (Stop) throw TStopped{};
                const size_t n = current->Read(data, size);
                if (n > 0) {
                    taken += n;
                    return n;
                }
                folder.Files.push_back({Entries[current->Index].Entry, current->Size, current->Crc});
                ++FilesDone;
                current.reset();
                // Once it writes directly, the block ends with its file: a file
                // copied meanwhile would land inside its packed stream. The
                // rest of the plan then goes into a block of its own.
                if (!writing.owns_lock()) current = TakePackable(probe, cursor);
            }
            return 0;
        };
        const auto flush = [&] {
            if (Stop) throw TStopped{};
            for (const std::vector<uint8_t>& chunk : output) Writer.WriteData(chunk.data(), chunk.size());
            output.clear();
        };
        const auto write = [&](const uint8_t* data, size_t size) {
            folder.PackedSize += size;
            if (!writing.owns_lock() && folder.PackedSize > Options.BufferLimit) {
                writing.lock();
                flush();
            }
            if (writing.owns_lock()) {
                Writer.WriteData(data, size);
                return;
            }
            while (size > 0) {
                if (output.empty() || output.back().size() == OutputChunkSize) {
                    output.emplace_back();
                    output.back().reserve(OutputChunkSize);
                }
                std::vector<uint8_t>& chunk = output.back();
                const size_t step = std::min(size, OutputChunkSize - chunk.size());
                chunk.insert(chunk.end(), data, data + step);
                data += step;
                size -= step;
            }
        };
        // Where the level's dictionary does not fit, a smaller one does (and
        // stays the worker's for its later blocks).
        uint64_t encoded = 0;
        const auto keepGoing = [&](uint64_t now) {
            Packed += now - encoded;
            encoded = now;
            return !Stop;
        };
        for (;;) {
            TLzmaEncoder encoder(level);
            folder.Properties = encoder.Properties();
            if (encoder.Encode(read, write, keepGoing)) break;
            const uint32_t dictionary = level.DictionarySize();
            if (dictionary <= MinFallbackDictionary) throw std::bad_alloc();
            // The next size down of the SDK's steps (2 or 3 times a power of two).
            const bool powerOfTwo = (dictionary & (dictionary - 1)) == 0;
            level.ReduceSize = powerOfTwo ? dictionary / 4 * 3 : dictionary / 3 * 2;
        }

        if (taken > encoded) Packed += taken - encoded;  // the last bytes, after the last report
        if (!writing.owns_lock()) writing.lock();
        flush();
        EndFolder(folder);
    }

    // With WriteLock held.
    void EndFolder(const TSevenZipFolder& folder)
    {
        Writer.EndFolder(folder);
        for (const TSevenZipFolder::TFile& file : folder.Files) {
            TEntryDigest digest;
            digest.Name = file.Entry.Name;
            digest.DisplayName = file.Entry.DisplayName;
            digest.Size = file.Size;
            digest.Crc = file.Crc;
            Digests.push_back(std::move(digest));
        }
    }

    const std::vector<TPipelineEntry>& Entries;
    TSevenZipWriter& Writer;
    const TSolidOptions& Options;
    unsigned Threads = 1;
    uint64_t BlockSize = MaxBlockSize;
    TLzmaLevel Level;

    std::vector<std::vector<size_t>> Plans;  // the entries of each block, in list order
    std::atomic<size_t> NextPlan{0};
    std::mutex WriteLock;  // guards Writer and Digests
    std::vector<TEntryDigest> Digests;
    std::mutex DoneLock;  // guards Running and Error
    std::condition_variable DoneSignal;
    unsigned Running = 0;
    std::exception_ptr Error;
    std::atomic<bool> Stop{false};
    std::atomic<size_t> FilesDone{0}, Current{0};
    std::atomic<uint64_t> Packed{0};  // source bytes through the coders
};

} // namespace

std::vector<TEntryDigest> RunSolidPipeline(const std::vector<TPipelineEntry>& entries, TSevenZipWriter& writer,
                                           const TSolidOptions& options)
{
    TSolidRun run(entries, writer, options);
    return run.Run();
}
