#include "ui/register_controller.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/config/field_map.h"
#include "app/readings/status_flags.h"
#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"
#include "ui/control_index.h"
#include "ui/window_context.h"

namespace ui {
namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

// A window with the controls the controller binds, named as in the main window; a control
// named in `leaveOut` is not created.
std::unique_ptr<QWidget> TestWindow(const std::set<std::string>& leaveOut = {}) {
    auto window = std::make_unique<QWidget>();
    auto add = [&](QWidget* widget, const std::string& name) {
        widget->setObjectName(QString::fromStdString(name));
        if (leaveOut.count(name)) delete widget;
    };
    for (const app::ConfigField& f : app::kConfigFields) {
        const std::string name(f.control());
        switch (f.kind) {
            case app::FieldKind::Number:
            case app::FieldKind::Display: {
                auto* edit = new QLineEdit("0", window.get());
                edit->setReadOnly(f.kind == app::FieldKind::Display);
                add(edit, name);
                break;
            }
            case app::FieldKind::CheckBox:
                add(new QCheckBox(window.get()), name);
                break;
            case app::FieldKind::ItemList: {
                auto* list = new QComboBox(window.get());
                list->setEditable(true);
                for (std::string_view item : app::kAdcClockItems) {
                    list->addItem(QString::fromUtf8(item.data(), qsizetype(item.size())));
                }
                add(list, name);
                break;
            }
        }
    }
    for (int group = 1; group <= 4; ++group) {
        add(new QPushButton(window.get()), "btnWriteGroup" + std::to_string(group));
        add(new QPushButton(window.get()), "btnReadGroup" + std::to_string(group));
    }
    auto* panel = new QFrame(window.get());
    panel->hide();
    add(new QLabel(panel), "LabelMsg");
    add(panel, "PanelMsg");
    add(new QLineEdit(window.get()), "EditChipID");
    add(new QPushButton(window.get()), "btnWriteChID");
    add(new QPushButton(window.get()), "btnReadChID");
    for (const app::StatusFlag& flag : app::kStatusFlags) {
        auto* container = new QWidget(window.get());
        container->setEnabled(false);
        add(new QRadioButton(QString::fromUtf8(flag.name.data()), container),
            std::string(flag.indicator));
    }
    add(new QCheckBox(window.get()), "cbConnect");
    add(new QLabel(window.get()), "LabelConnectState");
    add(new QLabel(window.get()), "LabelChanCnt");
    auto* timer = new QTimer(window.get());
    timer->setInterval(2000);
    timer->setObjectName("TimerConnect");
    return window;
}

class Controller : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::Install(chip_);
        context_.chip = &dig_;
        context_.texts.vWritingProcess = "Writing";
        context_.texts.vReadingProcess = "Reading";
        context_.texts.vChannelsFound = "Channels: ";
        context_.texts.vChipIdentified = "identified";
        context_.reportError = [this](const QString& text) { errors_.push_back(text); };
    }
    void Bind(const std::set<std::string>& leaveOut = {}) {
        window_ = TestWindow(leaveOut);
        controls_ = std::make_unique<ControlIndex>(window_.get());
        controller_ = new RegisterController(context_, *controls_, window_.get());
    }
    template <typename W>
    W* Get(const char* name) {
        W* widget = window_->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QColor EditColour(const char* name) {
        return Get<QWidget>(name)->palette().color(QPalette::Base);
    }
    QColor BoxColour(const char* name) {
        auto* box = Get<QCheckBox>(name);
        return box->autoFillBackground() ? box->palette().color(box->backgroundRole()) : QColor();
    }
    void Click(const char* button) { Get<QPushButton>(button)->click(); }

    fake::Chip chip_;
    fake::Clock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
    WindowContext context_;
    std::vector<QString> errors_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<ControlIndex> controls_;
    RegisterController* controller_ = nullptr;
};

