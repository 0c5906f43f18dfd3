// Page 3, the system parameters: the fields of parameter group 3.
#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ui {

class SystemPage : public QWidget {
    Q_OBJECT
  public:
    explicit SystemPage(QWidget* parent = nullptr);

    QCheckBox* cbEML_OUT_EN = nullptr;
    QCheckBox* cbSSI_MODE = nullptr;
    QCheckBox* cbEE_LD_EN = nullptr;
    QCheckBox* cbDTSTO_DIS = nullptr;
    QLineEdit* EditAMP_EML_TH = nullptr;
    QLineEdit* EditFREQG = nullptr;
    QPushButton* btnWriteGroup3 = nullptr;
    QPushButton* btnReadGroup3 = nullptr;
};

}  // namespace ui
