#include "app/files/ini_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IniTextAsUtf8, Utf8TextIsKeptAsItIs) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"Ascii", "[Language]\r\nGA_X=Gain X\r\n"},
        {"Cyrillic", "[Language]\nbtnStop=Стоп\n"},
        {"ByteOrderMark", "\xEF\xBB\xBF[Language]\nbtnStop=Стоп\n"},
        {"FourByteCharacter", "k=\xF0\x9F\x98\x80\n"},
        {"Empty", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(app::IniTextAsUtf8(c.bytes), c.bytes) << c.name;
}

TEST(IniTextAsUtf8, TextThatIsNotUtf8ReadsAsWindows1251) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"Cyrillic", "btnStart=\xD1\xF2\xE0\xF0\xF2\r\n", "btnStart=Старт\r\n"},
        {"YoAndNumeroSign",
         "\xA8\xEB\xEA\xE0 \xB9"
         "1",
         "Ёлка №1"},
        {"Punctuation", "\x85\x96\x97\xAB\xBB\x88", "…–—«»€"},
        {"NoBreakSpace",
         "a\xA0"
         "b",
         "a\xC2\xA0"
         "b"},
        {"UndefinedByteIsTheReplacementCharacter",
         "a\x98"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"Serbian", "\x80\x8A\x9A\xBC", "ЂЉљј"},
        // A mark does not make Windows-1251 text UTF-8: the mark stays, the text converts.
        {"AfterAByteOrderMark", "\xEF\xBB\xBF[Language]\nbtnStop=\xD1\xF2\xEE\xEF\n",
         "\xEF\xBB\xBF[Language]\nbtnStop=Стоп\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(app::IniTextAsUtf8(c.bytes), c.text) << c.name;
}

TEST(IniTextAsUtf8, AStrayByteInUtf8TextStaysOneReplacementCharacter) {
    // One byte damaged in a UTF-8 language file: its captions stay Cyrillic.
    EXPECT_EQ(app::IniTextAsUtf8("[Language]\nbtnStart=Старт\nbtnStop=Ст\xFFоп\nGA_X=Усиление\n"),
              "[Language]\nbtnStart=Старт\nbtnStop=Ст\xEF\xBF\xBDоп\nGA_X=Усиление\n");
    EXPECT_EQ(app::DetectIniEncoding("Старт \xFF"), app::IniEncoding::Utf8);
    // Windows-1251 letters that happen to pair up into a UTF-8 sequence ("Рё") do not make a
    // Windows-1251 text UTF-8.
    EXPECT_EQ(app::DetectIniEncoding("\xD0\xB8 \xD1\xF2\xE0\xF0\xF2 \xD1\xF2\xEE\xEF"),
              app::IniEncoding::Windows1251);
}

TEST(Utf8ToWindows1251, EveryDefinedByteComesBackAndOtherCharactersHaveNone) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        if (byte == 0x98) continue;  // undefined in the code page
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(app::Utf8ToWindows1251(app::Windows1251ToUtf8(one)), one) << byte;
    }
    EXPECT_EQ(app::Utf8ToWindows1251("C:\\Данные\\a.csv"), "C:\\\xC4\xE0\xED\xED\xFB\xE5\\a.csv");
    EXPECT_EQ(app::Utf8ToWindows1251("中"), std::nullopt);
    EXPECT_EQ(app::Utf8ToWindows1251("\xF0\x9F\x98\x80"), std::nullopt);
    EXPECT_EQ(app::Utf8ToWindows1251("\xEF\xBF\xBD"), std::nullopt);
}

TEST(Windows1251ToUtf8, EveryHighByteGivesOneUtf8Character) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const std::string text = app::Windows1251ToUtf8(std::string(1, static_cast<char>(byte)));
        EXPECT_TRUE(app::IsUtf8(text)) << byte;
        EXPECT_GE(text.size(), 2u) << byte;
        EXPECT_LE(text.size(), 3u) << byte;
    }
    // 0xC0-0xFF are the 64 letters А-я in order.
    for (int byte = 0xC0; byte <= 0xFF; ++byte) {
        const int codePoint = 0x0410 + (byte - 0xC0);
        const std::string expected{static_cast<char>(0xC0 | (codePoint >> 6)),
                                   static_cast<char>(0x80 | (codePoint & 0x3F))};
        EXPECT_EQ(app::Windows1251ToUtf8(std::string(1, static_cast<char>(byte))), expected)
            << byte;
    }
    EXPECT_EQ(app::Windows1251ToUtf8("plain; [ascii]=1\r\n"), "plain; [ascii]=1\r\n");
}

TEST(IsUtf8, AcceptsWellFormedTextOnly) {
    struct Case {
        const char* name;
        std::string bytes;
        bool utf8;
    };
    const Case cases[] = {
        {"Empty", "", true},
        {"TwoBytes", "\xD0\xA1", true},
        {"ThreeBytes", "\xE2\x82\xAC", true},
        {"FourBytes", "\xF0\x9F\x98\x80", true},
        {"LastBeforeSurrogates", "\xED\x9F\xBF", true},
        {"LastCodePoint", "\xF4\x8F\xBF\xBF", true},
        {"LoneContinuation", "\x80", false},
        {"Truncated", "a\xD0", false},
        {"TruncatedThree", "\xE2\x82", false},
        {"OverlongTwo", "\xC0\xAF", false},
        {"OverlongThree", "\xE0\x80\xAF", false},
        {"OverlongFour", "\xF0\x8F\xBF\xBF", false},
        {"Surrogate", "\xED\xA0\x80", false},
        {"BeyondLastCodePoint", "\xF4\x90\x80\x80", false},
        {"NoSuchLead", "\xF5\x80\x80\x80", false},
        {"BadContinuation", "\xD0\x41", false},
        {"Windows1251Word", "\xD1\xF2\xEE\xEF", false},
    };
    for (const Case& c : cases) EXPECT_EQ(app::IsUtf8(c.bytes), c.utf8) << c.name;
}

}  // namespace
