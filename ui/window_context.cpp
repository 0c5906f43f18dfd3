#include "ui/window_context.h"

#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"

namespace ui {

bool ChipReady(WindowContext& context) {
    const app::CalibrationTexts& texts = context.texts.calibration;
    auto refuse = [&](const std::string& text) {
        if (context.inform) context.inform(QString::fromStdString(text));
        return false;
    };
    if (context.chip == nullptr || !context.exchangeOn || !context.exchangeOn()) {
        return refuse(texts.vExchangeOff);
    }
    const ChipOperation operation(context);
    const app::TransferWatch watch(*context.chip);
    uint8_t state = 1;
    try {
        state = context.chip->CheckConnect();
    } catch (const std::exception&) {
        return refuse(texts.vAdapterLost);
    }
    if (watch.Failed()) return refuse(texts.vAdapterLost);
    if (state != 0) {
        return refuse(QString::fromStdString(texts.vChipNotReady)
                          .arg(QString::asprintf("0x%04X", context.chip->LastIdentification()))
                          .toStdString());
    }
    return true;
}

}  // namespace ui
