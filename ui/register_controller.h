// The behaviour of the register pages, the chip identifier, the status strip and the
// exchange switch, bound to the main window's controls as its control index names them.
#pragma once

#include <QObject>
#include <memory>

#include "app/config/field_controls.h"

namespace app {
class ConnectionSupervisor;
}

namespace ui {

class ControlIndex;
struct WindowContext;

/// Takes from the window's control index the field controls of the four parameter pages (EditGA_X,
/// cbSDIS, cbADCNT, ...), btnWriteGroup1-4 and btnReadGroup1-4, PanelMsg with LabelMsg, EditChipID
/// with btnWriteChID and btnReadChID, rbEML ... rbOTR_X, cbConnect, LabelConnectState,
/// LabelChanCnt and the QTimer TimerConnect, and connects their handlers. Construct it once
/// the window's controls exist and before the settings are restored: cbConnect's toggled
/// signal runs cbConnectClick, so a setChecked(true) by the settings switches the exchange
/// on. Every handler reaches the chip through context.chip at the time it runs; errors go to
/// context.reportError. Throws std::logic_error naming every control the window lacks.
class RegisterController : public QObject {
    Q_OBJECT
  public:
    /// A QObject child of parent (the window).
    RegisterController(WindowContext& context, const ControlIndex& controls, QObject* parent);
    ~RegisterController() override;

    void btnWriteGroup1Click() { WriteGroup(1); }
    void btnWriteGroup2Click() { WriteGroup(2); }
    void btnWriteGroup3Click() { WriteGroup(3); }
    void btnWriteGroup4Click() { WriteGroup(4); }
    void btnReadGroup1Click() { ReadGroup(1); }
    void btnReadGroup2Click() { ReadGroup(2); }
    void btnReadGroup3Click() { ReadGroup(3); }
    void btnReadGroup4Click() { ReadGroup(4); }
    /// Writes EditChipID to registers 9 and 10; a text that is not an integer is reported.
    void btnWriteChIDClick();
    /// Reads registers 9 and 10 into EditChipID as "$" and eight hex digits.
    void btnReadChIDClick();
    /// The exchange switch changed: switch-on (Init, identification, groups 1-3) or off.
    void cbConnectClick();
    /// The 2-second supervision tick: state text and status indicators.
    void TimerConnectTimer();

    /// The switch's state as of its last change.
    bool ceFlag() const;
    /// Shows the channel count the last switch-on found.
    void ShowChannelCount();
    /// The field controls over the window's widgets.
    app::FieldControls& Fields();

  private:
    void WriteGroup(int group);
    void ReadGroup(int group);
    template <typename Handler>
    void Guarded(Handler handler);

    struct Widgets;
    WindowContext& context_;
    std::unique_ptr<Widgets> widgets_;
    std::unique_ptr<app::ConnectionSupervisor> supervisor_;
};

}  // namespace ui
