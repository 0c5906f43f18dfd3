// What an accuracy result states beside the curve: why there is none, what was done to the
// readings or the reference on the way, the method's limits, and the configuration the chip
// held.
#pragma once

#include <string>
#include <vector>

#include "app/analysis/angle_accuracy.h"
#include "app/lang/language.h"

namespace chip {
class TASensDig;
}

namespace app {

struct ReportField {
    std::string name;   // the field's key (GA_X, ZERO_POS, …)
    std::string value;  // its number, or "?" when the tool has not read or written its register
};

/// Every writable configuration field, in the field table's order, from the register cache:
/// the word each register last had read from or written to the chip. No transfer is made.
std::vector<ReportField> ConfigurationInForce(const chip::TASensDig& chip);

/// The page's state line after an analysis: what was analysed (with the holes cut and a
/// reversed reference said), or why nothing was, with its figure.
std::string AccuracyStateLine(const AccuracyTexts& texts, AccuracyShortfall why, double detail,
                              const AccuracyResult* result);
/// The line under a result (and in its report) on what the method cannot tell apart: a
/// constant speed takes the motor's speed ripple for the sensor's error.
std::string AccuracyLimitsLine(const AccuracyTexts& texts, bool byReference);

}  // namespace app
