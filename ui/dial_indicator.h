// The dial indicator of page 4: a red needle on a dial face showing the chip's angle output,
// read again 10 ms after each reading while switched on.
#pragma once

#include <QImage>
#include <QPen>
#include <QPixmap>
#include <QWidget>
#include <cstdint>

#include "ui/window_context.h"

class QLabel;
class QPushButton;
class QTimer;

namespace ui {

/// A paint area whose picture persists between paints: drawing goes onto a canvas that every
/// paint event shows. When the area is shown or resized, its paint handler starts the
/// canvas afresh.
class PaintBox : public QWidget {
    Q_OBJECT
  public:
    explicit PaintBox(QWidget* parent = nullptr);

    /// The picture the paint events show, as large as the area.
    QPixmap& Canvas();
    QPen Pen;
    /// Runs when the area needs repainting from scratch.
    std::function<void()> OnPaint;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Restart();

    QPixmap canvas_;
    bool restarting_ = false;
};

class DialIndicator : public QWidget {
    Q_OBJECT
  public:
    DialIndicator(WindowContext& context, QWidget* parent = nullptr);

    /// The dial step of the window's creation: centre and needle end from pbAI's size, pen
    /// width 3.
    void SetUp();

    void btnAnalogIndClick();
    void TimerAnalogTimer();
    /// Draws the face and the needle at fraction f of a full turn.
    void DrawDial(double f);
    /// Draws the bare face.
    void pbAIPaint();

    /// The 300 x 300 dial face with transparency: a dark circle with a ring of 60 divisions
    /// numbered 10 ... 60 every ten, 60 at the top.
    static QImage DrawDialFace(int size);

    PaintBox* pbAI = nullptr;
    QLabel* ImageClock = nullptr;
    QPushButton* btnAnalogInd = nullptr;
    QTimer* TimerAnalog = nullptr;

    int32_t X0 = 0;
    int32_t Y0 = 0;
    int32_t X1 = 0;
    int32_t Y1 = 0;
    bool bAnalogStarted = false;

  private:
    void DrawFace(QPainter& painter);

    WindowContext& context_;
    QImage face_;
};

}  // namespace ui