TEST_F(Controller, ReadThenUnchangedWritePaintsEveryFieldOfTheGroupGreen) {
    Bind();
    chip_.registers[3] = 0x6000;  // SDIS and PDIS ticked
    Click("btnReadGroup1");
    EXPECT_TRUE(Get<QCheckBox>("cbSDIS")->isChecked());
    chip_.ClearRecord();
    Click("btnWriteGroup1");
    EXPECT_TRUE(chip_.frames.empty());
    for (const char* edit : {"EditT_CURR", "EditGA_X", "EditOFFSET_COS", "cbADCNT"}) {
        EXPECT_EQ(EditColour(edit), kGreen) << edit;
    }
    for (const char* box : {"cbSDIS", "cbPDIS", "cbAGC_EN", "cbAOC_EN"}) {
        EXPECT_EQ(BoxColour(box), kGreen) << box;
    }
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Controller, MismatchPaintsRedAndTheEditShowsWhatTheChipHolds) {
    Bind();
    chip_.stuckLow[2] = 0x8000;
    chip_.stuckHigh[11] = 0x2000;  // EN360 always reads 1
    Get<QLineEdit>("EditGA_X")->setText("33");
    Get<QLineEdit>("EditZERO_POS")->setText("31");
    Click("btnWriteGroup1");
    EXPECT_EQ(Get<QLineEdit>("EditGA_X")->text(), "1");
    EXPECT_EQ(EditColour("EditGA_X"), kGreen);
    Get<QLineEdit>("EditGA_X")->setText("31");
    Click("btnWriteGroup1");
    EXPECT_EQ(Get<QLineEdit>("EditGA_X")->text(), "15");
    EXPECT_EQ(EditColour("EditGA_X"), kRed);
    Click("btnWriteGroup2");
    EXPECT_EQ(BoxColour("cbEN360"), kRed);
    EXPECT_FALSE(Get<QCheckBox>("cbEN360")->isChecked());
}

TEST_F(Controller, TextTypedIntoTheItemListCountsAsNoItemSelected) {
    Bind();
    auto* list = Get<QComboBox>("cbADCNT");
    list->setCurrentIndex(1);
    list->lineEdit()->setText("CLK/16");
    Click("btnWriteGroup1");
    EXPECT_EQ(chip_.registers[16] & 0x0030, 0x0030);  // index -1 encodes as 3
    EXPECT_EQ(list->currentIndex(), 3);
    EXPECT_EQ(list->currentText(), "CLK/8");
    EXPECT_EQ(EditColour("cbADCNT"), kGreen);
}

TEST_F(Controller, GroupOneNumberEditsTurnGreyOnTypingAndTheOthersKeepTheirColour) {
    Bind();
    Click("btnReadGroup1");
    Click("btnReadGroup2");
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    ASSERT_NE(grey, kGreen);
    Get<QLineEdit>("EditGA_X")->insert("5");
    EXPECT_EQ(EditColour("EditGA_X"), grey);
    EXPECT_EQ(EditColour("EditOA_X"), kGreen);
    Get<QLineEdit>("EditZERO_POS")->insert("5");
    EXPECT_EQ(EditColour("EditZERO_POS"), kGreen);
    Get<QLineEdit>("EditDTST_SET")->insert("5");
    EXPECT_EQ(EditColour("EditDTST_SET"), EditColour("EditATST0_SET"));  // layout colour
    // A write sets the text (grey) and then paints: the write's colour remains.
    Click("btnWriteGroup1");
    EXPECT_EQ(EditColour("EditGA_X"), kGreen);
}

TEST_F(Controller, AControlTheWindowLacksIsAnErrorAtOnce) {
    try {
        Bind({"EditOFFSET_SIN", "rbOTR_X"});
        FAIL() << "no error";
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "The window has no control named EditOFFSET_SIN, rbOTR_X.");
    }
}

