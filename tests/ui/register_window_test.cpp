// The register controller inside the real main window: every control it binds is there
// under its name and kind, and the handlers work on the window's own widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <string>

#include "app/config/field_map.h"
#include "app/readings/status_flags.h"
#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"
#include "tests/ui/window_fixture.h"

namespace {

const QColor kGreen(0, 128, 0);

class RegisterWindow : public window_test::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        fake::Install(chip_);
        Open();
        // The window's own chip object pauses 100 ms per read; the tests use one that counts.
        window->context.chip = &dig_;
    }
    void TearDown() override {
        window->context.chip = nullptr;
        WindowTest::TearDown();
    }
    QColor Background(const char* name) {
        QWidget* widget = Find<QWidget>(name);
        if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            return box->autoFillBackground() ? box->palette().color(box->backgroundRole())
                                             : QColor();
        }
        return widget->palette().color(QPalette::Base);
    }

    fake::Chip chip_;
    fake::Clock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
};

TEST_F(RegisterWindow, EveryControlTheControllerBindsIsThereWithItsKind) {
    for (const app::ConfigField& f : app::kConfigFields) {
        const std::string name(f.control());
        QWidget* widget = Find<QWidget>(name.c_str());
        ASSERT_NE(widget, nullptr) << name;
        switch (f.kind) {
            case app::FieldKind::Number:
                EXPECT_NE(qobject_cast<QLineEdit*>(widget), nullptr) << name;
                EXPECT_FALSE(qobject_cast<QLineEdit*>(widget)->isReadOnly()) << name;
                break;
            case app::FieldKind::Display:
                EXPECT_TRUE(qobject_cast<QLineEdit*>(widget)->isReadOnly()) << name;
                break;
            case app::FieldKind::CheckBox:
                EXPECT_NE(qobject_cast<QCheckBox*>(widget), nullptr) << name;
                break;
            case app::FieldKind::ItemList: {
                auto* list = qobject_cast<QComboBox*>(widget);
                ASSERT_NE(list, nullptr) << name;
                ASSERT_EQ(list->count(), 4);
                for (int i = 0; i < 4; ++i) {
                    EXPECT_EQ(list->itemText(i).toStdString(), app::kAdcClockItems[i]);
                }
                break;
            }
        }
    }
    for (int group = 1; group <= 4; ++group) {
        EXPECT_NE(Find<QPushButton>(("btnWriteGroup" + std::to_string(group)).c_str()), nullptr);
        EXPECT_NE(Find<QPushButton>(("btnReadGroup" + std::to_string(group)).c_str()), nullptr);
    }
    for (const app::StatusFlag& flag : app::kStatusFlags) {
        EXPECT_NE(Find<QRadioButton>(std::string(flag.indicator).c_str()), nullptr);
    }
    for (const char* name : {"PanelMsg", "LabelMsg", "LabelConnectState", "LabelChanCnt"}) {
        EXPECT_NE(Find<QWidget>(name), nullptr) << name;
    }
    EXPECT_NE(Find<QLineEdit>("EditChipID"), nullptr);
    EXPECT_NE(Find<QPushButton>("btnWriteChID"), nullptr);
    EXPECT_NE(Find<QPushButton>("btnReadChID"), nullptr);
    EXPECT_NE(Find<QCheckBox>("cbConnect"), nullptr);
    EXPECT_EQ(window->findChildren<QTimer*>("TimerConnect").size(), 1);
}

TEST_F(RegisterWindow, ReadWriteAndTypingColourTheWindowsFields) {
    chip_.registers[3] = 0x2000;
    Find<QPushButton>("btnReadGroup1")->click();
    Find<QPushButton>("btnWriteGroup1")->click();
    EXPECT_TRUE(chip_.configWrites.empty());
    for (const char* name : {"EditGA_X", "EditOFFSET_SIN", "cbADCNT", "cbSDIS", "cbAOC_EN"}) {
        EXPECT_EQ(Background(name), kGreen) << name;
    }
    EXPECT_TRUE(Find<QCheckBox>("cbSDIS")->isChecked());
    EXPECT_TRUE(Find<QWidget>("PanelMsg")->isHidden());
    // What the user sees: the box is drawn green beside its caption, not only its palette.
    QWidget* box = Find<QWidget>("cbAOC_EN");
    window->show();
    Find<QTabWidget>("PageControl")->setCurrentIndex(0);
    const QImage drawn = box->grab().toImage();
    int green = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) green += drawn.pixelColor(x, y) == kGreen;
    EXPECT_GT(green, drawn.width() * drawn.height() / 3);

    Find<QPushButton>("btnReadGroup2")->click();
    Find<QLineEdit>("EditGA_X")->insert("7");
    Find<QLineEdit>("EditZERO_POS")->insert("7");
    EXPECT_EQ(Background("EditGA_X"),
              QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    EXPECT_EQ(Background("EditZERO_POS"), kGreen);
    EXPECT_TRUE(messages.empty());
}

TEST_F(RegisterWindow, IdentifierAndStatusIndicatorsUseTheWindowsControls) {
    Find<QLineEdit>("EditChipID")->setText("$0000abcd");
    Find<QPushButton>("btnWriteChID")->click();
    Find<QLineEdit>("EditChipID")->clear();
    Find<QPushButton>("btnReadChID")->click();
    EXPECT_EQ(Find<QLineEdit>("EditChipID")->text(), "$0000ABCD");

    Find<QLineEdit>("EditChipID")->setText("12x");
    Find<QPushButton>("btnWriteChID")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].text, "''12x'' is not a valid integer value");

    chip_.registers[32] = 0x0041;
    auto* timer = window->findChild<QTimer*>("TimerConnect");
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);  // one tick
    EXPECT_TRUE(Find<QRadioButton>("rbEML")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>("rbOTR_X")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("rbOTR_Y")->isChecked());
    EXPECT_FALSE(timer->isActive());  // the switch is off
}

TEST_F(RegisterWindow, ClickingTheSwitchOnFillsTheFirstGroupsAndStartsSupervision) {
    chip_.registers[2] = 0x1000;  // GA_X 2
    Find<QCheckBox>("cbConnect")->click();
    EXPECT_EQ(Find<QLineEdit>("EditGA_X")->text(), "2");
    EXPECT_EQ(Background("EditGA_X"), kGreen);
    EXPECT_TRUE(Find<QLabel>("LabelChanCnt")->text().endsWith("1"));
    EXPECT_TRUE(window->findChild<QTimer*>("TimerConnect")->isActive());
    EXPECT_TRUE(messages.empty());
}

}  // namespace
