#include "app/files/ini_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(FindIniValue, ReadsTheFirstOccurrenceAsSimpleIniParsesTheText) {
    struct Case {
        const char* name;
        std::string text;
        const char* key;
        std::optional<std::string> value;
    };
    const std::vector<Case> cases{
        {"TwiceInOneSection", "[CONFIG]\nA=1\nA=2\n", "A", "1"},
        {"RepeatedSection", "[CONFIG]\nB=0\n[Other]\nA=x\n[config]\nA=3\n[CONFIG]\nA=4\n", "a",
         "3"},
        {"BlanksAroundNamesAndValue", "[ Config ]\n  a \t=  spaced value \t\n", "A",
         "spaced value"},
        {"PresentButEmpty", "[CONFIG]\nA=\n", "A", ""},
        {"EverythingAfterTheFirstEquals", "[CONFIG]\nA=x=y ; no comment\n", "A",
         "x=y ; no comment"},
        {"KeyBeforeAnySection", "A=1\n[CONFIG]\n", "A", std::nullopt},
        {"OtherSection", "[CONFIGS]\nA=1\n", "A", std::nullopt},
        {"UnclosedSectionLineIsPassedOver", "[CONFIG]\nB=1\n[Other\nA=1\n", "A", "1"},
        {"CommentsAndLinesWithoutAKey", "[CONFIG]\n; A=1\n  # A=2\nA\n=3\n A = 4\n", "A", "4"},
        {"ByteOrderMark", "\xEF\xBB\xBF[CONFIG]\r\nA=1\r\n", "A", "1"},
        {"CarriageReturnsAlone", "[CONFIG]\rA=1\rB=2", "B", "2"},
        {"NulEndsTheText", "[CONFIG]\nA=1\0\nB=2\n"s, "B", std::nullopt},
        {"ValueBeforeTheNul", "[CONFIG]\nA=1\0\nB=2\n"s, "A", "1"},
        // SimpleIni skips line ends after '[', so the name may stand on a later line.
        {"SectionNameOnTheNextLine", "[\n CONFIG ]\nA=5\n", "A", "5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::FindIniValue(c.text, "CONFIG", c.key), c.value) << c.name;
    }
}

TEST(SetIniValues, ChangesOnlyTheValuesAndAddsWhatIsMissing) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<app::IniValue> values;
        const char* newLine;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"EmptyText", "", {{"A", "1"}, {"B", "2"}}, "\n", "[CONFIG]\nA=1\nB=2\n"},
        {"EmptyTextWindowsLines", "", {{"A", "1"}}, "\r\n", "[CONFIG]\r\nA=1\r\n"},
        {"InPlaceKeepingSpellingBlanksAndLineEnd",
         "[config]\r\n  a  =  old  \r\nb=x\n",
         {{"A", "new"}},
         "\n",
         "[config]\r\n  a  =  new  \r\nb=x\n"},
        {"MissingKeysAfterTheLastLineOfTheFirstSection",
         "[CONFIG]\nA=1\n\n[Other]\nk=v\n[CONFIG]\nC=3\n",
         {{"A", "9"}, {"B", "2"}, {"C", "4"}, {"D", "5"}},
         "\n",
         "[CONFIG]\nA=9\nB=2\nD=5\n\n[Other]\nk=v\n[CONFIG]\nC=4\n"},
        {"AfterACommentThatEndsTheSection",
         "[CONFIG]\nA=1\n; note\n\n[Next]\n",
         {{"B", "2"}},
         "\n",
         "[CONFIG]\nA=1\n; note\nB=2\n\n[Next]\n"},
        {"MissingSectionFollowsTheTextsLineEnds",
         "[Other]\r\nk=v\r\n",
         {{"A", "1"}},
         "\n",
         "[Other]\r\nk=v\r\n[CONFIG]\r\nA=1\r\n"},
        {"LastLineWithoutLineEnd",
         "[CONFIG]\nA=1",
         {{"A", "2"}, {"B", "3"}},
         "\r\n",
         "[CONFIG]\nA=2\nB=3\n"},
        {"FirstOfTwoInOneSection",
         "[CONFIG]\nA=1\nA=2\n",
         {{"A", "3"}},
         "\n",
         "[CONFIG]\nA=3\nA=2\n"},
        {"OnlyInARepeatedSection",
         "[CONFIG]\nB=1\n[X]\n[CONFIG]\nA=1\n",
         {{"A", "2"}},
         "\n",
         "[CONFIG]\nB=1\n[X]\n[CONFIG]\nA=2\n"},
        {"ByteOrderMarkKept",
         "\xEF\xBB\xBF[CONFIG]\r\nA=1\r\n",
         {{"A", "2"}},
         "\n",
         "\xEF\xBB\xBF[CONFIG]\r\nA=2\r\n"},
        // A '[' with nothing after it would take a following line as its section name.
        {"BeforeAnOpenBracketAtTheEnd",
         "[CONFIG]\nA=1\n[\n",
         {{"B", "2"}},
         "\n",
         "[CONFIG]\nA=1\nB=2\n[\n"},
        {"NewSectionBeforeAnOpenBracket",
         "k=v\n  [ \n\n",
         {{"A", "1"}},
         "\n",
         "k=v\n[CONFIG]\nA=1\n  [ \n\n"},
        {"BeforeTheNulWhatFollowsKept",
         "[Other]\nk=v\0[CONFIG]\nA=1\n"s,
         {{"A", "2"}},
         "\n",
         "[Other]\nk=v\n[CONFIG]\nA=2\n\0[CONFIG]\nA=1\n"s},
        {"Utf8Values",
         "[CONFIG]\nA=old\n",
         {{"A", "/home/инженер/данные.csv"}},
         "\n",
         "[CONFIG]\nA=/home/инженер/данные.csv\n"},
    };
    for (const Case& c : cases) {
        const std::string text = app::SetIniValues(c.text, "CONFIG", c.values, c.newLine);
        EXPECT_EQ(text, c.expected) << c.name;
        for (const app::IniValue& value : c.values) {
            EXPECT_EQ(app::FindIniValue(text, "CONFIG", value.key), value.value)
                << c.name << " " << value.key;
        }
    }
}

}  // namespace
