// The one grammar of hex text that the search box, Replace, paste and the fill pattern
// read: pairs of digits, blanks only between pairs, and a reason for every refusal.
#include "text/HexText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace vtx;

namespace {

struct HexCase {
    const char* name;
    std::string text;
    HexTextProblem problem;
    std::vector<std::uint8_t> bytes;
};

class HexGrammar : public ::testing::TestWithParam<HexCase>
{
};

TEST_P(HexGrammar, ReadsPairsWithBlanksOnlyBetweenThem)
{
    const HexCase& c = GetParam();
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ParseHexText(std::string_view(c.text), bytes), c.problem);
    if (c.problem == HexTextProblem::None)
        EXPECT_EQ(bytes, c.bytes);
    // The wide form (paste, the dialogs) reads the same.
    const std::u16string wide(c.text.begin(), c.text.end());
    EXPECT_EQ(ParseHexText(std::u16string_view(wide), bytes), c.problem);
    EXPECT_EQ(HexTextProblemText(c.problem) == nullptr, c.problem == HexTextProblem::None);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HexGrammar,
    ::testing::Values(HexCase{"Plain", "4142ff0A", HexTextProblem::None, {0x41, 0x42, 0xFF, 0x0A}},
                      HexCase{"BlanksBetweenPairs", " 45 4C\t46\r\n00 ", HexTextProblem::None, {0x45, 0x4C, 0x46, 0}},
                      HexCase{"BlankInsideAPair", "45 4 C", HexTextProblem::SplitPair, {}},
                      HexCase{"OddDigits", "454", HexTextProblem::OddDigits, {}},
                      HexCase{"OnlyBlanks", " \t", HexTextProblem::Empty, {}},
                      HexCase{"NotADigit", "4G", HexTextProblem::NotHex, {}},
                      HexCase{"PrefixIsNotHexHere", "0x41", HexTextProblem::NotHex, {}},
                      HexCase{"Comma", "41,42", HexTextProblem::NotHex, {}}),
    [](const ::testing::TestParamInfo<HexCase>& info) { return std::string(info.param.name); });

} // namespace
