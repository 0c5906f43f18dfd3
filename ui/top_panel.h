// The strip at the top of the main window: the exchange switch and its state, the chip
// identifier, the datasheet and About buttons.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class TopPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TopPanel(QWidget* parent = nullptr);

    QLabel* LabelSPIFreq = nullptr;
    QLineEdit* EditFreq = nullptr;
    QCheckBox* cbConnect = nullptr;
    QLabel* LabelConnectState = nullptr;
    QLabel* LabelChanCnt = nullptr;
    QPushButton* btnOpenDataSheet = nullptr;
    QPushButton* btnAbout = nullptr;
    QLabel* LabelChipID = nullptr;
    QLineEdit* EditChipID = nullptr;
    QCheckBox* cbSSIOn = nullptr;
    QPushButton* btnWriteChID = nullptr;
    QPushButton* btnReadChID = nullptr;
};

}  // namespace ui
