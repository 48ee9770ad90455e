#pragma once
// Whether packing a file pays, judged on a sample of its first bytes so that
// data which does not shrink (JPEG pages, archives) is stored without being
// deflated whole, or even deflated in large part. Platform-free.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

// One per thread that judges: it keeps its deflater between files.
class TPackJudge {
public:
    // Three slices of the head, a quarter, a half and three quarters in.
    static constexpr size_t SliceSize = 8 * 1024;
    static constexpr size_t Slices = 3;
    // Packing pays when the sample shrinks by at least this share (in 1/1000).
    static constexpr size_t RequiredSavingPerMille = 10;

    TPackJudge();
    ~TPackJudge();
    TPackJudge(const TPackJudge&) = delete;
    TPackJudge& operator=(const TPackJudge&) = delete;

    // What is known of the file: its first `size` bytes; `whole` when they are
    // all of it. A head of up to twice the slices is deflated whole (a whole
    // file pays when it shrinks at all); a longer one is judged on its slices,
    // which miss the tables at a picture's start (they shrink, the rest does
    // not) and see the parts of a file that mixes both. Deflate's fastest
    // level judges, the slices in one stream; slices whose byte statistics and
    // repeated strings leave deflate no room to save that much are not deflated.
    bool Pays(const uint8_t* head, size_t size, bool whole);

private:
    bool MaySave() const;
    void Begin(size_t size);
    void Feed(const uint8_t* data, size_t size, bool finish);
    size_t Produced() const { return Output.size() - Stream.avail_out; }

    z_stream Stream{};
    std::vector<uint8_t> Output;
    std::vector<uint8_t> Sample;  // the slices, one after the other
};
