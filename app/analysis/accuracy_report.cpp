#include "app/analysis/accuracy_report.h"

#include "app/config/field_map.h"
#include "chip/ASens_Digital.h"

namespace app {

std::vector<ReportField> ConfigurationInForce(const chip::TASensDig& chip) {
    std::vector<ReportField> fields;
    for (const ConfigField& field : kConfigFields) {
        if (field.kind == FieldKind::Display) continue;
        const chip::RegisterSlot slot = chip.Slot(field.reg);
        std::string value = "?";
        if (slot.Actual) {
            const uint16_t number = Decode(field, slot.Value);
            value = field.kind == FieldKind::ItemList && number < kAdcClockItems.size()
                        ? std::string(kAdcClockItems[number])
                        : std::to_string(number);
        }
        fields.push_back({std::string(field.key), value});
    }
    return fields;
}

std::string AccuracyStateLine(const AccuracyTexts& texts, AccuracyShortfall why, double detail,
                              const AccuracyResult* result) {
    switch (why) {
        case AccuracyShortfall::None:
            break;
        case AccuracyShortfall::TooFewReadings:
            return FillIn(texts.vAccTooFew, {std::to_string(AngleAccuracy::kMinReadings)});
        case AccuracyShortfall::LessThanATurn:
            return texts.vAccLessThanATurn;
        case AccuracyShortfall::SparseRevolution:
            return texts.vAccSparse;
        case AccuracyShortfall::ReferenceNotCovering:
            return texts.vAccNotCovering;
        case AccuracyShortfall::TooFast:
            return FillIn(texts.vAccTooFast, {FixedText(detail, 0)});
        case AccuracyShortfall::HolesTooLong:
            return FillIn(texts.vAccHolesTooLong, {FixedText(detail, 2)});
        case AccuracyShortfall::ReferenceTooSparse:
            return FillIn(texts.vAccRefSparse, {FixedText(detail, 1)});
        case AccuracyShortfall::ReferenceScale:
            return FillIn(texts.vAccRefScale, {FixedText(detail, 3)});
    }
    if (result == nullptr) return {};
    std::string line = FillIn(texts.vAccAnalysed,
                              {std::to_string(result->used), FixedText(result->revolutions, 0)});
    if (result->holesCut > 0) {
        line += ' ' + FillIn(texts.vAccCut, {std::to_string(result->holesCut),
                                             FixedText(result->longestCutSeconds, 2)});
    }
    if (result->referenceReversed) line += ' ' + texts.vAccRefReversed;
    return line;
}

std::string AccuracyLimitsLine(const AccuracyTexts& texts, bool byReference) {
    return byReference ? std::string() : texts.vAccRipple;
}

}  // namespace app
