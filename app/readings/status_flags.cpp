#include "app/readings/status_flags.h"

#include "chip/ASens_Digital.h"

namespace app {

void ShowStatusFlags(chip::TASensDig& chip, StatusIndicators& indicators) {
    // ReadStatus hands the flags out in strip order, the order of kStatusFlags.
    std::array<bool, kStatusFlags.size()> on{};
    chip.ReadStatus(on[0], on[1], on[2], on[3], on[4], on[5], on[6]);
    for (std::size_t i = 0; i < kStatusFlags.size(); ++i) {
        indicators.SetIndicator(kStatusFlags[i].indicator, on[i]);
    }
}

}  // namespace app
