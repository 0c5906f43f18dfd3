// Page 1, the analogue signal path: the fields of parameter group 1.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class AnalogPage : public QWidget {
    Q_OBJECT
  public:
    explicit AnalogPage(QWidget* parent = nullptr);

    QLineEdit* EditGA_X = nullptr;
    QLineEdit* EditOA_X = nullptr;
    QLineEdit* EditT_CURR = nullptr;
    QLineEdit* EditXG = nullptr;
    QLineEdit* EditREF = nullptr;
    QLineEdit* EditOFFSET_COS = nullptr;
    QLineEdit* EditOFFSET_SIN = nullptr;
    QLabel* LabelADCNT = nullptr;
    QComboBox* cbADCNT = nullptr;
    QLineEdit* EditGA_Y = nullptr;
    QLineEdit* EditOA_Y = nullptr;
    QCheckBox* cbSDIS = nullptr;
    QCheckBox* cbPDIS = nullptr;
    QCheckBox* cbAGC_EN = nullptr;
    QCheckBox* cbAOC_EN = nullptr;
    QPushButton* btnWriteGroup1 = nullptr;
    QPushButton* btnReadGroup1 = nullptr;
};

}  // namespace ui
