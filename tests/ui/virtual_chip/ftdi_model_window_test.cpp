// The window through the libftdi1 adapter library over the modelled FT232H: the library's
// MPSSE command stream drives the engine model's pins and the virtual chip answers on them
// bit by bit. A group write with its verification and an X-Y readout go through the whole
// stack as they would through a real adapter.
#if defined(QX_FTDI_LIBRARY)
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "tests/ui/virtual_chip_window.h"
#include "ui/xy_page.h"

namespace window_test {
namespace {

class WindowModel : public VirtualChipWindow {
  protected:
    void SetUp() override {
        // Bound before anything else in this process: the libftdi1 library, over the model.
        ::setenv("QX5520_ADAPTER_LIBRARY", QX_FTDI_LIBRARY, 1);
        ::setenv("QX_FTDI_MODEL", "ft232h", 1);
        // The virtual chip's own library only lends the fixture its reset hooks.
        ASSERT_NE(::dlopen(QX_SIM_LIBRARY, RTLD_NOW), nullptr);
        VirtualChipWindow::SetUp();
    }
    void TearDown() override {
        VirtualChipWindow::TearDown();
        ::unsetenv("QX5520_ADAPTER_LIBRARY");
        ::unsetenv("QX_FTDI_MODEL");
    }
};

TEST_F(WindowModel, AGroupWriteVerifiesAndTheXYChartDrawsTheCircle) {
    Use("rpm=600\nseed=3\n");
    Open();
    ASSERT_NE(window->context.chip, nullptr);
    // The exchange on: the library opens and sets up the modelled channel, the chip answers
    // its identification.
    Find<QCheckBox>("cbConnect")->click();
    ProcessUntil([&] { return window->context.chip->LastIdentification() == 0x08E2; }, 5000);
    EXPECT_EQ(window->context.chip->LastIdentification(), 0x08E2);

    auto* gain = Find<QLineEdit>("EditGA_X");
    gain->setText("3");
    Find<QPushButton>("btnWriteGroup1")->click();
    EXPECT_TRUE(messages.empty()) << messages[0].text.toStdString();
    EXPECT_EQ(gain->palette().color(QPalette::Base), QColor(0, 128, 0));
    EXPECT_EQ(window->context.chip->Slot(2).DevValue & 0xF800, 3 << 11);

    ui::XYPage& xy = *window->tsXYChart;
    xy.EditXYInt->setText("1");
    xy.btnStartXYChart->click();
    ProcessUntil([] { return false; }, 600);
    xy.btnStartXYChart->click();
    ProcessUntil([&] { return !xy.TimerXYData->isActive(); }, 2000);
    EXPECT_TRUE(messages.empty()) << messages[0].text.toStdString();
    const auto fit = xy.Fit.Fit();
    ASSERT_TRUE(fit) << xy.Fit.Count() << " points";
    // GA_X = 3 widens the sine to 2500 × (1 + 3/16); the cosine keeps 2500.
    EXPECT_NEAR(fit->amplitudeX, 2968.75, 15);
    EXPECT_NEAR(fit->amplitudeY, 2500, 15);
    EXPECT_NEAR(fit->offsetX, 0, 10);
}

}  // namespace
}  // namespace window_test
#endif  // QX_FTDI_LIBRARY
