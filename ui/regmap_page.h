// Page 8, the register map: the chip's 40 registers in a table (address, the fields each
// holds, the cached and the chip's word), and the buttons that read, write, compare, save and
// load a whole configuration, with the progress of the one running.
#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;
class QTableWidget;

namespace ui {

class RegMapPage : public QWidget {
    Q_OBJECT
  public:
    /// The table's columns.
    enum Column { kAddress, kHex, kFields, kValue, kDevValue, kActual, kColumnCount };

    explicit RegMapPage(QWidget* parent = nullptr);

    QTableWidget* sgRegMap = nullptr;
    QPushButton* btnReadAll = nullptr;
    QPushButton* btnWriteAll = nullptr;
    QPushButton* btnCompare = nullptr;
    QPushButton* btnSaveConfig = nullptr;
    QPushButton* btnLoadConfig = nullptr;
    QProgressBar* pbRegMap = nullptr;
    QPushButton* btnCancelRegMap = nullptr;
};

}  // namespace ui
