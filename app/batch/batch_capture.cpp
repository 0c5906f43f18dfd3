// -capture N FILE [CLOCK_HZ]: N angle words at the bus's speed into a file of their own.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "app/batch/batch.h"
#include "app/config/integer_text.h"
#include "app/readings/angle_capture.h"
#include "app/readings/transfer_check.h"
#include "base/file_rewrite.h"
#include "chip/utf8_path.h"

namespace app {

std::optional<int> CheckCaptureOperands(const std::vector<std::string>& operands,
                                        CaptureOperands& checked, const ErrorSink& errors) {
    const std::string countText = operands.size() > 0 ? operands[0] : std::string();
    checked.file = operands.size() > 1 ? operands[1] : std::string();
    if (countText.empty() || checked.file.empty()) {
        errors("-capture needs a number of readings and a file name");
        return kBatchBadOperand;
    }
    const std::optional<int32_t> count = ParseIntegerText(countText);
    if (!count || *count < 1 || static_cast<size_t>(*count) > AngleCapture::kMaxReadings) {
        errors("number of readings '" + countText + "' is not an integer 1-" +
               std::to_string(AngleCapture::kMaxReadings));
        return kBatchBadOperand;
    }
    checked.count = static_cast<size_t>(*count);
    checked.clockHz = kCaptureClockHz;
    if (operands.size() > 2) {
        const std::optional<int32_t> clock = ParseIntegerText(operands[2]);
        if (!clock || *clock < 1 || *clock > static_cast<int32_t>(kMaxCaptureClockHz)) {
            errors("SPI clock '" + operands[2] + "' is not an integer 1-" +
                   std::to_string(kMaxCaptureClockHz) + " (hertz)");
            return kBatchBadOperand;
        }
        checked.clockHz = static_cast<uint32_t>(*clock);
    }
    return std::nullopt;
}

std::string CaptureFileText(const AngleCapture& capture) {
    std::string text = std::string(kCaptureHeader) + "\r\n";
    const std::vector<double>& seconds = capture.Seconds();
    const std::vector<uint16_t>& words = capture.Words();
    text.reserve(text.size() + words.size() * 20);
    const double first = seconds.empty() ? 0.0 : seconds.front();
    char line[48];
    for (size_t i = 0; i < words.size(); ++i) {
        const int length = std::snprintf(line, sizeof line, "%.9f;%04X\r\n", seconds[i] - first,
                                         static_cast<unsigned>(words[i]));
        text.append(line, static_cast<size_t>(length));
    }
    return text;
}

int BatchCapture(chip::TASensDig& chip, chip::Adapter& adapter, const CaptureOperands& operands,
                 const std::function<double()>& now, const ErrorSink& errors,
                 const ErrorSink& says) {
    if (adapter.SetClockRate(operands.clockHz) != FT_OK) {
        errors(std::string(kTransferFailed) + "; nothing done");
        return kBatchFileError;
    }
    AngleCapture capture;
    capture.Start(operands.count, 0, now());
    int code = kBatchDone;
    try {
        while (!capture.Complete()) capture.Step(chip, now());
    } catch (const TransferFailure& failure) {
        // What was read before is kept.
        errors(std::string(failure.what()) + " after " + std::to_string(capture.Words().size()) +
               " readings; those are written");
        code = kBatchFileError;
    }
    const std::string text = CaptureFileText(capture);
    if (!base::RewriteFile(chip::PathFromUtf8(operands.file),
                           [&text](std::string_view) { return text; })) {
        errors("the capture file " + operands.file +
               " could not be written: " + std::strerror(errno));
        return kBatchFileError;
    }
    says(CaptureLine(capture));
    return code;
}

}  // namespace app
