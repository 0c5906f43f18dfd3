// A stored ConnectActive switches the exchange on during the window's creation, through the
// same click handler as the user's, before the language step sets the start texts.
#include <QCheckBox>
#include <QLabel>
#include <QTimer>

#include "chip/ASens_Digital.h"
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
    NoPause clock;
    window = std::make_unique<ui::TF_Face>(ui::FaceOptions{ExePath(), {}, {}, &clock, {}});

    EXPECT_TRUE(Find<QCheckBox>("cbConnect")->isChecked());
    // The switch-on started the supervision timer; the language step came after it.
    EXPECT_TRUE(Find<QTimer>("TimerConnect")->isActive());
    EXPECT_EQ(Find<QLabel>("LabelChanCnt")->text(), "Channels: 0");
    EXPECT_EQ(Find<QLabel>("LabelConnectState")->text(), "unknown");

    window->close();
    EXPECT_FALSE(Find<QTimer>("TimerConnect")->isActive());
    EXPECT_NE(Read("config.ini").find("ConnectActive=1"), std::string::npos);
}

TEST_F(WindowTest, WithoutConnectActiveNoChannelIsOpenedAndNoTimerRuns) {
    Open();
    EXPECT_FALSE(Find<QCheckBox>("cbConnect")->isChecked());
    for (QTimer* timer : window->findChildren<QTimer*>())
        EXPECT_FALSE(timer->isActive()) << timer->objectName().toStdString();
}

}  // namespace
