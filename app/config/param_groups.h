// Group write-verify and read-back of the four parameter pages, as generic code over the
// field map: each field's control is reached through FieldControls by its control name.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/config/field_controls.h"
#include "app/config/field_map.h"
#include "app/lang/language.h"

namespace chip {
class TASensDig;
}

namespace app {

/// What the write-verify of one field came to; values are the field's own (shifted down).
struct FieldWrite {
    uint8_t result = 0;  // 1 written and read back, 2 the chip already held it, 0 a mismatch
    uint16_t wanted = 0;
    uint16_t held = 0;  // what the chip holds afterwards
};

/// A field the chip holds differently from what was asked.
struct FieldMismatch {
    const ConfigField* field;
    uint16_t wanted;
    uint16_t held;
};

/// How the fields of one or more write-verifies came out.
struct WriteSummary {
    int verified = 0;   // written and read back as asked
    int unchanged = 0;  // the chip already held the value: nothing was written
    std::vector<FieldMismatch> mismatched;
    bool ssiSwitched = false;  // SSI_MODE was written and the chip now answers all ones

    void Count(const ConfigField& field, const FieldWrite& write);
    void Add(const WriteSummary& other);
};

/// Writes every field of the group (1-4) in its write order, each with its own
/// read-modify-write and verify, and paints each control green or red. The busy message
/// (texts.vWritingProcess) is shown before the first transfer and hidden in every case,
/// also when an exception ends the operation early; the exception then goes on to the
/// caller. Throws std::invalid_argument for a number that is no group. A field whose
/// transfers the adapter did not complete is painted red, keeps its text and ends the write
/// with TransferFailure. Returns how the group's fields came out.
WriteSummary WriteParamGroup(chip::TASensDig& chip, int group, FieldControls& controls,
                             BusyMessage& busy, const LanguageTexts& texts);

/// The write-verify of one settable field from its control, as the group write does it
/// (a read-only display transfers nothing and counts as unchanged).
FieldWrite WriteField(chip::TASensDig& chip, const ConfigField& field, FieldControls& controls);

/// Reads the group's registers from the chip in the group's read order, shows every field
/// of the group (the read-only displays of group 4 included) and paints each green. The
/// busy message (texts.vReadingProcess) is handled as for a write. A register read the
/// adapter did not complete ends the reads: the fields of the registers read before it are
/// shown, its own fields turn red, and TransferFailure goes to the caller.
void ReadParamGroup(chip::TASensDig& chip, int group, FieldControls& controls, BusyMessage& busy,
                    const LanguageTexts& texts);

/// Puts a value of the field into its control: an edit's text, a box's tick, a list's item.
/// The colour stays as it is.
void PutFieldValue(const ConfigField& field, int32_t value, FieldControl& control);

/// Shows the field's value in word in its control (text, tick or item) and paints it green,
/// as a group read does.
void ShowField(const ConfigField& field, uint16_t word, FieldControl& control);

/// One number field: the edit's text (lenient integer, any other text is 0) goes to the
/// chip through SetRegisterState; the edit then shows the value the chip holds, green when
/// it holds what was asked (results 1 and 2), red on a mismatch (0).
FieldWrite WriteEditField(chip::TASensDig& chip, FieldControl& edit, uint8_t regAddr,
                          uint16_t mask);

/// The item list: the selected index (-1 when none: all ones in the field) goes to the
/// chip; the list then selects the item the chip holds; green for results 1 and 2, red 0.
FieldWrite WriteComboField(chip::TASensDig& chip, FieldControl& list, uint8_t regAddr,
                           uint16_t mask);

/// A check box: ticked asks for the mask's bit, unticked for 0. Green when the chip holds
/// the wanted word, whether it was just written and verified (1) or already there (2); red
/// on a mismatch (0). The tick is left as the user set it.
FieldWrite WriteCheckField(chip::TASensDig& chip, FieldControl& box, uint8_t regAddr,
                           uint16_t mask);

/// A field control without a window: it holds the text, tick, selected index and last
/// verdict that a real control would show.
class HeadlessFieldControl : public FieldControl {
  public:
    std::string Text() const override { return text_; }
    void SetText(const std::string& text) override { text_ = text; }
    bool Checked() const override { return checked_; }
    void SetChecked(bool checked) override { checked_ = checked; }
    int ItemIndex() const override { return itemIndex_; }
    void SetItemIndex(int index) override { itemIndex_ = index; }
    void Paint(Verdict verdict) override { verdict_ = verdict; }

    Verdict LastVerdict() const { return verdict_; }

  private:
    std::string text_;
    bool checked_ = false;
    int itemIndex_ = 0;
    Verdict verdict_ = Verdict::Layout;
};

/// Every field control of the four pages with its design value: number edits and displays
/// "0", check boxes unticked, cbADCNT on item 0. The batch mode's switch-on reads into it.
class HeadlessFieldControls : public FieldControls {
  public:
    HeadlessFieldControls();
    /// Throws std::out_of_range naming the control when no field has that control name.
    HeadlessFieldControl& Control(std::string_view controlName) override;

  private:
    std::map<std::string, HeadlessFieldControl, std::less<>> controls_;
};

/// A busy message that shows nothing; it remembers whether it is shown and what it said.
class HeadlessBusyMessage : public BusyMessage {
  public:
    void Show(const std::string& text) override {
        shown_ = true;
        text_ = text;
    }
    void Hide() override { shown_ = false; }
    bool Shown() const { return shown_; }
    const std::string& LastText() const { return text_; }

  private:
    bool shown_ = false;
    std::string text_;
};

}  // namespace app
