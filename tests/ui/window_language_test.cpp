// The language step as the window shows it: which file wins, the caption with its version,
// empty captions without a file, keys that reach several controls.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTranslator>
#include <vector>

#include "app/version.h"
#include "ui/message_box.h"
#include "window_fixture.h"

namespace {

using window_test::WindowTest;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

const char kRussianCaption[] = "БИС преобразователя фаза-код QX5520";
const char kEnglishCaption[] = "PHASE OF QUADRATURE SIGNAL TO POSITION CODE CONVERSION IC QX5520";

class WindowLanguage : public WindowTest {
  protected:
    QString Text(const char* name) const {
        if (auto* label = Find<QLabel>(name)) return label->text();
        if (auto* button = Find<QAbstractButton>(name)) return button->text();
        ADD_FAILURE() << "no control " << name;
        return {};
    }
    QString Tab(int index) const { return Find<QTabWidget>("PageControl")->tabText(index); }
};

TEST_F(WindowLanguage, TheFilesPresentChooseTheLanguageCaptionAndTitle) {
    struct Case {
        std::vector<const char*> files;
        const char* caption;
        const char* title;
        const char* writeButton;
    };
    const Case cases[] = {
        {{"lang.rus", "lang.eng"}, kRussianCaption, "Преобразователь QX5520", "Записать значения"},
        {{"lang.eng"}, kEnglishCaption, "QX5520 IC", "Write values"},
        {{}, kEnglishCaption, "QX5520 IC", ""},
    };
    for (const Case& c : cases) {
        TearDown();
        WindowTest::SetUp();
        messages.clear();
        for (const char* file : c.files) CopyShipped(file);
        Open();
        EXPECT_EQ(window->windowTitle(), Utf8(c.caption) + " ver.1.0.3.0");
        EXPECT_EQ(ui::ApplicationTitle(), Utf8(c.title));
        EXPECT_EQ(Text("btnWriteGroup1"), Utf8(c.writeButton));
        EXPECT_TRUE(messages.empty());
    }
}

TEST_F(WindowLanguage, AnEmptyLangRusGivesTheRussianCaptionAndEmptyKeyedCaptions) {
    Write("lang.rus", "");
    Write("lang.eng", "[Language]\nGA_X=Gain X\n");
    Open();
    EXPECT_EQ(window->windowTitle(), Utf8(kRussianCaption) + " ver.1.0.3.0");
    for (const char* name : {"LabelGA_X", "cbSDIS", "btnWriteGroup4", "btnStart",
                             "BtnStartAngleWrkData", "btnStartXYChart", "LabelConnectState",
                             "btnAnalogInd", "btnAbout", "cbSSIOn", "LabelSTATUS_REG"})
        EXPECT_EQ(Text(name), "") << name;
    for (int tab = 0; tab < 7; ++tab) EXPECT_EQ(Tab(tab), "") << tab;
    EXPECT_EQ(Text("LabelChanCnt"), "0");
    EXPECT_EQ(window->context.texts.btnStop, "");
    // Controls without a key keep their design texts.
    EXPECT_EQ(Text("rbEML"), "EML");
    EXPECT_EQ(Text("cbSin"), "Reg_Sin");
}

TEST_F(WindowLanguage, AKeyReachesEveryControlItNames) {
    Write("lang.eng",
          "[language]\nwritegroup=W\nReadGroup=R\nbtnClear=C\nlSaveToFile=S\nlInterval=I\n"
          "DataFile=F\nXYMIN=Min\ntsAng=Angle\nbtnStart=Go\nbtnStop=Halt\n"
          "vChannelsFound=\"Found: \"\nvTurnOn=Dial on\nvNotDefined=?\n");
    Open();
    const std::pair<std::vector<const char*>, const char*> fanOut[] = {
        {{"btnWriteGroup1", "btnWriteGroup2", "btnWriteGroup3", "btnWriteGroup4"}, "W"},
        {{"btnReadGroup1", "btnReadGroup2", "btnReadGroup3", "btnReadGroup4"}, "R"},
        {{"btnClear1", "btnClear2", "btnClear3"}, "C"},
        {{"cbSaveToFile", "cbSaveChartsToFile", "cbSaveXYToFile"}, "S"},
        {{"LabelInterval", "LabelInterval2", "LabelInterval3"}, "I"},
        {{"LabelFilename1", "LabelFilename2", "LabelFilename3"}, "F"},
        {{"LabelXYSinMIN", "LabelXYCosMIN"}, "Min"},
        {{"btnStart", "BtnStartAngleWrkData", "btnStartXYChart"}, "Go"},
        {{"LabelChanCnt"}, "Found: 0"},
        {{"btnAnalogInd"}, "Dial on"},
        {{"LabelConnectState"}, "?"},
    };
    for (const auto& [controls, text] : fanOut) {
        for (const char* control : controls) EXPECT_EQ(Text(control), Utf8(text)) << control;
    }
    EXPECT_EQ(Tab(1), "Angle");
    EXPECT_EQ(window->context.texts.btnStart, "Go");
    EXPECT_EQ(window->context.texts.btnStop, "Halt");
}

TEST_F(WindowLanguage, InputsTakeTheirLabelsTextsAsAccessibleNames) {
    Write("lang.eng", "[Language]\nGA_X=Gain X\nlChipID=Chip ID\nDataFile=Log file\n");
    Open();
    EXPECT_EQ(Find<QLineEdit>("EditGA_X")->accessibleName(), "Gain X");
    EXPECT_EQ(Find<QLineEdit>("EditChipID")->accessibleName(), "Chip ID");
    EXPECT_EQ(Find<QLineEdit>("EditOA_X")->accessibleName(), "");
}

TEST_F(WindowLanguage, QtsOwnButtonsSpeakTheWindowsLanguage) {
    EXPECT_EQ(ui::TranslateQtTexts(ExePath()), nullptr) << "no lang.rus: the English window";
    Write("lang.rus", "[Language]\n");
    QTranslator* russian = ui::TranslateQtTexts(ExePath());
    ASSERT_NE(russian, nullptr) << "Qt's Russian translation (qt6-translations-l10n)";
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::No)->text().contains(Utf8("Нет")))
        << box.button(QMessageBox::No)->text().toStdString();
    QCoreApplication::removeTranslator(russian);
    delete russian;
}

TEST_F(WindowLanguage, AnUnreadableVersionIsReportedAndLeavesTheCaptionBare) {
    CopyShipped("lang.eng");
    window = std::make_unique<ui::TF_Face>(ui::FaceOptions{
        ExePath(), {}, [] { return app::FileVersionString("/nonexistent/qx5520"); }, nullptr, {}});
    EXPECT_EQ(window->windowTitle(), Utf8(kEnglishCaption));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, "QX5520 IC");
    EXPECT_TRUE(messages[0].text.contains("/nonexistent/qx5520")) << messages[0].text.toStdString();
}

}  // namespace

namespace {

TEST(ShippedLanguageFiles, BothHaveEveryKeyAddedSince) {
    for (const char* name : {"lang.eng", "lang.rus"}) {
        const app::LanguageFile file(
            (QCoreApplication::applicationDirPath() + QLatin1Char('/') + name).toStdString());
        for (std::string_view key : app::AddedLanguageKeys()) {
            EXPECT_TRUE(file.Has(key)) << name << " lacks " << key;
            EXPECT_FALSE(file.Text(key).empty()) << name << ": " << key;
        }
    }
}

}  // namespace
