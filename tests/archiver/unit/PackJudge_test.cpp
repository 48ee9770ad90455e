// Whether packing pays, judged on a sample: what does not shrink is stored.
#include "archiver/common/PackJudge.h"

#include "SampleBytes.h"

#include <gtest/gtest.h>

#include <string>

TEST(PackJudge, JudgesBySampleAndHead)
{
    const struct {
        const char* What;
        std::string Head;
        bool Whole;
        bool Pays;
    } cases[] = {
        {"text", Text(500000), false, true},
        {"noise", Noise(500000, 1), false, false},
        // A picture: tables that shrink, then coded data that does not.
        {"page", Text(3000) + Noise(180000, 2), true, false},
        {"short page, judged whole", Text(3000) + Noise(20000, 3), true, true},
        {"small noise", Noise(30000, 4), true, false},
        {"tiny text", "aaaaaaaaaaaaaaaaaaaaaaaa", true, true},
        {"tiny noise", Noise(40, 5), true, false},
        {"text around noise", Text(70000) + Noise(90000, 6) + Text(50000), true, true},
        {"noise around text", Noise(70000, 7) + Text(20000) + Noise(70000, 8), true, true},
        // Nothing but repeats, or bytes of fewer values: high-looking data that packs.
        {"noise repeated", [] { std::string r; while (r.size() < 200000) r += Noise(3000, 9); return r; }(), false, true},
        {"noise of 128 values", [] { std::string r = Noise(200000, 10); for (char& c : r) c &= 0x7F; return r; }(), false, true},
        {"nothing", "", true, false},
    };
    TPackJudge judge;
    for (const auto& c : cases) {
        EXPECT_EQ(judge.Pays(reinterpret_cast<const uint8_t*>(c.Head.data()), c.Head.size(), c.Whole), c.Pays) << c.What;
    }
}
