#include "app/readings/connection.h"

#include <stdexcept>

#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"

namespace app {

namespace {
constexpr uint8_t kIdentified = 0;
constexpr uint8_t kNotConnected = 1;
constexpr uint8_t kNotIdentified = 2;
}  // namespace

ConnectionSupervisor::ConnectionSupervisor(ConnectionView& view, const LanguageTexts& texts)
    : view_(view), texts_(texts) {}

void ConnectionSupervisor::cbConnectClick(chip::TASensDig& chip) {
    ceFlag_ = view_.ConnectChecked();
    if (!ceFlag_) {
        chip.CloseSPI();
        view_.SetConnectTimerEnabled(true);
        return;
    }
    // The tick and the busy message show at once: the identification alone takes 100 ms and
    // the three groups about two seconds.
    view_.RepaintSwitch();
    view_.Busy().Show(texts_.vReadingProcess);
    int channels = 0;
    try {
        channels = chip.Init();
        if (chip.CheckConnect() == kIdentified) {
            // Group 4 holds the readouts and test settings: not read on switching on.
            for (int group = 1; group <= 3; ++group) {
                ReadParamGroup(chip, group, view_.Fields(), view_.Busy(), texts_);
            }
        }
    } catch (...) {
        view_.Busy().Hide();
        channels_ = channels;
        ShowChannelCount();
        view_.SetConnectTimerEnabled(true);
        throw;
    }
    view_.Busy().Hide();
    channels_ = channels;
    ShowChannelCount();
    view_.SetConnectTimerEnabled(true);
}

void ConnectionSupervisor::ShowChannelCount() {
    view_.SetChannelCountText(texts_.vChannelsFound + std::to_string(channels_));
}

void ConnectionSupervisor::TimerConnectTimer(chip::TASensDig& chip) {
    const TransferWatch watch(chip);
    const uint8_t state = chip.CheckConnect();
    if (!watch.Failed()) ShowStatusFlags(chip, view_.Indicators());
    if (watch.Failed()) {
        // No adapter to talk to: shown as no chip, not as a chip that answers wrongly.
        view_.SetConnectStateText(texts_.vChipNotConnected);
        for (const StatusFlag& flag : kStatusFlags)
            view_.Indicators().SetIndicator(flag.indicator, true);
        view_.SetConnectTimerEnabled(ceFlag_);
        return;
    }
    switch (state) {
        case kIdentified:
            view_.SetConnectStateText(texts_.vChipIdentified);
            break;
        case kNotConnected:
            view_.SetConnectStateText(texts_.vChipNotConnected);
            break;
        case kNotIdentified:
            view_.SetConnectStateText(texts_.vChipNotIdentified);
            break;
        default:
            break;
    }
    view_.SetConnectTimerEnabled(ceFlag_);
}

HeadlessStatusIndicators::HeadlessStatusIndicators() {
    for (const StatusFlag& flag : kStatusFlags) on_[std::string(flag.indicator)] = false;
}

void HeadlessStatusIndicators::SetIndicator(std::string_view indicator, bool on) {
    const auto found = on_.find(indicator);
    if (found == on_.end()) {
        throw std::out_of_range("No status indicator is named " + std::string(indicator) + ".");
    }
    found->second = on;
}

bool HeadlessStatusIndicators::On(std::string_view indicator) const {
    const auto found = on_.find(indicator);
    if (found == on_.end()) {
        throw std::out_of_range("No status indicator is named " + std::string(indicator) + ".");
    }
    return found->second;
}

}  // namespace app
