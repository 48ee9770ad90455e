#include "engine/win32/CompressPhases.h"

#if FENNORO_PHASE_TIMES
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int64_t NowTicks()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

const char* const PhaseNames[] = {"other",    "safety_walks", "load_library", "packing", "read_back",
                                  "flush",    "counting",     "recycling",    "window"};
static_assert(std::size(PhaseNames) == static_cast<size_t>(TCompressPhase::Count));

} // namespace

TCompressPhase TCompressPhases::Enter(TCompressPhase phase)
{
    const int64_t now = NowTicks();
    if (Since) Ticks[static_cast<size_t>(Phase)] += now - Since;
    Since = now;
    const TCompressPhase previous = Phase;
    Phase = phase;
    return previous;
}

void TCompressPhases::CallReport(bool readingBack, bool finished)
{
    if (finished && Phase != TCompressPhase::Commit) Enter(TCompressPhase::Commit);
    else if (readingBack && Phase == TCompressPhase::Packing) Enter(TCompressPhase::ReadBack);
}

void TCompressPhases::Finish()
{
    Enter(TCompressPhase::Other);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    std::wstring path = self;
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"fennoro-phases.txt";
    FILE* file = _wfopen(path.c_str(), L"ab");
    if (!file) return;
    std::fprintf(file, "folders=%u\n", static_cast<unsigned>(Folders));
    for (size_t i = 0; i < std::size(PhaseNames); ++i)
        std::fprintf(file, "%s=%.4f\n", PhaseNames[i], static_cast<double>(Ticks[i]) / static_cast<double>(frequency.QuadPart));
    std::fprintf(file, "end\n");
    std::fclose(file);
}

#else

TCompressPhase TCompressPhases::Enter(TCompressPhase) { return TCompressPhase::Other; }
void TCompressPhases::CallReport(bool, bool) {}
void TCompressPhases::Finish() {}

#endif
