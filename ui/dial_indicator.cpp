#include "ui/dial_indicator.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "app/display/dial.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "ui/periodic_readout.h"

namespace ui {

namespace {

constexpr int kDialSize = 300;
constexpr int kAnalogIntervalMs = 10;
constexpr uint16_t kAngleOutRegister = 37;

}  // namespace

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintBox::Restart() {
    if (restarting_) return;
    restarting_ = true;
    canvas_ = QPixmap(size().expandedTo(QSize(1, 1)));
    canvas_.fill(palette().color(QPalette::Window));
    if (OnPaint) OnPaint();
    restarting_ = false;
}

QPixmap& PaintBox::Canvas() {
    if (canvas_.size() != size().expandedTo(QSize(1, 1))) Restart();
    return canvas_;
}

void PaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, Canvas());
}

void PaintBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Restart();
}

void PaintBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Restart();
}

QImage DialIndicator::DrawDialFace(int size) {
    QImage face(size, size, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size / 2.0, size / 2.0);
    const double radius = size / 2.0 - 2;
    // Bezel and dial.
    painter.setPen(QPen(QColor(110, 110, 120), 3));
    painter.setBrush(QColor(28, 30, 38));
    painter.drawEllipse(centre, radius, radius);
    // 60 divisions, every fifth longer, every tenth numbered, clockwise from the top.
    QFont font = painter.font();
    font.setPixelSize(size / 15);
    font.setBold(true);
    painter.setFont(font);
    for (int division = 0; division < 60; ++division) {
        const double angle = division * 2 * std::numbers::pi / 60;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        const bool major = division % 5 == 0;
        const double outer = radius - 6;
        const double inner = outer - (major ? 14 : 7);
        painter.setPen(QPen(QColor(230, 230, 230), major ? 2.5 : 1.2));
        painter.drawLine(centre + direction * inner, centre + direction * outer);
        if (division % 10 == 0) {
            const QPointF at = centre + direction * (inner - size / 14.0);
            const QRectF box(at.x() - size / 10.0, at.y() - size / 20.0, size / 5.0, size / 10.0);
            painter.setPen(QColor(240, 240, 240));
            painter.drawText(box, Qt::AlignCenter, QString::number(division == 0 ? 60 : division));
        }
    }
    // The hub the needle turns on.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(150, 150, 160));
    painter.drawEllipse(centre, 5, 5);
    return face;
}

DialIndicator::DialIndicator(WindowContext& context, QWidget* parent)
    : QWidget(parent), context_(context), face_(DrawDialFace(kDialSize)) {
    setObjectName("DialIndicator");
    pbAI = new PaintBox(this);
    pbAI->setObjectName("pbAI");
    pbAI->setFixedSize(kDialSize, kDialSize);
    pbAI->OnPaint = [this] { pbAIPaint(); };
    ImageClock = new QLabel(this);
    ImageClock->setObjectName("ImageClock");
    ImageClock->setPixmap(QPixmap::fromImage(face_));
    ImageClock->hide();
    btnAnalogInd = new QPushButton(QString::fromUtf8("Включить индикатор"), this);
    btnAnalogInd->setObjectName("btnAnalogInd");
    TimerAnalog = new QTimer(this);
    TimerAnalog->setObjectName("TimerAnalog");
    TimerAnalog->setInterval(1000);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pbAI);
    layout->addWidget(btnAnalogInd);

    connect(btnAnalogInd, &QPushButton::clicked, this, &DialIndicator::btnAnalogIndClick);
    connect(TimerAnalog, &QTimer::timeout, this, &DialIndicator::TimerAnalogTimer);
}

void DialIndicator::SetUp() {
    X0 = pbAI->width() / 2;
    Y0 = pbAI->height() / 2;
    X1 = X0;
    Y1 = Y0;
    pbAI->Pen.setWidth(3);
}

void DialIndicator::btnAnalogIndClick() {
    if (btnAnalogInd->text() == QString::fromStdString(context_.texts.vTurnOn)) {
        if (RefusedWhileRecording(context_)) return;
        btnAnalogInd->setText(QString::fromStdString(context_.texts.vTurnOff));
        bAnalogStarted = true;
        TimerAnalog->setInterval(kAnalogIntervalMs);
        TimerAnalogTimer();
    } else {
        bAnalogStarted = false;
        btnAnalogInd->setText(QString::fromStdString(context_.texts.vTurnOn));
    }
}

void DialIndicator::TimerAnalogTimer() {
    TimerAnalog->stop();
    // While the accuracy page records the needle waits: its reads would be holes there.
    if (context_.recording) {
        if (bAnalogStarted) TimerAnalog->start();
        return;
    }
    if (context_.chip != nullptr) {
        const ChipOperation operation(context_);
        const app::TransferWatch watch(*context_.chip);
        const uint16_t angle = context_.chip->GetReg(kAngleOutRegister, true);
        if (watch.Failed()) {
            // No needle for a word the chip did not send: the dial stops and says why.
            bAnalogStarted = false;
            btnAnalogInd->setText(QString::fromStdString(context_.texts.vTurnOn));
            ReportError(context_, app::TransferFailure().what());
            return;
        }
        DrawDial(app::DialFraction(angle));
    }
    if (bAnalogStarted) TimerAnalog->start();
}

void DialIndicator::DrawFace(QPainter& painter) {
    // The face covers the needle's whole reach, so drawing it erases the previous needle.
    painter.drawImage(0, 0, face_);
}

void DialIndicator::pbAIPaint() {
    QPainter painter(&pbAI->Canvas());
    DrawFace(painter);
}

void DialIndicator::DrawDial(double f) {
    const app::DialPoint end = app::NeedleEnd(X0, Y0, f);
    X1 = end.X;
    Y1 = end.Y;
    {
        QPainter painter(&pbAI->Canvas());
        DrawFace(painter);
        QPen pen = pbAI->Pen;
        pen.setColor(QColor(255, 0, 0));
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(X0 - 1, Y0, X1 - 1, Y1);
    }
    pbAI->update();
}

}  // namespace ui
