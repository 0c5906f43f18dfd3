// A stored ConnectActive switches the exchange on during the window's creation, through the
// same click handler as the user's, before the language step sets the start texts; the channel
// count it found is shown after that step.
#include <QCheckBox>
#include <QLabel>
#include <QTimer>

#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"
#include "window_fixture.h"

namespace {

using window_test::WindowTest;

/// Register reads without their 100 ms pause.
class NoPause : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds) override {}
};

TEST_F(WindowTest, StoredConnectActiveSwitchesTheExchangeOnAtStartAndIsStoredAgain) {
    Write("config.ini", "[CONFIG]\nConnectActive=1\n");
    Write("lang.eng", "[Language]\nvChannelsFound=\"Channels: \"\nvNotDefined=unknown\n");
    fake::Chip chip;
    chip.channels = 2;
    fake::Install(chip);
    NoPause clock;
    window = std::make_unique<ui::TF_Face>(ui::FaceOptions{ExePath(), {}, {}, &clock, {}});

    EXPECT_TRUE(Find<QCheckBox>("cbConnect")->isChecked());
    // The switch-on started the supervision timer; the language step came after it.
    EXPECT_TRUE(Find<QTimer>("TimerConnect")->isActive());
    EXPECT_EQ(Find<QLabel>("LabelConnectState")->text(), "unknown");
    // The channel count is the one the switch-on found, as a click shows it.
    EXPECT_EQ(Find<QLabel>("LabelChanCnt")->text(), "Channels: 2");

    window->close();
    EXPECT_FALSE(Find<QTimer>("TimerConnect")->isActive());
    EXPECT_NE(Read("config.ini").find("ConnectActive=1"), std::string::npos);
    window.reset();
    fake::active = nullptr;
}

TEST_F(WindowTest, WithoutConnectActiveNoChannelIsOpenedAndNoTimerRuns) {
    Open();
    EXPECT_FALSE(Find<QCheckBox>("cbConnect")->isChecked());
    for (QTimer* timer : window->findChildren<QTimer*>())
        EXPECT_FALSE(timer->isActive()) << timer->objectName().toStdString();
}

}  // namespace
