#include "app/lang/language.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <utility>
#include <vector>

#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::Pair;

/// A fresh directory standing in for the executable's directory.
class ExeDir {
  public:
    ExeDir() {
        path_ = fs::temp_directory_path() /
                ("qx_language_" + std::to_string(QX_GETPID()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ExeDir() { fs::remove_all(path_); }
    std::string ExePath() const { return path_.string() + "/"; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }

  private:
    fs::path path_;
};

/// Records every step of the language step in order.
class RecordingTarget : public app::LanguageTarget {
  public:
    void SetWindowCaption(const std::string& text) override { caption = text; }
    void SetApplicationTitle(const std::string& text) override { title = text; }
    void SetControlText(std::string_view control, const std::string& text) override {
        calls.emplace_back(std::string(control), text);
        last[std::string(control)] = text;
    }
    std::string caption, title;
    std::vector<std::pair<std::string, std::string>> calls;
    std::map<std::string, std::string> last;
};

std::string IndexOf(const RecordingTarget& target, const std::string& control) {
    for (size_t i = 0; i < target.calls.size(); ++i) {
        if (target.calls[i].first == control) return std::to_string(i);
    }
    return "missing";
}

TEST(LanguageChoice, RussianWhenLangRusIsPresentElseEnglish) {
    struct Case {
        std::vector<std::string> files;
        std::string suffix, caption, title;
    };
    const std::vector<Case> cases{
        {{"lang.rus", "lang.eng"},
         "rus",
         "БИС преобразователя фаза-код QX5520",
         "Преобразователь QX5520"},
        {{"lang.rus"}, "rus", "БИС преобразователя фаза-код QX5520", "Преобразователь QX5520"},
        {{"lang.eng"},
         "eng",
         "PHASE OF QUADRATURE SIGNAL TO POSITION CODE CONVERSION IC QX5520",
         "QX5520 IC"},
        {{},
         "eng",
         "PHASE OF QUADRATURE SIGNAL TO POSITION CODE CONVERSION IC QX5520",
         "QX5520 IC"},
    };
    for (const Case& c : cases) {
        ExeDir dir;
        for (const auto& file : c.files) dir.Write(file, "[Language]\n");
        const app::LanguageChoice choice = app::ChooseLanguage(dir.ExePath());
        EXPECT_EQ(choice.suffix, c.suffix) << c.files.size();
        EXPECT_EQ(choice.caption, c.caption);
        EXPECT_EQ(choice.title, c.title);
    }
}

TEST(LanguageFile, SectionAndKeyMatchWithoutRegardToCase) {
    ExeDir dir;
    dir.Write("lang.eng", "[LANGUAGE]\nga_x=Gain X\nWRITEGROUP = Write\n[Other]\nGA_Y=no\n");
    const app::LanguageFile file(dir.ExePath() + "lang.eng");
    EXPECT_EQ(file.Text("GA_X"), "Gain X");
    EXPECT_EQ(file.Text("WriteGroup"), "Write");
    EXPECT_EQ(file.Text("GA_Y"), "") << "keys of other sections do not count";
}

TEST(LanguageFile, MissingFileSectionOrKeyReadsEmpty) {
    ExeDir dir;
    dir.Write("nosection", "GA_X=Gain\n[Else]\nGA_X=Gain\n");
    dir.Write("withsection", "[Language]\nGA_Y=Gain Y\n");
    EXPECT_EQ(app::LanguageFile(dir.ExePath() + "absent").Text("GA_X"), "");
    EXPECT_EQ(app::LanguageFile(dir.ExePath() + "nosection").Text("GA_X"), "");
    EXPECT_EQ(app::LanguageFile(dir.ExePath() + "withsection").Text("GA_X"), "");
    EXPECT_EQ(app::LanguageFile(dir.ExePath() + "withsection").Text("GA_Y"), "Gain Y");
}

TEST(LanguageFile, KeepsCyrillicUtf8TextWithOrWithoutByteOrderMark) {
    ExeDir dir;
    dir.Write("plain", "[Language]\nbtnStop=Стоп\n");
    dir.Write("bom", "\xEF\xBB\xBF[Language]\nbtnStop=Стоп\n");
    EXPECT_EQ(app::LanguageFile(dir.ExePath() + "plain").Text("btnStop"), "Стоп");
    EXPECT_EQ(app::LanguageFile(dir.ExePath() + "bom").Text("btnStop"), "Стоп");
}

TEST(LanguageFile, ReadsUtf8AndWindows1251Files) {
    struct Case {
        const char* name;
        std::string content;
        std::string btnStop;
    };
    const std::vector<Case> cases{
        {"Utf8", "[Language]\nbtnStop=Стоп\n", "Стоп"},
        {"ByteOrderMark", "\xEF\xBB\xBF[Language]\r\nbtnStop=Стоп\r\n", "Стоп"},
        {"Windows1251", "[Language]\r\nbtnStop=\xD1\xF2\xEE\xEF\r\n", "Стоп"},
        // A mark saved before Windows-1251 text (some editors do) does not hide its letters.
        {"MarkBeforeWindows1251", "\xEF\xBB\xBF[Language]\nbtnStop=\xD1\xF2\xEE\xEF\n", "Стоп"},
        // One damaged byte in a UTF-8 file costs one character, not every caption.
        {"Utf8WithAStrayByte", "[Language]\nbtnStart=Старт\nbtnStop=Стоп\xFF\nGA_X=Усиление\n",
         "Стоп\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        ExeDir dir;
        dir.Write("lang.eng", c.content);
        EXPECT_EQ(app::LanguageFile(dir.ExePath() + "lang.eng").Text("btnStop"), c.btnStop)
            << c.name;
    }
}

TEST(LoadLanguage, LangRusSavedAsWindows1251ShowsItsCyrillicTexts) {
    ExeDir dir;
    // Старт, Стоп, Усиление X, "Каналов: " and Записать in Windows-1251.
    dir.Write("lang.rus",
              "[Language]\r\n"
              "btnStart=\xD1\xF2\xE0\xF0\xF2\r\n"
              "btnStop=\xD1\xF2\xEE\xEF\r\n"
              "GA_X=\xD3\xF1\xE8\xEB\xE5\xED\xE8\xE5 X\r\n"
              "vChannelsFound=\"\xCA\xE0\xED\xE0\xEB\xEE\xE2: \"\r\n"
              "WriteGroup=\xC7\xE0\xEF\xE8\xF1\xE0\xF2\xFC\r\n");
    RecordingTarget target;
    const app::LanguageTexts texts = app::LoadLanguage(dir.ExePath(), target);
    EXPECT_EQ(target.caption, "БИС преобразователя фаза-код QX5520");
    EXPECT_EQ(texts.btnStart, "Старт");
    EXPECT_EQ(texts.btnStop, "Стоп");
    EXPECT_EQ(target.last["btnStartXYChart"], "Старт");
    EXPECT_EQ(target.last["btnStartAccuracy"], "Старт");
    EXPECT_EQ(target.last["LabelGA_X"], "Усиление X");
    EXPECT_EQ(target.last["btnWriteGroup3"], "Записать");
    EXPECT_EQ(target.last["LabelChanCnt"], "Каналов: 0");
}

TEST(LanguageFile, AKeyThatStandsTwiceReadsItsFirstValue) {
    ExeDir dir;
    dir.Write("lang.eng",
              "[Language]\nbtnStart=First\nbtnStart=Second\n"
              "[Other]\nbtnStop=other\n"
              "[LANGUAGE]\nBTNSTART=Third\nbtnStop=Stop 1\n"
              "[Language]\nbtnStop=Stop 2\nGA_X=only here\n");
    const app::LanguageFile file(dir.ExePath() + "lang.eng");
    EXPECT_EQ(file.Text("btnStart"), "First") << "twice in one section, once more later";
    EXPECT_EQ(file.Text("btnStop"), "Stop 1") << "in two repetitions of the section";
    EXPECT_EQ(file.Text("GA_X"), "only here") << "only in a repetition of the section";
}

TEST(LoadLanguage, KeysThatNameSeveralControlsReachEveryOne) {
    ExeDir dir;
    dir.Write("lang.eng",
              "[Language]\nWriteGroup=W\nReadGroup=R\nbtnClear=C\nlSaveToFile=S\nlInterval=I\n"
              "DataFile=F\nXYMAX=M\ntsAng=Angle\n");
    RecordingTarget target;
    app::LoadLanguage(dir.ExePath(), target);
    const std::vector<std::pair<std::vector<std::string>, std::string>> fanOut{
        {{"btnWriteGroup1", "btnWriteGroup2", "btnWriteGroup3", "btnWriteGroup4"}, "W"},
        {{"btnReadGroup1", "btnReadGroup2", "btnReadGroup3", "btnReadGroup4"}, "R"},
        {{"btnClear1", "btnClear2", "btnClear3"}, "C"},
        {{"cbSaveToFile", "cbSaveChartsToFile", "cbSaveXYToFile"}, "S"},
        {{"LabelInterval", "LabelInterval2", "LabelInterval3"}, "I"},
        {{"LabelFilename1", "LabelFilename2", "LabelFilename3"}, "F"},
        {{"LabelXYSinMAX", "LabelXYCosMAX"}, "M"},
        {{"stAng"}, "Angle"},
    };
    for (const auto& [controls, text] : fanOut) {
        for (const auto& control : controls) EXPECT_EQ(target.last[control], text) << control;
    }
}

TEST(LoadLanguage, RunsInTheFixedOrderAndEndsWithTheStartTexts) {
    ExeDir dir;
    dir.Write("lang.rus",
              "[Language]\nbtnStart=Старт\nbtnStop=Стоп\nvNotDefined=не определено\n"
              "vChannelsFound=\"Каналов: \"\nvTurnOn=Вкл\ncbSSIOn=SSI\nlSPIFreq=Частота\n");
    RecordingTarget target;
    const app::LanguageTexts texts = app::LoadLanguage(dir.ExePath(), target);

    // The field captions, rows 37-53, then the three start buttons, rows 54-64, row 65, the
    // start texts.
    EXPECT_EQ(IndexOf(target, "LabelT_CURR"), "0") << "the field table's first field";
    const auto index = [&](const std::string& control) {
        return std::stoi(IndexOf(target, control));
    };
    EXPECT_LT(index("LabelOutY"), index("btnWriteGroup1")) << "the table's last field";
    EXPECT_LT(index("BtnReadAngleData"), index("btnStart"));
    EXPECT_LT(index("btnStartXYChart"), index("btnClear1"));
    EXPECT_LT(index("btnAbout"), index("cbSSIOn"));
    EXPECT_LT(index("cbSSIOn"), index("LabelConnectState"));
    EXPECT_THAT(std::vector(target.calls.end() - 3, target.calls.end()),
                ElementsAre(Pair("LabelConnectState", "не определено"),
                            Pair("LabelChanCnt", "Каналов: 0"), Pair("btnAnalogInd", "Вкл")));
    // 61 controls of rows 1-53, 3 start buttons, 21 of rows 54-64, cbSSIOn, the accuracy
    // page's start button (an added row: the file has btnStart), 3 start texts.
    EXPECT_EQ(target.calls.size(), 90u);

    EXPECT_EQ(target.last["btnStart"], "Старт");
    EXPECT_EQ(target.last["BtnStartAngleWrkData"], "Старт");
    EXPECT_EQ(target.last["btnStartXYChart"], "Старт");
    EXPECT_EQ(target.last["btnStartAccuracy"], "Старт");
    EXPECT_EQ(target.last["LabelSPIFreq"], "Частота");
    EXPECT_EQ(target.last["cbSSIOn"], "SSI");
    EXPECT_EQ(texts.btnStop, "Стоп");
    EXPECT_EQ(texts.vTurnOn, "Вкл");
    EXPECT_EQ(texts.vAboutText, "");
}

TEST(LoadLanguage, WithoutAFileEveryTextIsEmptyButTheCountAndTheCaption) {
    struct Case {
        const char* file;  // nullptr: no language file at all
        const char* content;
        const char* caption;
    };
    const std::vector<Case> cases{
        {nullptr, "", "PHASE OF QUADRATURE SIGNAL TO POSITION CODE CONVERSION IC QX5520"},
        {"lang.rus", "", "БИС преобразователя фаза-код QX5520"},
        {"lang.eng", "[Other]\nGA_X=x\n",
         "PHASE OF QUADRATURE SIGNAL TO POSITION CODE CONVERSION IC QX5520"},
    };
    for (const Case& c : cases) {
        ExeDir dir;
        if (c.file) dir.Write(c.file, c.content);
        RecordingTarget target;
        const app::LanguageTexts texts = app::LoadLanguage(dir.ExePath(), target);
        EXPECT_EQ(target.caption, c.caption);
        for (const auto& [control, text] : target.last) {
            EXPECT_EQ(text, control == "LabelChanCnt" ? "0" : "") << control;
        }
        EXPECT_EQ(target.last.count("LabelConnectState"), 1u);
        EXPECT_EQ(texts.btnStart, "");
        EXPECT_EQ(texts.vChannelsFound, "");
    }
}

TEST(LoadLanguage, AMissingKeyEmptiesOnlyItsOwnControls) {
    ExeDir dir;
    dir.Write("lang.eng", "[Language]\nGA_X=Gain X\nGA_Y=Gain Y\nvTurnOff=Off\n");
    RecordingTarget target;
    const app::LanguageTexts texts = app::LoadLanguage(dir.ExePath(), target);
    EXPECT_EQ(target.last["LabelGA_X"], "Gain X");
    EXPECT_EQ(target.last["LabelGA_Y"], "Gain Y");
    EXPECT_EQ(target.last["LabelOA_X"], "");
    EXPECT_EQ(texts.vTurnOff, "Off");
    EXPECT_EQ(texts.vTurnOn, "");
}

}  // namespace
