// Start-up and end with the real window: settings restored into the controls and saved at
// close, the datasheet button, the general error report.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "ui/message_box.h"
#include "window_fixture.h"

namespace {

using window_test::WindowTest;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

TEST_F(WindowTest, FirstStartFillsTheFileNamesAndWritesNothingUntilClose) {
    Open();
    const QString exePath = QString::fromStdString(ExePath());
    EXPECT_EQ(Find<QLineEdit>("EditAngleDataFile")->text(), exePath + "data.csv");
    EXPECT_EQ(Find<QLineEdit>("EditChartsFile")->text(), exePath);
    EXPECT_EQ(Find<QLineEdit>("EditXYFilename")->text(), exePath);
    for (const char* box : {"cbSaveToFile", "cbSaveChartsToFile", "cbConnect", "cbSSIOn"})
        EXPECT_FALSE(Find<QCheckBox>(box)->isChecked()) << box;
    EXPECT_NE(window->context.chip, nullptr);
    EXPECT_FALSE(Exists("config.ini"));

    window->close();
    EXPECT_EQ(window->context.chip, nullptr);
    EXPECT_EQ(Read("config.ini"), "[CONFIG]\nSaveAngleDataFile=" + ExePath() +
                                      "data.csv\nSaveAngleDataToFile=0\nSaveChartDataToFile=0\n"
                                      "ConnectActive=0\nEnable_SSI=0\n");
}

TEST_F(WindowTest, StoredSettingsComeBackIntoTheControlsWithoutASave) {
    const std::string stored =
        "[config]\nsaveangledatafile=/tmp/журнал.csv\nSaveAngleDataToFile=1\n"
        "SaveChartDataToFile=0x10\nEnable_SSI=-1\n[Other]\nkeep=me\n";
    Write("config.ini", stored);
    Open();
    EXPECT_EQ(Find<QLineEdit>("EditAngleDataFile")->text(), Utf8("/tmp/журнал.csv"));
    EXPECT_TRUE(Find<QCheckBox>("cbSaveToFile")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("cbSaveChartsToFile")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("cbSSIOn")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("cbSSIOn")->isVisible());
    EXPECT_FALSE(Find<QCheckBox>("cbConnect")->isChecked());
    EXPECT_EQ(Read("config.ini"), stored);
}

TEST_F(WindowTest, ClosingStoresTheFiveControlsAndKeepsOtherSections) {
    Write("config.ini", "[Other]\nkeep=me\n");
    Open();
    Find<QLineEdit>("EditAngleDataFile")->setText("/data/angle.csv");
    Find<QCheckBox>("cbSaveChartsToFile")->setChecked(true);
    window->close();
    const std::string written = Read("config.ini");
    EXPECT_NE(written.find("keep=me"), std::string::npos);
    EXPECT_NE(written.find("SaveAngleDataFile=/data/angle.csv\nSaveAngleDataToFile=0\n"
                           "SaveChartDataToFile=1\nConnectActive=0\nEnable_SSI=0"),
              std::string::npos)
        << written;
}

TEST_F(WindowTest, ThePagesSaveTheSettingsThroughTheContext) {
    Open();
    ASSERT_TRUE(window->context.saveSettings);
    Find<QCheckBox>("cbSaveToFile")->setChecked(true);
    window->context.saveSettings();
    EXPECT_NE(Read("config.ini").find("SaveAngleDataToFile=1"), std::string::npos);
}

TEST_F(WindowTest, ASettingsFileThatCannotBeWrittenIsReported) {
    Open();
    std::filesystem::create_directory(ExePath() + "config.ini");  // a directory in its place
    window->context.saveSettings();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(messages[0].text.isEmpty());
    // The window carries on and closes without a crash.
    window->close();
}

TEST_F(WindowTest, TheDatasheetOpensWhenPresentElseNamesTheDirectory) {
    Open();
    Find<QPushButton>("btnOpenDataSheet")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, "");
    EXPECT_EQ(messages[0].text,
              Utf8("Файл спецификации не найден по пути: ") + QString::fromStdString(ExePath()));
    EXPECT_TRUE(opened.empty());

    // Copied beside the executable while the tool runs: found on the next click.
    Write("QX5520_datasheet_v2.pdf", "%PDF-1.4\n");
    Find<QPushButton>("btnOpenDataSheet")->click();
    EXPECT_EQ(messages.size(), 1u);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0],
              QUrl::fromLocalFile(QString::fromStdString(ExePath()) + "QX5520_datasheet_v2.pdf"));
}

TEST_F(WindowTest, TheGeneralErrorReportCarriesTheApplicationTitle) {
    CopyShipped("lang.rus");
    Open();
    window->context.reportError("boom");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, Utf8("Преобразователь QX5520"));
    EXPECT_EQ(messages[0].text, "boom");
}

}  // namespace
