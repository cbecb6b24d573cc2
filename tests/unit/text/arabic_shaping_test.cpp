#include "text/arabic_shaping.h"

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace torvane {
namespace {

struct ShapeCase {
    const char* what;
    std::u16string logical;
    std::u16string stored;
};

void PrintTo(const ShapeCase& c, std::ostream* os)
{
    *os << c.what;
}

class ShapeCases : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeCases, ShapesToStoredUnits)
{
    std::u16string text = GetParam().logical;
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(ShapeForReceiver(text));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(text, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ShapeCases,
    ::testing::Values(
        ShapeCase{"lam alef alone", u"\u0644\u0627", u"\uFEFB"},
        ShapeCase{"lam alef after a joining letter", u"\u0628\u0644\u0627", u"\uFEFC\uFE91"},
        ShapeCase{"lam alef madda / hamza above / hamza below", u"\u0644\u0622 \u0644\u0623 \u0644\u0625",
                  u"\uFEF9 \uFEF7 \uFEF5"},
        ShapeCase{"three behs: final, medial, initial", u"\u0628\u0628\u0628", u"\uFE90\uFE92\uFE91"},
        ShapeCase{"latin, space, arabic: the space ends up after the arabic", u"ab \u0628\u062A",
                  u"ab\uFE96\uFE91 "},
        ShapeCase{"fatha between lam and alef still gives the ligature", u"\u0644\u064E\u0627", u"\uFEFB"},
        ShapeCase{"harakat are dropped", u"\u0628\u064B\u0650\u0652\u0628", u"\uFE90\uFE91"},
        ShapeCase{"zero-width non-joiner stops joining and vanishes", u"\u0628\u200C\u0628",
                  u"\uFE8F\uFE8F"},
        ShapeCase{"zero-width joiner joins and vanishes", u"\u0628\u200D", u"\uFE91"},
        ShapeCase{"CR LF cuts the text", u"ab\r\ncd", u"ab"},
        ShapeCase{"lone CR and LF are ordinary", u"a\rb\nc", u"a\rb\nc"},
        ShapeCase{"tatweel keeps its form and joins both sides", u"\u0628\u0640\u0628",
                  u"\uFE90\u0640\uFE91"},
        ShapeCase{"alef joins only the letter before it", u"\u0627\u0628", u"\uFE8F\uFE8D"},
        ShapeCase{"hamza never joins", u"\u0628\u0621\u0628", u"\uFE8F\uFE80\uFE8F"},
        ShapeCase{"two arabic runs between spaces become one", u"\u0628 \u062A", u"\uFE95 \uFE8F"},
        ShapeCase{"leading space goes with the arabic run", u" \u0628a", u"\uFE8F a"},
        ShapeCase{"digits split arabic runs, each reversed alone", u"\u0628\u0628 12 \u062A\u062A",
                  u" \uFE90\uFE91" u"12" u"\uFE96\uFE97 "},
        ShapeCase{"spaces between latin runs stay", u"a  b\tc", u"a  b\tc"},
        ShapeCase{"spaces alone stay", u" \t ", u" \t "},
        ShapeCase{"an alef of an earlier run never takes a later lam", u"\u06271\u0644",
                  u"\uFE8D" u"1" u"\uFEDD"},
        ShapeCase{"persian letters", u"\u067E\u0686\u06A9\u06AF\u06CC",
                  u"\uFBFD\uFB95\uFB91\uFB7D\uFB58"},
        ShapeCase{"empty", u"", u""}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return "Case" + std::to_string(info.index); });

// Tatweel joins but is no letter of a ligature: the lam keeps its own form, the name comes back
// unchanged, and nothing reaches standard output (torvane-cli's standard output is data).
TEST(ShapeForReceiver, TatweelBetweenLamAndAlefMakesNoLigature)
{
    for (const std::u16string logical : {u"\u0644\u0640\u0627", u"\u0628\u0644\u0640\u0640\u0623"}) {
        std::u16string text = logical;
        ::testing::internal::CaptureStdout();
        EXPECT_TRUE(ShapeForReceiver(text));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(text.find(u' '), std::u16string::npos);
        ASSERT_TRUE(UnshapeFromReceiver(text));
        EXPECT_EQ(text, logical);
    }
    std::u16string text = u"\u0644\u0640\u0627";
    ASSERT_TRUE(ShapeForReceiver(text));
    EXPECT_EQ(text, u"\uFE8E\u0640\uFEDF");
}

struct UnshapeCase {
    const char* what;
    std::u16string stored;
    std::u16string logical;
};

void PrintTo(const UnshapeCase& c, std::ostream* os)
{
    *os << c.what;
}

class UnshapeCases : public ::testing::TestWithParam<UnshapeCase> {};

TEST_P(UnshapeCases, UnshapesToLogicalText)
{
    std::u16string text = GetParam().stored;
    EXPECT_TRUE(UnshapeFromReceiver(text));
    EXPECT_EQ(text, GetParam().logical);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, UnshapeCases,
    ::testing::Values(
        UnshapeCase{"three behs", u"\uFE90\uFE92\uFE91", u"\u0628\u0628\u0628"},
        UnshapeCase{"base letter after tatweel's row stays", u"\u0641", u"\u0641"},
        UnshapeCase{"tatweel stays", u"\u0640", u"\u0640"},
        UnshapeCase{"alef maksura isolated and final", u"\uFEEF\uFEF0", u"\u0649\u0649"},
        UnshapeCase{"yeh in all four forms", u"\uFEF1\uFEF2\uFEF3\uFEF4", u"\u064A\u064A\u064A\u064A"},
        UnshapeCase{"salam: lam alef inside the run", u"\uFEE1\uFEFC\uFEB3", u"\u0633\u0644\u0627\u0645"},
        UnshapeCase{"every lam-alef ligature",
                    u"\uFEF5\uFEF6 \uFEF7\uFEF8 \uFEF9\uFEFA \uFEFB\uFEFC",
                    u"\u0644\u0627\u0644\u0627 \u0644\u0625\u0644\u0625 \u0644\u0623\u0644\u0623 "
                    u"\u0644\u0622\u0644\u0622"},
        UnshapeCase{"latin stays in order, arabic run reversed with its space", u"ab\uFE96\uFE91 ",
                    u"ab \u0628\u062A"},
        UnshapeCase{"hamza and persian forms", u"\uFE80\uFBFF\uFB8E", u"\u06A9\u06CC\u0621"},
        UnshapeCase{"CR LF cuts the text", u"\uFE8F\r\nx", u"\u0628"},
        UnshapeCase{"forms outside the table stay", u"\uFEFD\uFB50", u"\uFEFD\uFB50"}),
    [](const ::testing::TestParamInfo<UnshapeCase>& info) { return "Case" + std::to_string(info.index); });

std::u16string Repeat(std::u16string_view unit, std::size_t times)
{
    std::u16string text;
    for (std::size_t i = 0; i < times; ++i)
        text.append(unit);
    return text;
}

struct LimitCase {
    const char* what;
    std::u16string text;
    bool accepted;
};

void PrintTo(const LimitCase& c, std::ostream* os)
{
    *os << c.what;
}

class WorkingStoreLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(WorkingStoreLimits, LongTextsAreRefusedUnchanged)
{
    for (bool shaping : {true, false}) {
        std::u16string text = GetParam().text;
        const bool done = shaping ? ShapeForReceiver(text) : UnshapeFromReceiver(text);
        EXPECT_EQ(done, GetParam().accepted) << GetParam().what << (shaping ? " shaping" : " unshaping");
        if (!GetParam().accepted) {
            EXPECT_EQ(text, GetParam().text);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, WorkingStoreLimits,
    ::testing::Values(LimitCase{"1025 units fit", Repeat(u"a", kShapingMaxUnits), true},
                      LimitCase{"1026 units do not", Repeat(u"a", kShapingMaxUnits + 1), false},
                      LimitCase{"1026 units cut by CR LF to 1025", Repeat(u"a", kShapingMaxUnits) + u"\r\n", true},
                      LimitCase{"499 runs fit", Repeat(u"a\u0628", 249) + u"a", true},
                      LimitCase{"500 runs do not", Repeat(u"a\u0628", 250), false}));

TEST(UnshapeFromReceiver, LigaturesMayLengthenTheText)
{
    std::u16string text = Repeat(u"\uFEFB", kShapingMaxUnits);
    ASSERT_TRUE(UnshapeFromReceiver(text));
    EXPECT_EQ(text, Repeat(u"\u0644\u0627", kShapingMaxUnits));
}

// Names made of the table's letters, a few other Arabic characters, spaces, Latin letters and
// digits. Two patterns are left out because shaping alone cannot give them back: alef maksura
// joined to the letter after it (its initial and medial forms are yeh's isolated and final) and
// lam, tatweel, alef (the ligature error).
class NameGenerator {
public:
    explicit NameGenerator(unsigned seed) : m_random(seed) {}

    std::u16string Next()
    {
        std::uniform_int_distribution<std::size_t> lengthPick(1, 24);
        const std::size_t length = lengthPick(m_random);
        std::u16string name;
        while (name.size() < length) {
            const char16_t c = Pick();
            if (Allowed(name, c))
                name.push_back(c);
        }
        return name;
    }

private:
    static bool Joins(char16_t c)
    {
        return (c >= 0x0622 && c <= 0x063A) || (c >= 0x0640 && c <= 0x064A) || c == 0x067E || c == 0x0686
            || c == 0x06A9 || c == 0x06AF || c == 0x06CC;
    }

    static bool IsAlef(char16_t c) { return c == 0x0622 || c == 0x0623 || c == 0x0625 || c == 0x0627; }

    static bool Allowed(const std::u16string& name, char16_t c)
    {
        if (!name.empty() && name.back() == 0x0649 && Joins(c))
            return false;
        if (IsAlef(c)) {
            std::size_t i = name.size();
            while (i > 0 && name[i - 1] == 0x0640)
                --i;
            if (i > 0 && i < name.size() && name[i - 1] == 0x0644)
                return false;
        }
        return true;
    }

    char16_t Pick()
    {
        static const std::u16string kAlphabet = [] {
            std::u16string a;
            for (char16_t c = 0x0621; c <= 0x063A; ++c)
                a.push_back(c);
            for (char16_t c = 0x0640; c <= 0x064A; ++c)
                a.push_back(c);
            a += u"\u067E\u0686\u06A9\u06AF\u06CC";
            a += u"\u0644\u0644\u0627\u0627";  // lam-alef pairs more often
            a += u"\u060C\u0661  \t";
            a += u"AZaz09-+.";
            return a;
        }();
        std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
        return kAlphabet[pick(m_random)];
    }

    std::mt19937 m_random;
};

TEST(ShapingRoundTrip, ReadThenWriteGivesTheSameStoredUnits)
{
    NameGenerator names(20260701);
    for (int i = 0; i < 5000; ++i) {
        const std::u16string logical = names.Next();
        std::u16string stored = logical;
        ASSERT_TRUE(ShapeForReceiver(stored));

        std::u16string read = stored;
        ASSERT_TRUE(UnshapeFromReceiver(read));
        EXPECT_EQ(read, logical) << "name " << i;

        std::u16string written = read;
        ASSERT_TRUE(ShapeForReceiver(written));
        ASSERT_EQ(written, stored) << "name " << i;
    }
}

TEST(ShapingRoundTrip, AlefMaksuraJoinedToTheNextLetterReadsBackAsYeh)
{
    std::u16string stored = u"\u0649\u0628";
    ASSERT_TRUE(ShapeForReceiver(stored));
    EXPECT_EQ(stored, u"\uFE90\uFEF1");  // FEF1 is both maksura's initial and yeh's isolated form
    ASSERT_TRUE(UnshapeFromReceiver(stored));
    EXPECT_EQ(stored, u"\u064A\u0628");
}

} // namespace
} // namespace torvane