TEST_F(Controller, BusyPanelShowsTheTextDuringTheOperationAndIsHiddenAfterAnError) {
    Bind();
    Click("btnReadGroup1");
    Get<QLineEdit>("EditXG")->setText("1");
    Get<QLineEdit>("EditOFFSET_SIN")->setText("5");
    // XG's write goes through (six frames, a read command and its answer); the adapter is
    // gone at OFFSET_SIN's.
    chip_.transfers = 0;
    chip_.failAfter = 8;
    bool shownAtFirstFrame = false;
    int frames = 0;
    chip_.onFrame = [&] {
        if (frames++ == 0) shownAtFirstFrame = !Get<QWidget>("PanelMsg")->isHidden();
    };
    Click("btnWriteGroup1");
    EXPECT_TRUE(shownAtFirstFrame);
    EXPECT_EQ(Get<QLabel>("LabelMsg")->text(), "Writing");
    EXPECT_TRUE(Get<QWidget>("PanelMsg")->isHidden());
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], "The adapter did not complete a transfer (unplugged?).");
    EXPECT_EQ(EditColour("EditXG"), kGreen);  // reached before the error
    EXPECT_EQ(EditColour("EditOFFSET_SIN"), kRed);

    chip_.failAfter = -1;
    frames = 0;
    Click("btnReadGroup2");
    EXPECT_TRUE(shownAtFirstFrame);
    EXPECT_EQ(Get<QLabel>("LabelMsg")->text(), "Reading");
    EXPECT_TRUE(Get<QWidget>("PanelMsg")->isHidden());
}

TEST_F(Controller, ChipIdentifierRoundTripAndItsErrorMessage) {
    Bind();
    Get<QLineEdit>("EditChipID")->setText("$1234abcd");
    Click("btnWriteChID");
    EXPECT_EQ(chip_.registers[9], 0x1234);
    EXPECT_EQ(chip_.registers[10], 0xABCD);
    Get<QLineEdit>("EditChipID")->setText("");
    Click("btnReadChID");
    EXPECT_EQ(Get<QLineEdit>("EditChipID")->text(), "$1234ABCD");
    EXPECT_TRUE(errors_.empty());

    chip_.ClearRecord();
    Get<QLineEdit>("EditChipID")->setText("4294967295");
    Click("btnWriteChID");
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], "''4294967295'' is not a valid integer value");
    EXPECT_TRUE(chip_.frames.empty());
}

TEST_F(Controller, SwitchingOnBySetCheckedFillsTheGroupsAndTheTimerDrivesTheIndicators) {
    Bind();
    chip_.registers[2] = 0x0800;
    chip_.registers[32] = 0x0041;
    auto* timer = window_->findChild<QTimer*>("TimerConnect");
    Get<QCheckBox>("cbConnect")->setChecked(true);
    EXPECT_TRUE(controller_->ceFlag());
    EXPECT_EQ(Get<QLineEdit>("EditGA_X")->text(), "1");
    EXPECT_EQ(EditColour("EditGA_X"), kGreen);
    EXPECT_EQ(Get<QLabel>("LabelChanCnt")->text(), "Channels: 1");
    EXPECT_TRUE(timer->isActive());

    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);  // one tick
    EXPECT_EQ(Get<QLabel>("LabelConnectState")->text(), "identified");
    std::vector<std::string> lit;
    for (const app::StatusFlag& flag : app::kStatusFlags) {
        if (Get<QRadioButton>(std::string(flag.indicator).c_str())->isChecked()) {
            lit.emplace_back(flag.indicator);
        }
    }
    EXPECT_EQ(lit, (std::vector<std::string>{"rbEML", "rbOTR_X"}));
    EXPECT_TRUE(timer->isActive());

    Get<QCheckBox>("cbConnect")->setChecked(false);
    EXPECT_FALSE(chip_.open);
    EXPECT_TRUE(timer->isActive());                                     // one more tick runs
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);  // one tick
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Controller, HandlerWithoutTheChipObjectReportsInsteadOfCrashing) {
    context_.chip = nullptr;
    Bind();
    Click("btnWriteGroup3");
    Click("btnReadChID");
    ASSERT_EQ(errors_.size(), 2u);
    EXPECT_EQ(errors_[0], "The chip access object does not exist yet.");
    EXPECT_TRUE(Get<QWidget>("PanelMsg")->isHidden());
}

}  // namespace
}  // namespace ui
