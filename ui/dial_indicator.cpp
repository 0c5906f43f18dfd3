#include "ui/dial_indicator.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace ui {

DialIndicator::DialIndicator(WindowContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName("DialIndicator");
    pbAI = new QWidget(this);
    pbAI->setObjectName("pbAI");
    pbAI->setFixedSize(300, 300);
    ImageClock = new QLabel(this);
    ImageClock->setObjectName("ImageClock");
    ImageClock->hide();
    btnAnalogInd = new QPushButton(QString::fromUtf8("Включить индикатор"), this);
    btnAnalogInd->setObjectName("btnAnalogInd");
    TimerAnalog = new QTimer(this);
    TimerAnalog->setObjectName("TimerAnalog");
    TimerAnalog->setInterval(1000);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pbAI);
    layout->addWidget(btnAnalogInd);
}

void DialIndicator::SetUp() {
    X0 = pbAI->width() / 2;
    Y0 = pbAI->height() / 2;
    X1 = X0;
    Y1 = Y0;
}

void DialIndicator::btnAnalogIndClick() {}
void DialIndicator::TimerAnalogTimer() {}
void DialIndicator::DrawDial(double) {}

}  // namespace ui
