// The seam between the register-page logic and whatever shows the fields: real widgets in
// the window, plain values in batch mode.
#pragma once

#include <string>
#include <string_view>

namespace app {

/// The background a field control shows after a write or read.
enum class Verdict {
    Layout,  // the colour the window gave it
    Green,   // the chip holds the value (or it was just read)
    Red,     // the chip does not hold what was asked
    Grey,    // the text changed since it was last written or read
};

/// One control of the configuration pages: an edit, a check box or an item list. A control
/// answers only the accessors of its kind; the others are never called on it.
class FieldControl {
  public:
    virtual ~FieldControl() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool checked) = 0;
    virtual int ItemIndex() const = 0;  // -1 when no item is selected
    virtual void SetItemIndex(int index) = 0;
    virtual void Paint(Verdict verdict) = 0;
};

/// Finds the field controls by their control names (EditGA_X, cbSDIS, cbADCNT, ...).
class FieldControls {
  public:
    virtual ~FieldControls() = default;
    virtual FieldControl& Control(std::string_view controlName) = 0;
};

/// The busy message over the middle of the window while a group is written or read.
class BusyMessage {
  public:
    virtual ~BusyMessage() = default;
    /// Shows the text and paints it at once, before the first transfer.
    virtual void Show(const std::string& text) = 0;
    virtual void Hide() = 0;
};

}  // namespace app
