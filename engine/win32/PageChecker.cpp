#include "engine/win32/PageChecker.h"

#include "engine/win32/ImageFile.h"

TPageChecker::TPageChecker(TCheckDepth depth) : Depth(depth), HelperThread([this] { Helper(); }) {}

TPageChecker::~TPageChecker()
{
    {
        std::lock_guard<std::mutex> lock(Lock);
        Quit = true;
    }
    Wake.notify_one();
    HelperThread.join();
}

ptrdiff_t TPageChecker::FirstDamaged(std::vector<TFile> files, std::function<bool()> stop)
{
    Begin(std::move(files), std::move(stop));
    return End();
}

void TPageChecker::Begin(std::vector<TFile> files, std::function<bool()> stop)
{
    {
        std::lock_guard<std::mutex> lock(Lock);
        Files = std::move(files);
        Verdicts.assign(Files.size(), TPageVerdict{});
        FileDigests.assign(Files.size(), TPageDigest{});
        Found = {};
        Stop = std::move(stop);
        Next = 0;
        Damaged = Files.size();
        StopSeen = false;
        Open = true;
        ++Generation;
    }
    Wake.notify_one();
}

ptrdiff_t TPageChecker::End()
{
    Work();
    {
        // Every file below the first damaged one has been judged once no helper works.
        std::unique_lock<std::mutex> lock(Lock);
        Done.wait(lock, [this] { return Working == 0; });
        Open = false;
    }
    if (StopSeen) return Stopped;
    const size_t damaged = Damaged;
    if (damaged >= Files.size()) return AllWhole;
    Found = Verdicts[damaged];
    return static_cast<ptrdiff_t>(damaged);
}

void TPageChecker::Helper()
{
    unsigned seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(Lock);
            Wake.wait(lock, [&] { return Quit || (Open && Generation != seen); });
            if (Quit) return;
            seen = Generation;
            ++Working;
        }
        Work();
        bool last = false;
        {
            std::lock_guard<std::mutex> lock(Lock);
            last = --Working == 0;
        }
        if (last) Done.notify_one();
    }
}

// Files in order, each taken by whichever thread is free; none past a damaged one.
void TPageChecker::Work()
{
    const std::vector<TFile>& files = Files;
    for (;;) {
        if (StopSeen || Stop()) {
            StopSeen = true;
            return;
        }
        const size_t i = Next.fetch_add(1);
        if (i >= files.size() || i > Damaged) return;
        if (files[i].Kind == TImageKind::None) continue;
        TPageVerdict verdict{TPageFault::Unreadable};
        try {
            // The deep walk reads nearly every byte: its digest is almost free.
            verdict = CheckImageFile(files[i].Path, Depth, Depth == TCheckDepth::Deep ? &FileDigests[i] : nullptr);
        } catch (...) {
            // No room even for the quick check's block: the file cannot be judged whole.
        }
        Verdicts[i] = verdict;  // a whole page's too: its size
        if (verdict.Whole()) continue;
        size_t first = Damaged;
        while (i < first && !Damaged.compare_exchange_weak(first, i)) {
        }
    }
}
