// Configuration files: what is written, what is read back, and every reason a file is refused.
#include "app/config/config_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const app::ConfigField& Field(std::string_view key) {
    for (const app::ConfigField& field : app::kConfigFields) {
        if (field.key == key) return field;
    }
    throw std::logic_error("no field " + std::string(key));
}

// Every settable field with a value of its own that fits it.
std::vector<app::FieldValue> EveryField() {
    std::vector<app::FieldValue> values;
    int32_t n = 0;
    for (const app::ConfigField& field : app::kConfigFields) {
        if (!app::IsSettable(field)) continue;
        values.push_back({&field, n++ % (app::FieldMaximum(field) + 1)});
    }
    return values;
}

TEST(ConfigurationFile, WhatIsWrittenReadsBackFieldForField) {
    const std::vector<app::FieldValue> values = EveryField();
    EXPECT_EQ(values.size(), 30u) << "the display fields are not part of a configuration";
    const std::string text =
        app::ConfigurationText(values, {"1.0.3", "2026-12-09 21:04:42", "$12345678"});
    const std::string head =
        "[File]\nTool=1.0.3\nSaved=2026-12-09 21:04:42\nChipID=$12345678\n[QX5520]\nT_CURR=0\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find("\nGA_X=1\n"), std::string::npos);
    const app::ParsedConfiguration parsed = app::ParseConfiguration(text);
    EXPECT_THAT(parsed.errors, IsEmpty());
    EXPECT_EQ(parsed.values, values);
}

TEST(ConfigurationFile, HandWrittenFilesMayCommentLeaveOutAndChangeCase) {
    const app::ParsedConfiguration parsed = app::ParseConfiguration(
        "; bench setup of the 12 mm magnet\n[qx5520]\n# gains\nga_x = 12\nSDIS=1\nAdcnt=$2\n");
    EXPECT_THAT(parsed.errors, IsEmpty());
    EXPECT_THAT(parsed.values,
                ElementsAre(app::FieldValue{&Field("GA_X"), 12}, app::FieldValue{&Field("SDIS"), 1},
                            app::FieldValue{&Field("ADCNT"), 2}))
        << "in the field table's order, whatever the file's";
}

TEST(ConfigurationFile, EveryFaultIsNamedAndNothingIsHalfTaken) {
    struct Case {
        std::string_view text;
        std::vector<std::string> errors;
    };
    const std::vector<Case> cases = {
        {"[File]\nTool=1.0\n", {"the file has no [QX5520] section"}},
        // Lines an INI reader would skip in silence.
        {"[CONFIG]\nGA_X=1\n",
         {"line 1: [CONFIG] is no section of a configuration file (only [File] and [QX5520])"}},
        {"[QX5520]\n; fine\nGA_X 12\n", {"line 3: 'GA_X 12' is not key=value"}},
        {"GA_X=1\n[QX5520]\n", {"line 1: 'GA_X=1' stands before any section"}},
        {"[QX5520\nGA_X=1\n", {"line 1: '[QX5520' is no section header"}},
        {"[QX5520]\nGAIN=1\n", {"unknown key GAIN"}},
        {"[QX5520]\nAMPLITUDE=1\n", {"unknown key AMPLITUDE"}},  // a display, not settable
        {"[QX5520]\nGA_X=32\n", {"GA_X=32: does not fit the field (0..31)"}},
        {"[QX5520]\nSDIS=2\n", {"SDIS=2: does not fit the field (0..1)"}},
        {"[QX5520]\nOFFSET_SIN=-1\n", {"OFFSET_SIN=-1: does not fit the field (0..8191)"}},
        {"[QX5520]\nGA_X=1.5\n", {"GA_X=1.5: not an integer"}},
        {"[QX5520]\nGA_X=\n", {"GA_X=: not an integer"}},
        {"[QX5520]\nGA_X=1\nga_x=2\n", {"GA_X is given more than once"}},
        {"[QX5520]\nGA_X=99\nXYZ=1\nOA_X=2\n",
         {"GA_X=99: does not fit the field (0..31)", "unknown key XYZ"}},
        // A NUL ended the INI reader's text: what came after it went unread and unreported.
        {std::string_view("[QX5520]\nGA_X=3\n\0\nOA_Y=5\nFOO=1\n", 31),
         {"line 3: holds the control byte 0x00"}},
        {"[QX5520]\nGA_X=3\x1B[2J\n", {"line 2: holds the control byte 0x1B"}},
        // [File] as strict as [QX5520].
        {"[File]\nGA_X=3\n[QX5520]\n",
         {"line 2: GA_X stands under [File]: the fields belong under [QX5520]"}},
        {"[File]\nTool=1.0\ntool=1.1\nOwner=me\n[QX5520]\n",
         {"line 3: tool is given more than once",
          "line 4: unknown key Owner under [File] (only Tool, Saved and ChipID)"}},
        {"[File]\nSaved=yesterday\nChipID=abc\n[QX5520]\n",
         {"line 2: Saved=yesterday: not a time YYYY-MM-DD hh:mm:ss",
          "line 3: ChipID=abc: not a chip identifier"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const app::ParsedConfiguration parsed = app::ParseConfiguration(c.text);
        EXPECT_EQ(parsed.errors, c.errors);
    }
}

TEST(ConfigurationFile, AWindowsEditorsFileReadsTheSame) {
    // A comment in Windows-1251 ("Стенд") and no byte-order mark.
    const std::string text = "; \xD1\xF2\xE5\xED\xE4\r\n[QX5520]\r\nGA_X=3\r\n";
    const app::ParsedConfiguration parsed = app::ParseConfiguration(text);
    EXPECT_THAT(parsed.errors, IsEmpty());
    EXPECT_THAT(parsed.values, ElementsAre(app::FieldValue{&Field("GA_X"), 3}));
}

TEST(ConfigurationFile, AFaultListIsBoundedAndEscapesWhatItQuotes) {
    std::string text = "[QX5520]\n";
    for (int i = 0; i < 5000; ++i) text += "junk" + std::to_string(i) + "\n";
    const app::ParsedConfiguration parsed = app::ParseConfiguration(text);
    ASSERT_EQ(parsed.errors.size(), app::kMaxListedErrors + 1);
    EXPECT_EQ(parsed.errors.front(), "line 2: 'junk0' is not key=value");
    EXPECT_EQ(parsed.errors.back(), "and 4980 more");
    EXPECT_EQ(app::ParseConfiguration("[QX5520]\nGA_X=\x7F\n").errors,
              std::vector<std::string>{"line 2: holds the control byte 0x7F"});
}

}  // namespace
