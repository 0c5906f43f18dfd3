// The register map page inside the real main window: whole-chip jobs run as ticks with
// progress and Cancel, register words typed into the table, and configuration files saved
// from and loaded into the field controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <string>

#include "app/config/config_workflow.h"
#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"
#include "tests/ui/window_fixture.h"
#include "ui/regmap_page.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

class RegMapWindow : public window_test::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        fake::Install(chip_);
        Open();
        // The window's own chip object pauses 100 ms per read; the tests use one that counts.
        window->context.chip = &dig_;
        previousFile_ = ui::SetFileDialogFunction(
            [this](QWidget*, bool save, const QString&, const QString& start, const QString&) {
                dialogs.push_back((save ? "save " : "open ") + start.toStdString());
                return chosenFile;
            });
        previousAsk_ = ui::SetAskFunction([this](QWidget*, const QString&, const QString& text) {
            questions.push_back(text);
            return answer;
        });
    }
    void TearDown() override {
        ui::SetFileDialogFunction(previousFile_);
        ui::SetAskFunction(previousAsk_);
        window->context.chip = nullptr;
        WindowTest::TearDown();
        fake::active = nullptr;
    }

    void Click(const char* name) { Find<QPushButton>(name)->click(); }
    bool Running() { return Find<QPushButton>("btnCancelRegMap")->isEnabled(); }
    void WaitForJob() {
        for (int i = 0; i < 10000 && Running(); ++i) QCoreApplication::processEvents();
        ASSERT_FALSE(Running());
    }
    QTableWidgetItem* Cell(int address, int column) {
        return Find<QTableWidget>("sgRegMap")->item(address, column);
    }
    QString Text(const char* edit) { return Find<QLineEdit>(edit)->text(); }
    QColor Base(const char* edit) { return Find<QLineEdit>(edit)->palette().color(QPalette::Base); }
    QString File(const char* name) { return QString::fromStdString(ExePath() + name); }

    fake::Chip chip_;
    fake::Clock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
    QString chosenFile;
    std::vector<std::string> dialogs;
    bool answer = false;
    std::vector<QString> questions;

  private:
    ui::FileDialogFunction previousFile_;
    ui::AskFunction previousAsk_;
};

TEST_F(RegMapWindow, ReadAllRunsTickByTickThenFillsTheTableAndEveryField) {
    chip_.registers[2] = 0x6123;
    chip_.registers[37] = 0x0ABC;
    Click("btnReadAll");
    EXPECT_TRUE(Running());
    EXPECT_TRUE(chip_.reads.empty()) << "no read inside the click";
    EXPECT_FALSE(Find<QPushButton>("btnWriteAll")->isEnabled());
    QCoreApplication::processEvents();
    EXPECT_LT(chip_.reads.size(), 5u) << "one register per tick";
    WaitForJob();
    EXPECT_EQ(chip_.reads.size(), 40u);
    EXPECT_EQ(Find<QProgressBar>("pbRegMap")->value(), 40);
    EXPECT_EQ(Cell(2, ui::RegMapPage::kValue)->text(), "0x6123");
    EXPECT_EQ(Cell(2, ui::RegMapPage::kDevValue)->text(), "0x6123");
    EXPECT_EQ(Cell(2, ui::RegMapPage::kActual)->text(), QString(QChar(0x2714)));
    EXPECT_EQ(Cell(2, ui::RegMapPage::kFields)->text(), "GA_X [15:11], OA_X [10:5]");
    EXPECT_EQ(Cell(37, ui::RegMapPage::kValue)->text(), "0x0ABC");
    EXPECT_EQ(Text("EditGA_X"), "12");
    EXPECT_EQ(Text("EditANGLE_OUT"), "2748");
    EXPECT_EQ(Base("EditGA_X"), kGreen);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(Find<QPushButton>("btnWriteAll")->isEnabled());
}

