#include "app/config/param_groups.h"

#include <array>
#include <bit>
#include <stdexcept>

#include "app/config/integer_text.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"

namespace app {
namespace {

// Hides the busy message when the operation ends, also by an exception.
class BusyScope {
  public:
    BusyScope(BusyMessage& busy, const std::string& text) : busy_(busy) { busy_.Show(text); }
    ~BusyScope() { busy_.Hide(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    BusyMessage& busy_;
};

void RequireGroup(int group) {
    if (!IsGroup(group)) {
        throw std::invalid_argument("There is no parameter group " + std::to_string(group) +
                                    "; the groups are 1 to 4.");
    }
}

// A field of the map rebuilt from a register and mask, for the per-field steps that are
// given only those two.
ConfigField FieldOf(uint8_t regAddr, uint16_t mask) {
    return ConfigField({}, 0, FieldKind::Number, regAddr, mask);
}

// 1: written and read back as written; 2: the chip already held the word.
bool ChipHoldsIt(uint8_t result) {
    return result == 1 || result == 2;
}

// A field whose transfers did not complete shows no verdict of the chip: it is painted red,
// keeps its text and ends the group operation.
uint8_t SetFieldState(chip::TASensDig& chip, FieldControl& control, uint8_t regAddr, uint16_t& data,
                      uint16_t mask) {
    const TransferWatch watch(chip);
    const uint8_t result = chip.SetRegisterState(regAddr, data, mask);
    if (watch.Failed()) {
        control.Paint(Verdict::Red);
        throw TransferFailure();
    }
    return result;
}

}  // namespace

void WriteSummary::Count(const ConfigField& field, const FieldWrite& write) {
    if (write.result == 1) {
        ++verified;
    } else if (write.result == 2) {
        ++unchanged;
    } else {
        mismatched.push_back({&field, write.wanted, write.held});
    }
}

void WriteSummary::Add(const WriteSummary& other) {
    verified += other.verified;
    unchanged += other.unchanged;
    ssiSwitched = ssiSwitched || other.ssiSwitched;
    mismatched.insert(mismatched.end(), other.mismatched.begin(), other.mismatched.end());
}

FieldWrite WriteEditField(chip::TASensDig& chip, FieldControl& edit, uint8_t regAddr,
                          uint16_t mask) {
    const ConfigField field = FieldOf(regAddr, mask);
    const int32_t number = IntegerTextOr(edit.Text(), 0);
    uint16_t data = Encode(field, number);
    const uint16_t wanted = Decode(field, data);
    const uint8_t result = SetFieldState(chip, edit, regAddr, data, mask);
    // The edit shows what the chip holds, which may differ from what was typed.
    edit.SetText(std::to_string(data));
    edit.Paint(ChipHoldsIt(result) ? Verdict::Green : Verdict::Red);
    return {result, wanted, data};
}

FieldWrite WriteComboField(chip::TASensDig& chip, FieldControl& list, uint8_t regAddr,
                           uint16_t mask) {
    const ConfigField field = FieldOf(regAddr, mask);
    uint16_t data = Encode(field, list.ItemIndex());
    const uint16_t wanted = Decode(field, data);
    const uint8_t result = SetFieldState(chip, list, regAddr, data, mask);
    list.SetItemIndex(data);
    list.Paint(ChipHoldsIt(result) ? Verdict::Green : Verdict::Red);
    return {result, wanted, data};
}

FieldWrite WriteCheckField(chip::TASensDig& chip, FieldControl& box, uint8_t regAddr,
                           uint16_t mask) {
    const uint16_t wanted = box.Checked() ? 1 : 0;
    uint16_t data = box.Checked() ? mask : uint16_t{0};
    const uint8_t result = SetFieldState(chip, box, regAddr, data, mask);
    // Result 2 means the chip already holds the wanted word: that is a match, not a fault.
    box.Paint(ChipHoldsIt(result) ? Verdict::Green : Verdict::Red);
    return {result, wanted, data};
}

FieldWrite WriteField(chip::TASensDig& chip, const ConfigField& field, FieldControls& controls) {
    switch (field.kind) {
        case FieldKind::Number:
            return WriteEditField(chip, controls.Control(field.control()), field.reg, field.mask);
        case FieldKind::ItemList:
            return WriteComboField(chip, controls.Control(field.control()), field.reg, field.mask);
        case FieldKind::CheckBox:
            return WriteCheckField(chip, controls.Control(field.control()), field.reg, field.mask);
        case FieldKind::Display:
            break;  // filled only by a read
    }
    return {2, 0, 0};
}

WriteSummary WriteParamGroup(chip::TASensDig& chip, int group, FieldControls& controls,
                             BusyMessage& busy, const LanguageTexts& texts) {
    RequireGroup(group);
    BusyScope scope(busy, texts.vWritingProcess);
    WriteSummary summary;
    // Each field is its own read-modify-write: a field that transfers leaves the cache
    // holding the chip's word, the base for the next field of the same register.
    for (const ConfigField& field : GroupFields(group)) {
        if (field.kind == FieldKind::Display) continue;
        summary.Count(field, WriteField(chip, field, controls));
    }
    return summary;
}

void PutFieldValue(const ConfigField& field, int32_t value, FieldControl& control) {
    switch (field.kind) {
        case FieldKind::Number:
        case FieldKind::Display:
            control.SetText(std::to_string(value));
            break;
        case FieldKind::CheckBox:
            control.SetChecked(value != 0);
            break;
        case FieldKind::ItemList:
            control.SetItemIndex(value);
            break;
    }
}

void ShowField(const ConfigField& field, uint16_t word, FieldControl& control) {
    PutFieldValue(field, Decode(field, word), control);
    control.Paint(Verdict::Green);
}

void ReadParamGroup(chip::TASensDig& chip, int group, FieldControls& controls, BusyMessage& busy,
                    const LanguageTexts& texts) {
    RequireGroup(group);
    BusyScope scope(busy, texts.vReadingProcess);
    std::array<uint16_t, chip::kRegisterCount> words{};
    std::array<bool, chip::kRegisterCount> read{};
    int failedRegister = -1;
    for (const uint8_t regAddr : GroupReadOrder(group)) {
        const TransferWatch watch(chip);
        words[regAddr] = chip.GetReg(regAddr, true);
        if (watch.Failed()) {
            failedRegister = regAddr;
            break;
        }
        read[regAddr] = true;
    }
    // The fields of the registers read before a failed transfer show what was read; those of
    // the register that failed turn red; the rest are left as they were.
    for (const ConfigField& field : GroupFields(group)) {
        FieldControl& control = controls.Control(field.control());
        if (field.reg == failedRegister) control.Paint(Verdict::Red);
        if (read[field.reg]) ShowField(field, words[field.reg], control);
    }
    if (failedRegister >= 0) throw TransferFailure();
}

HeadlessFieldControls::HeadlessFieldControls() {
    for (const ConfigField& field : kConfigFields) {
        HeadlessFieldControl& control = controls_[std::string(field.control())];
        if (field.kind == FieldKind::Number || field.kind == FieldKind::Display) {
            control.SetText("0");
        }
    }
}

HeadlessFieldControl& HeadlessFieldControls::Control(std::string_view controlName) {
    const auto found = controls_.find(controlName);
    if (found == controls_.end()) {
        throw std::out_of_range("No field control is named " + std::string(controlName) + ".");
    }
    return found->second;
}

}  // namespace app
