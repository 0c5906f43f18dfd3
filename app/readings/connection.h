// Connection supervision: the exchange switch cbConnect and the TimerConnect tick that
// identifies the chip and refreshes the state text and the status indicators.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "app/config/field_controls.h"
#include "app/config/param_groups.h"
#include "app/lang/language.h"
#include "app/readings/status_flags.h"

namespace chip {
class TASensDig;
}

namespace app {

/// What connection supervision touches in the window (or in its headless stand-in).
class ConnectionView {
  public:
    virtual ~ConnectionView() = default;
    /// Whether cbConnect is ticked.
    virtual bool ConnectChecked() const = 0;
    /// Sets the text of LabelConnectState.
    virtual void SetConnectStateText(const std::string& text) = 0;
    /// Sets the text of LabelChanCnt.
    virtual void SetChannelCountText(const std::string& text) = 0;
    /// Enables or disables TimerConnect. Enabling a running timer leaves it running on its
    /// current period (it is not restarted).
    virtual void SetConnectTimerEnabled(bool enabled) = 0;
    /// Paints the exchange switch at once, so that its tick shows before the switch-on's
    /// reads. Never runs the event loop: no other handler may run inside a chip operation.
    virtual void RepaintSwitch() = 0;
    /// The field controls of the parameter pages, the busy message and the indicators.
    virtual FieldControls& Fields() = 0;
    virtual BusyMessage& Busy() = 0;
    virtual StatusIndicators& Indicators() = 0;
};

/// Runs the switch's click and the timer's tick over a view; holds ceFlag, the switch's
/// state as of its last change.
class ConnectionSupervisor {
  public:
    /// texts: the language texts, read at each click and tick (they may be loaded later).
    ConnectionSupervisor(ConnectionView& view, const LanguageTexts& texts);

    /// cbConnectClick. Ticked: the switch and the busy message are painted, Init (n channels);
    /// if CheckConnect identifies the chip, groups 1, 2 and 3 are read; LabelChanCnt :=
    /// vChannelsFound + n. Cleared: CloseSPI. In both cases TimerConnect is enabled, also
    /// when a group read ends with an error (which then goes on to the caller).
    void cbConnectClick(chip::TASensDig& chip);

    /// TimerConnectTimer: CheckConnect sets the state text, ShowStatusFlags the indicators,
    /// then TimerConnect stays enabled only while ceFlag is true, so exactly one tick
    /// follows a switch-off. When the adapter does not complete a transfer the state text is
    /// vChipNotConnected and every indicator is lit, as for an absent chip.
    void TimerConnectTimer(chip::TASensDig& chip);

    bool ceFlag() const { return ceFlag_; }

    /// LabelChanCnt := vChannelsFound + the count the last switch-on found (after the language
    /// step, which shows 0, when the stored switch-on ran before it).
    void ShowChannelCount();

  private:
    ConnectionView& view_;
    const LanguageTexts& texts_;
    bool ceFlag_ = false;
    int channels_ = 0;  // found by the last switch-on
};

/// Indicators without a window: remembers each one's state (all off at first).
class HeadlessStatusIndicators : public StatusIndicators {
  public:
    HeadlessStatusIndicators();
    void SetIndicator(std::string_view indicator, bool on) override;
    /// Throws std::out_of_range for a name that is no indicator.
    bool On(std::string_view indicator) const;

  private:
    std::map<std::string, bool, std::less<>> on_;
};

/// The connection view of a run without a window (batch mode, tests): plain values in place
/// of the controls, the field controls with their design values.
class HeadlessConnectionView : public ConnectionView {
  public:
    bool ConnectChecked() const override { return connectChecked; }
    void SetConnectStateText(const std::string& text) override { connectState = text; }
    void SetChannelCountText(const std::string& text) override { channelCount = text; }
    void SetConnectTimerEnabled(bool enabled) override { timerEnabled = enabled; }
    void RepaintSwitch() override { ++switchRepaints; }
    HeadlessFieldControls& Fields() override { return fields; }
    HeadlessBusyMessage& Busy() override { return busy; }
    HeadlessStatusIndicators& Indicators() override { return indicators; }

    bool connectChecked = false;
    std::string connectState;
    std::string channelCount;
    bool timerEnabled = false;
    int switchRepaints = 0;
    HeadlessFieldControls fields;
    HeadlessBusyMessage busy;
    HeadlessStatusIndicators indicators;
};

}  // namespace app