TEST_F(RegMapWindow, CancelStopsTheJobAfterItsCurrentStep) {
    Click("btnReadAll");
    for (int i = 0; i < 10000 && chip_.reads.size() < 3; ++i) QCoreApplication::processEvents();
    ASSERT_GE(chip_.reads.size(), 3u);
    Click("btnCancelRegMap");
    EXPECT_FALSE(Running());
    const size_t reads = chip_.reads.size();
    for (int i = 0; i < 100; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(chip_.reads.size(), reads);
    EXPECT_TRUE(Find<QPushButton>("btnReadAll")->isEnabled());
    EXPECT_TRUE(Cell(0, ui::RegMapPage::kActual)->text().size() == 1);
    EXPECT_TRUE(Cell(39, ui::RegMapPage::kActual)->text().isEmpty());
}

TEST_F(RegMapWindow, ATypedRegisterWordIsCheckedThenWrittenAndReadBack) {
    Cell(20, ui::RegMapPage::kValue)->setText("0x12 34");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(messages[0].text.contains("0x12 34")) << messages[0].text.toStdString();
    EXPECT_TRUE(chip_.frames.empty()) << "a bad text writes nothing";
    EXPECT_EQ(Cell(20, ui::RegMapPage::kValue)->text(), "0x0000");

    Cell(20, ui::RegMapPage::kValue)->setText("$BEEF");
    EXPECT_EQ(chip_.registers[20], 0xBEEF);
    EXPECT_EQ(Cell(20, ui::RegMapPage::kValue)->text(), "0xBEEF");
    EXPECT_EQ(Cell(20, ui::RegMapPage::kValue)->background().color(), kGreen);

    chip_.stuckLow[2] = 0x8000;
    Cell(2, ui::RegMapPage::kValue)->setText("0xF800");
    EXPECT_EQ(Cell(2, ui::RegMapPage::kValue)->background().color(), kRed);
    EXPECT_EQ(Text("EditGA_X"), "15") << "the fields show what the chip holds";
    EXPECT_EQ(messages.size(), 1u);

    EXPECT_FALSE(Cell(37, ui::RegMapPage::kValue)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(Cell(33, ui::RegMapPage::kValue)->flags() & Qt::ItemIsEditable);
}

TEST_F(RegMapWindow, SaveThenLoadPutsTheValuesBackGreyAndWritesNothing) {
    Find<QLineEdit>("EditGA_X")->setText("7");
    Find<QCheckBox>("cbEN360")->setChecked(true);
    Find<QLineEdit>("EditChipID")->setText("$00ABCDEF");
    chosenFile = File("bench.ini");
    Click("btnSaveConfig");
    ASSERT_TRUE(messages.empty()) << messages[0].text.toStdString();
    const app::ParsedConfiguration saved =
        app::LoadConfigurationFile(chosenFile.toStdString());  // as -loadconfig reads it
    EXPECT_TRUE(saved.errors.empty());
    ASSERT_NE(app::FindValue(saved.values, "GA_X"), nullptr);
    EXPECT_EQ(app::FindValue(saved.values, "GA_X")->value, 7);
    EXPECT_EQ(app::FindValue(saved.values, "EN360")->value, 1);
    EXPECT_NE(Read("bench.ini").find("ChipID=$00ABCDEF\n"), std::string::npos);
    EXPECT_NE(Read("config.ini").find("[ConfigurationFiles]"), std::string::npos);

    Find<QLineEdit>("EditGA_X")->setText("3");
    Find<QCheckBox>("cbEN360")->setChecked(false);
    Find<QLineEdit>("EditZERO_POS")->setText("9");
    Click("btnLoadConfig");
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1], "open " + ExePath().substr(0, ExePath().size() - 1)) << "the last folder";
    EXPECT_EQ(Text("EditGA_X"), "7");
    EXPECT_EQ(Text("EditZERO_POS"), "0");
    EXPECT_TRUE(Find<QCheckBox>("cbEN360")->isChecked());
    EXPECT_EQ(Base("EditZERO_POS"),
              QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_TRUE(chip_.frames.empty());
}

TEST_F(RegMapWindow, AFileWithFaultsChangesNoFieldAndNamesEachFault) {
    Write("bad.ini", "[File]\nTool=1.0.3.0\n[QX5520]\n; by hand\nGA_X=40\nSPEED=1\nOA_X=3\n");
    chosenFile = File("bad.ini");
    Click("btnLoadConfig");
    EXPECT_EQ(Text("EditOA_X"), "0");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("GA_X=40")) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains("SPEED")) << messages[0].text.toStdString();

    messages.clear();
    Find<QLineEdit>("EditOA_X")->setText("x");
    chosenFile = File("never.ini");
    Click("btnSaveConfig");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("OA_X")) << messages[0].text.toStdString();
    EXPECT_FALSE(Exists("never.ini"));
    EXPECT_TRUE(dialogs.size() == 1) << "no dialog for values that cannot be saved";
}

