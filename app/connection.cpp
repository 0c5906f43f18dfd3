#include "app/connection.h"

#include <stdexcept>

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
    if (ceFlag_) {
        const int channels = chip.Init();
        if (chip.CheckConnect() == kIdentified) {
            view_.ProcessPendingEvents();
            // Group 4 holds the readouts and test settings: not read on switching on.
            for (int group = 1; group <= 3; ++group) {
                ReadParamGroup(chip, group, view_.Fields(), view_.Busy(), texts_);
            }
        }
        view_.SetChannelCountText(texts_.vChannelsFound + std::to_string(channels));
    } else {
        chip.CloseSPI();
    }
    view_.SetConnectTimerEnabled(true);
}

void ConnectionSupervisor::TimerConnectTimer(chip::TASensDig& chip) {
    switch (chip.CheckConnect()) {
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
    ShowStatusFlags(chip, view_.Indicators());
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
