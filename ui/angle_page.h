// Page 2, the angle conversion: the fields of parameter group 2.
#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ui {

class AnglePage : public QWidget {
    Q_OBJECT
  public:
    explicit AnglePage(QWidget* parent = nullptr);

    QLineEdit* EditZERO_POS = nullptr;
    QLineEdit* EditANG_RNG_LSB = nullptr;
    QLineEdit* EditANG_RNG_MSB = nullptr;
    QLineEdit* EditANG_CLAMP_DN = nullptr;
    QLineEdit* EditPHI_MIN = nullptr;
    QLineEdit* EditPHI_MAX = nullptr;
    QCheckBox* cbEN360 = nullptr;
    QCheckBox* cbDIR = nullptr;
    QPushButton* btnWriteGroup2 = nullptr;
    QPushButton* btnReadGroup2 = nullptr;
    /// Writes ZERO_POS so that the magnet's present position reads 0.
    QPushButton* btnZeroHere = nullptr;
};

}  // namespace ui
