// The strip at the bottom of the main window: the seven status-flag indicators.
#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QRadioButton;

namespace ui {

class StatusStrip : public QWidget {
    Q_OBJECT
  public:
    explicit StatusStrip(QWidget* parent = nullptr);

    QLabel* LabelSTATUS_REG = nullptr;
    QRadioButton* rbEML = nullptr;
    QRadioButton* rbOFC_READY = nullptr;
    QRadioButton* rbCONV_READY = nullptr;
    QRadioButton* rbELOAD_READY = nullptr;
    QRadioButton* rbLOW_SPEED = nullptr;
    QRadioButton* rbOTR_Y = nullptr;
    QRadioButton* rbOTR_X = nullptr;
    /// The indicators left to right (the order of the status register's flags).
    std::array<QRadioButton*, 7> Indicators() const;
};

}  // namespace ui
