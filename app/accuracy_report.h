// What an accuracy report states beside the curve: the configuration the chip held.
#pragma once

#include <string>
#include <vector>

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

}  // namespace app
