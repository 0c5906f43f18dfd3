// The dial indicator of page 4: a red needle on a dial face showing the chip's angle output,
// read again 10 ms after each reading while switched on.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "ui/window_context.h"

class QLabel;
class QPushButton;
class QTimer;

namespace ui {

class DialIndicator : public QWidget {
    Q_OBJECT
  public:
    DialIndicator(WindowContext& context, QWidget* parent = nullptr);

    /// The dial step of the window's creation: centre and needle end from pbAI's size, pen
    /// width 3.
    void SetUp();

    void btnAnalogIndClick();
    void TimerAnalogTimer();
    void DrawDial(double f);

    QWidget* pbAI = nullptr;
    QLabel* ImageClock = nullptr;
    QPushButton* btnAnalogInd = nullptr;
    QTimer* TimerAnalog = nullptr;

    int32_t X0 = 0;
    int32_t Y0 = 0;
    int32_t X1 = 0;
    int32_t Y1 = 0;
    bool bAnalogStarted = false;

  private:
    WindowContext& context_;
};

}  // namespace ui
