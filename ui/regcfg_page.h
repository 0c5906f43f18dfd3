// Page 4, the register configuration: the readout displays and test settings of parameter
// group 4, and the dial indicator.
#pragma once

#include <QWidget>

#include "ui/window_context.h"

class QLineEdit;
class QPushButton;

namespace ui {

class DialIndicator;

class RegCfgPage : public QWidget {
    Q_OBJECT
  public:
    RegCfgPage(WindowContext& context, QWidget* parent = nullptr);

    QLineEdit* EditAMPLITUDE = nullptr;
    QLineEdit* EditANGLE_OUT = nullptr;
    QLineEdit* EditOutY = nullptr;
    QLineEdit* EditOutX = nullptr;
    QLineEdit* EditZOut = nullptr;
    QLineEdit* EditCORDIC_QUADRANT = nullptr;
    QLineEdit* EditATST0_SET = nullptr;
    QLineEdit* EditDTST_SET = nullptr;
    QPushButton* btnWriteGroup4 = nullptr;
    QPushButton* btnReadGroup4 = nullptr;
    DialIndicator* Dial = nullptr;
};

}  // namespace ui
