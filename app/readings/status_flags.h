// The status flags of register 32 and the seven indicators of the status strip.
#pragma once

#include <array>
#include <string_view>

namespace chip {
class TASensDig;
}

namespace app {

/// One flag of the status register and the indicator that shows it.
struct StatusFlag {
    int bit;                     // bit of register 32
    std::string_view name;       // the flag's name, also the indicator's fixed caption
    std::string_view indicator;  // the indicator's control name
};

/// The flags in strip order, left to right: bit 6 down to bit 0.
inline constexpr std::array<StatusFlag, 7> kStatusFlags{{
    {6, "EML", "rbEML"},
    {5, "OFC_READY", "rbOFC_READY"},
    {4, "CONV_READY", "rbCONV_READY"},
    {3, "ELOAD_READY", "rbELOAD_READY"},
    {2, "LOW_SPEED", "rbLOW_SPEED"},
    {1, "OTR_Y", "rbOTR_Y"},
    {0, "OTR_X", "rbOTR_X"},
}};

/// The seven indicators of the status strip.
class StatusIndicators {
  public:
    virtual ~StatusIndicators() = default;
    /// Sets the named indicator (rbEML ... rbOTR_X) on or off.
    virtual void SetIndicator(std::string_view indicator, bool on) = 0;
};

/// ShowStatusFlags: reads register 32 from the chip (always a transfer) and sets every
/// indicator from its bit.
void ShowStatusFlags(chip::TASensDig& chip, StatusIndicators& indicators);

}  // namespace app
