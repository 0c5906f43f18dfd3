// The window as an engineer at the bench meets it: verdicts that can be read, typed item
// text taken as typed, start buttons that always stop, desktop failures that are reported,
// log files that can be chosen, and a close that never pulls the chip from under a handler.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <string>

#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"
#include "tests/ui/window_fixture.h"
#include "ui/UnitAbout.h"
#include "ui/analog_page.h"
#include "ui/charts_page.h"
#include "ui/message_box.h"
#include "ui/work_page.h"
#include "ui/xy_page.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

double Luminance(const QColor& c) {
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// The WCAG contrast ratio, 1:1 to 21:1.
double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The main window over the test chip, its own chip object pausing on a counting clock.
class BenchWindow : public window_test::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        fake::Install(chip_);
    }
    ui::TF_Face& OpenCounting() {
        window = std::make_unique<ui::TF_Face>(ui::FaceOptions{ExePath(), {}, {}, &clock_, {}});
        return *window;
    }
    template <typename Widget>
    Widget* F(const char* name) const {
        Widget* widget = Find<Widget>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    fake::Chip chip_;
    fake::Clock clock_;
};

TEST_F(BenchWindow, VerdictColoursCarryTextThatCanBeRead) {
    CopyShipped("lang.rus");
    OpenCounting();
    chip_.stuckLow[2] = 0x8000;  // GA_X bit 4 never takes a 1
    F<QLineEdit>("EditGA_X")->setText("31");
    F<QLineEdit>("EditOA_X")->setText("2");
    F<QPushButton>("btnWriteGroup1")->click();

    const QPalette red = F<QLineEdit>("EditGA_X")->palette();
    EXPECT_EQ(red.color(QPalette::Base), kRed);
    EXPECT_EQ(red.color(QPalette::Text), QColor(Qt::black));
    EXPECT_GE(Contrast(red.color(QPalette::Text), kRed), 4.5);
    const QPalette green = F<QLineEdit>("EditOA_X")->palette();
    EXPECT_EQ(green.color(QPalette::Base), kGreen);
    EXPECT_EQ(green.color(QPalette::Text), QColor(Qt::white));
    EXPECT_GE(Contrast(green.color(QPalette::Text), kGreen), 4.5);
    // A check box: its face and its caption.
    const QPalette box = F<QCheckBox>("cbAGC_EN")->palette();
    EXPECT_EQ(box.color(QPalette::Button), kGreen);
    EXPECT_EQ(box.color(QPalette::WindowText), QColor(Qt::white));

    // The item list shows its verdict; its popup keeps the normal list colours.
    auto* list = F<QComboBox>("cbADCNT");
    EXPECT_EQ(list->palette().color(QPalette::Base), kGreen);
    EXPECT_GE(Contrast(list->lineEdit()->palette().color(QPalette::Text), kGreen), 4.5);
    const QPalette popup = list->view()->palette();
    EXPECT_EQ(popup.color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(popup.color(QPalette::Text), QApplication::palette().color(QPalette::Text));
}

TEST_F(BenchWindow, TextTypedIntoTheAdcClockListSelectsTheItemItNames) {
    OpenCounting();
    auto* list = F<QComboBox>("cbADCNT");
    EXPECT_EQ(list->completer(), nullptr);
    // Typed key by key, "CLK" stays "CLK": no completion to "CLK/4".
    list->lineEdit()->clear();
    list->lineEdit()->setFocus();
    for (const char* key : {"C", "L", "K"}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
        QCoreApplication::sendEvent(list->lineEdit(), &press);
    }
    EXPECT_EQ(list->currentText(), "CLK");

    struct Typed {
        const char* text;
        int field;  // ADCNT as the chip then holds it
    };
    for (const Typed& typed : {Typed{"CLK", 2}, Typed{"CLK/2", 1}, Typed{" clk/8 ", 3},
                               Typed{"clk/4", 0}, Typed{"CLK/3", 3}, Typed{"", 3}}) {
        list->lineEdit()->setText(typed.text);  // no Enter
        F<QPushButton>("btnWriteGroup1")->click();
        EXPECT_EQ((chip_.registers[16] >> 4) & 3, typed.field) << '"' << typed.text << '"';
        EXPECT_EQ(list->palette().color(QPalette::Base), kGreen) << typed.text;
    }
}

TEST_F(BenchWindow, WithoutALanguageFileTheStartButtonsStillStop) {
    ui::TF_Face& face = OpenCounting();
    EXPECT_EQ(face.tsWork->BtnStartAngleWrkData->text(), "");  // no file: no captions
    face.tsWork->EditAngleWorkDataInt->setText("50");
    face.tsWork->BtnStartAngleWrkData->click();
    EXPECT_TRUE(face.context.bStarted);
    EXPECT_TRUE(face.tsWork->TimerWorkData->isActive());
    face.tsWork->BtnStartAngleWrkData->click();
    EXPECT_FALSE(face.context.bStarted);
    face.tsWork->TimerWorkDataTimer();  // the armed timer fires once more and stays off
    EXPECT_FALSE(face.tsWork->TimerWorkData->isActive());
    // And starts again on the next click.
    face.tsWork->BtnStartAngleWrkData->click();
    EXPECT_TRUE(face.context.bStarted);
    face.tsWork->BtnStartAngleWrkData->click();
    EXPECT_FALSE(face.context.bStarted);
}

TEST_F(BenchWindow, ADocumentOrAddressTheDesktopCannotOpenIsReported) {
    ui::TF_Face& face = OpenCounting();
    Write("QX5520_datasheet_v2.pdf", "%PDF-1.4\n");
    desktopOpens = false;
    F<QPushButton>("btnOpenDataSheet")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(messages[0].text.contains("QX5520_datasheet_v2.pdf"))
        << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.startsWith("Cannot open ")) << messages[0].text.toStdString();

    face.F_About->LabelAboutTextLClick();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.contains(opened.back().toString()))
        << messages[1].text.toStdString();

    desktopOpens = true;  // an opened document says nothing
    F<QPushButton>("btnOpenDataSheet")->click();
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(BenchWindow, EachLogFileCanBeChosenInADialog) {
    CopyShipped("lang.rus");
    OpenCounting();
    QString asked;
    QString answer = "/data/run 1/angle.csv";
    const ui::SaveFileFunction previous =
        ui::SetSaveFileFunction([&](QWidget*, const QString& title, const QString& start) {
            asked = title + "|" + start;
            return answer;
        });
    const std::pair<const char*, const char*> choosers[] = {
        {"btnChooseAngleDataFile", "EditAngleDataFile"},
        {"btnChooseChartsFile", "EditChartsFile"},
        {"btnChooseXYFile", "EditXYFilename"},
    };
    for (const auto& [button, edit] : choosers) {
        F<QLineEdit>(edit)->setText("/old/name.csv");
        F<QToolButton>(button)->click();
        EXPECT_EQ(asked, QString::fromUtf8("Выбрать файл данных|/old/name.csv")) << button;
        EXPECT_EQ(F<QLineEdit>(edit)->text(), answer) << button;
        EXPECT_EQ(F<QToolButton>(button)->accessibleName(),
                  QString::fromUtf8("Выбрать файл данных"));
        EXPECT_EQ(F<QToolButton>(button)->text(), QString::fromUtf8("…"));
    }
    answer.clear();  // cancelled: the edit keeps its text
    F<QToolButton>("btnChooseXYFile")->click();
    EXPECT_EQ(F<QLineEdit>("EditXYFilename")->text(), "/data/run 1/angle.csv");
    ui::SetSaveFileFunction(previous);
}