TEST_F(RegMapWindow, WriteAllAsksBeforeSettingSsiAndSumsUpTheFields) {
    Find<QCheckBox>("cbSSI_MODE")->setChecked(true);
    Find<QLineEdit>("EditGA_X")->setText("5");
    Click("btnWriteAll");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_FALSE(Running());
    EXPECT_TRUE(chip_.frames.empty()) << "declined: nothing written";

    answer = true;
    Click("btnWriteAll");
    EXPECT_EQ(questions.size(), 2u);
    WaitForJob();
    EXPECT_EQ(chip_.registers[16] & 0x0800, 0x0800);
    EXPECT_EQ(chip_.registers[2] >> 11, 5);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages[0].text.toStdString(),
              "Write all: 16 fields verified, 14 unchanged (already in the chip), 0 mismatched.")
        << "the first field of each of the 15 registers and SSI_MODE change a word";

    // The chip now holds SSI_MODE: writing it again asks nothing.
    Click("btnWriteAll");
    EXPECT_EQ(questions.size(), 2u);
    WaitForJob();

    Find<QLineEdit>("EditGA_X")->setText("6");
    Click("btnCompare");
    WaitForJob();
    EXPECT_EQ(Base("EditGA_X"), kRed);
    EXPECT_EQ(Base("EditOA_X"), kGreen);
    EXPECT_EQ(messages.back().text.toStdString(),
              "Compare with chip: 29 fields equal, 1 different.\nGA_X: 6 / 5");
}

TEST_F(RegMapWindow, AFailedReadAllShowsWhereItStoppedAndNothingForRegistersNeverRead) {
    chip_.failAfter = 30;  // the adapter is lost part way
    Click("btnReadAll");
    WaitForJob();
    int read = 0;
    for (int address = 0; address < chip::kRegisterCount; ++address) {
        if (!Cell(address, ui::RegMapPage::kActual)->text().isEmpty()) {
            ++read;
        } else {
            EXPECT_EQ(Cell(address, ui::RegMapPage::kDevValue)->text(), QString(QChar(0x2014)))
                << address;
        }
    }
    EXPECT_GT(read, 0);
    EXPECT_LT(read, chip::kRegisterCount);
    EXPECT_EQ(Find<QProgressBar>("pbRegMap")->value(), read);
}

TEST_F(RegMapWindow, AnSsiBitTheChipReadBackIsAskedAboutBeforeWriteAll) {
    chip_.stuckHigh[16] = 0x0800;  // a flipped bit: the chip still answers
    Click("btnReadAll");
    WaitForJob();
    EXPECT_TRUE(Find<QCheckBox>("cbSSI_MODE")->isChecked());
    Find<QLineEdit>("EditREF")->setText("2");
    chip_.ClearRecord();
    Click("btnWriteAll");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_FALSE(Running());
    EXPECT_TRUE(chip_.frames.empty()) << "declined: nothing written";
}

