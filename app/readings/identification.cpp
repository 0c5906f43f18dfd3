#include "app/readings/identification.h"

#include <cstdio>

#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "chip/UnitSPI.h"

namespace app {

Identification Identify(chip::TASensDig& chip, const chip::Adapter& adapter) {
    Identification result;
    result.channels = chip.Init();
    const TransferWatch watch(chip);
    const uint8_t connect = chip.CheckConnect();
    result.word = chip.LastIdentification();
    if (connect == 0) {
        result.outcome = IdentifyOutcome::Identified;
        return result;
    }
    if (connect == 1) {
        result.outcome = IdentifyOutcome::NoChip;
        result.cause = "no chip answers (the data line reads all ones)";
        return result;
    }
    result.outcome = IdentifyOutcome::NotIdentified;
    result.adapterFault = !chip::AdapterLibraryComplete() || result.channels == 0 ||
                          !adapter.ChannelOpen() || watch.Failed();
    if (!chip::AdapterLibraryComplete()) {
        result.cause = std::string("no adapter library is bound (") + chip::AdapterLibraryName() +
                       " is missing or incomplete)";
    } else if (result.channels == 0 || !adapter.ChannelOpen()) {
        result.cause = "no adapter channel could be opened (is the adapter plugged in?)";
    } else if (watch.Failed()) {
        result.cause = kTransferFailed;
    } else {
        char word[8];
        std::snprintf(word, sizeof word, "0x%04X", result.word);
        result.cause = std::string("register 39 answers ") + word + ", not 0x08E2";
    }
    return result;
}

}  // namespace app
