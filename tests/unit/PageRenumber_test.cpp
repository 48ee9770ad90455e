#include "engine/PageRenumber.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Numbered(const std::string& prefix, int first, int last, const std::string& extension = ".jpg")
{
    std::vector<std::string> names;
    for (int n = first; n <= last; ++n) names.push_back(prefix + std::to_string(n) + extension);
    return names;
}

} // namespace

TEST(PageRenumber, PlansOrRefuses)
{
    std::vector<std::string> gaps{"1.jpg", "2.jpg", "4.jpg", "10.jpg"};
    std::vector<std::string> twin = Numbered("", 1, 10);
    twin.push_back("01.jpg");
    std::vector<std::string> cover = Numbered("", 1, 10);
    cover.push_back("Cover.png");
    std::vector<std::string> zeroCover{"0.jpg", "1.jpg", "cover.jpg"};
    std::vector<std::string> padded{"01.jpg", "02.jpg", "表紙.jpg"};
    const struct {
        const char* Title;
        std::vector<std::string> Pages;
        std::vector<std::string> Others;
        bool About;
        size_t Renames;   // when the plan holds
        const char* Problem;  // the start of it, else ""
    } cases[] = {
        {"1..10", Numbered("", 1, 10), {}, false, 9, ""},
        {"p1..p120", Numbered("p", 1, 120), {}, false, 99, ""},
        {"gaps, tolerated", gaps, {}, true, 3, ""},
        {"gaps, strict", gaps, {}, false, 0, "桁をそろえても連番になりません: "},
        {"two pages to one name", twin, {}, false, 0, "同じ名前になるファイルがあります: 01.jpg"},
        {"a name another entry holds", Numbered("", 1, 10), {"05.JPG"}, false, 0, "既にある名前です: 05.JPG"},
        {"a cover before the first", cover, {"Thumbs.db"}, false, 10, ""},
        {"a cover with no number before", zeroCover, {}, false, 0, "表紙に付ける番号がありません"},
        {"two prefixes", {"a1.jpg", "b10.jpg"}, {}, false, 0, "プレフィックスが一致しません"},
        {"a page without a number", {"1.jpg", "10.jpg", "note.jpg"}, {}, false, 0, "番号のないファイルがあります"},
        {"nothing lacks zeros", {"01.jpg", "02.jpg"}, {}, false, 0, "桁をそろえる必要はありません"},
        {"a Japanese cover beside padded pages", padded, {}, false, 1, ""},
        {"a number too long", {"1.jpg", "12345678901.jpg"}, {}, false, 0, "連番の桁が多すぎます"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Title);
        const TRenumberPlan plan = PlanRenumbering(c.Pages, c.Others, c.About);
        if (*c.Problem) {
            EXPECT_EQ(plan.Problem.rfind(c.Problem, 0), 0u) << plan.Problem;
            EXPECT_TRUE(plan.Renames.empty());
        } else {
            EXPECT_EQ(plan.Problem, "");
            EXPECT_EQ(plan.Renames.size(), c.Renames);
        }
    }
}

TEST(PageRenumber, NewNamesKeepPrefixAndExtensionAndPutTheCoverFirst)
{
    const TRenumberPlan plan = PlanRenumbering({"p1.jpg", "p10.PNG", "p2.jpg", "cover.jpg"}, {}, true);
    ASSERT_EQ(plan.Problem, "");
    EXPECT_EQ(plan.Renames, (std::vector<TPageRename>{{"p1.jpg", "p01.jpg"}, {"p2.jpg", "p02.jpg"}, {"cover.jpg", "p00.jpg"}}));
    const TRenumberPlan japanese = PlanRenumbering({"表紙.jpg", "001.jpg", "002.jpg"}, {}, false);
    EXPECT_EQ(japanese.Renames, (std::vector<TPageRename>{{"表紙.jpg", "000.jpg"}}));
}