TEST_F(RegMapWindow, WriteAllRefusesFieldsThatHoldNoValueAndATypedWordAsksBeforeSsi) {
    Find<QLineEdit>("EditGA_X")->setText("40");
    Click("btnWriteAll");
    EXPECT_FALSE(Running());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("GA_X: '40'")) << messages[0].text.toStdString();
    EXPECT_TRUE(chip_.frames.empty());

    Cell(16, ui::RegMapPage::kValue)->setText("0x0800");  // bit 11: SSI_MODE
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(chip_.frames.empty()) << "declined: nothing written";
    EXPECT_EQ(Cell(16, ui::RegMapPage::kValue)->text(), "0x0000");
    answer = true;
    Cell(16, ui::RegMapPage::kValue)->setText("0x0800");
    EXPECT_EQ(chip_.registers[16], 0x0800);
    EXPECT_TRUE(Find<QCheckBox>("cbSSI_MODE")->isChecked());
}

// Typed keys go to the current cell's editor or nowhere: the table has no type-ahead that
// would carry a word typed on a read-only row to the next row starting with its first digit.
TEST_F(RegMapWindow, AWordTypedOnAReadOnlyRowWritesNoRegister) {
    QTableWidget* table = Find<QTableWidget>("sgRegMap");
    // Each key goes to the editor open on the table, else to the table.
    auto target = [&]() -> QWidget* {
        for (QLineEdit* editor : table->findChildren<QLineEdit*>())
            if (editor->isVisibleTo(table)) return editor;
        return table;
    };
    auto type = [&](const QString& keys, int key = 0) {
        if (key != 0) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(target(), &press);
            return;
        }
        for (QChar c : keys) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target(), &press);
        }
    };
    for (int row : {32, 39}) {
        table->setFocus();
        table->setCurrentCell(row, ui::RegMapPage::kValue);
        type("0x1234");
        type({}, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_TRUE(chip_.frames.empty()) << "row " << row << ": a register was written";
        EXPECT_EQ(table->currentRow(), row);
    }
    // On a writable row the same keys write that register.
    table->setFocus();
    table->setCurrentCell(31, ui::RegMapPage::kValue);
    type("0x1234");
    type({}, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(chip_.registers[31], 0x1234);
    EXPECT_EQ(chip_.registers[33], 0);
}

// After Read all the chip's identifier is known: the saved file names it, as -saveconfig's
// does, though the top panel's edit is empty.
TEST_F(RegMapWindow, SaveAfterReadAllNamesTheChipsIdentifier) {
    chip_.registers[9] = 0x1234;
    chip_.registers[10] = 0x5678;
    Click("btnReadAll");
    WaitForJob();
    Find<QLineEdit>("EditChipID")->clear();
    chosenFile = File("read.ini");
    Click("btnSaveConfig");
    EXPECT_NE(Read("read.ini").find("ChipID=$12345678\n"), std::string::npos) << Read("read.ini");
}

// A close during Write all asks: No stops the job at once and shows what it wrote; Yes lets
// it finish and then closes.
TEST_F(RegMapWindow, ClosingDuringWriteAllAsksToFinishOrStopAndSaysWhatWasWritten) {
    window->show();
    Find<QLineEdit>("EditGA_X")->setText("5");
    Click("btnWriteAll");
    for (int i = 0; i < 10000 && chip_.frames.size() < 6; ++i) QCoreApplication::processEvents();
    ASSERT_TRUE(Running());
    answer = false;
    EXPECT_TRUE(window->close());
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].startsWith("A register-map job is running: "))
        << questions[0].toStdString();
    EXPECT_FALSE(Running());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("Stopped after")) << messages[0].text.toStdString();
}

TEST_F(RegMapWindow, ClosingDuringWriteAllCanLetItFinishFirst) {
    window->show();
    Find<QLineEdit>("EditGA_X")->setText("5");
    Click("btnWriteAll");
    ASSERT_TRUE(Running());
    answer = true;
    EXPECT_FALSE(window->close()) << "the close waits for the job";
    EXPECT_TRUE(window->isVisible());
    for (int i = 0; i < 20000 && window->isVisible(); ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(window->isVisible()) << "the close went on after the job";
    EXPECT_EQ(chip_.registers[2] >> 11, 5) << "the whole configuration was written";
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Write all: ")) << messages[0].text.toStdString();
}

}  // namespace