TEST_F(BenchWindow, EveryEditBoxIsNamedByItsLabel) {
    CopyShipped("lang.eng");
    OpenCounting();
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        // The edit inside the item list is named by the list.
        if (qobject_cast<QComboBox*>(edit->parentWidget())) continue;
        EXPECT_FALSE(edit->accessibleName().isEmpty()) << edit->objectName().toStdString();
    }
    EXPECT_EQ(F<QLineEdit>("EditAngleDataFile")->accessibleName(), "Data file");
    EXPECT_EQ(F<QLineEdit>("EditXYInt")->accessibleName(), "Interval, ms");
}

TEST_F(BenchWindow, SwitchOnShowsItsBusyMessageBeforeTheFirstTransfer) {
    ui::TF_Face& face = OpenCounting();
    int framesWhileBusy = 0;
    chip_.onFrame = [&] {
        if (chip_.frames.size() == 1 && !face.PanelMsg->isHidden()) ++framesWhileBusy;
    };
    F<QCheckBox>("cbConnect")->click();
    EXPECT_EQ(framesWhileBusy, 1);
    EXPECT_TRUE(face.PanelMsg->isHidden());
    chip_.onFrame = nullptr;
}

TEST_F(BenchWindow, CloseDuringAChipOperationWaitsForItsEnd) {
    ui::TF_Face& face = OpenCounting();
    face.show();
    chip::TASensDig* chipObject = face.context.chip;
    ASSERT_NE(chipObject, nullptr);
    bool closed = false;
    chip_.onFrame = [&] {
        // A close that arrives while the switch-on reads (an event loop run inside it).
        if (chip_.frames.size() == 5 && !closed) {
            closed = true;
            QCloseEvent close;
            QCoreApplication::sendEvent(&face, &close);
            EXPECT_FALSE(close.isAccepted());
        }
    };
    F<QCheckBox>("cbConnect")->click();
    ASSERT_TRUE(closed);
    // The whole switch-on ran on the chip object: groups 1-3 read after the close arrived.
    EXPECT_GT(chip_.reads.size(), 10u);
    EXPECT_EQ(face.context.chip, chipObject);
    chip_.onFrame = nullptr;
    // Then the close goes through.
    QCoreApplication::processEvents();
    EXPECT_FALSE(face.isVisible());
    EXPECT_EQ(face.context.chip, nullptr);
}

}  // namespace
