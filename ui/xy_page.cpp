#include "ui/xy_page.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace ui {

XYPage::XYPage(WindowContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName("tsXYChart");
    auto named = [](auto* widget, const char* name) {
        widget->setObjectName(name);
        return widget;
    };
    LabelFilename1 = named(new QLabel(QString::fromUtf8("Файл данных"), this), "LabelFilename1");
    EditXYFilename = named(new QLineEdit(this), "EditXYFilename");
    cbSaveXYToFile =
        named(new QCheckBox(QString::fromUtf8("Сохранять на файл"), this), "cbSaveXYToFile");
    btnStartXYChart = named(new QPushButton(QString::fromUtf8("Старт"), this), "btnStartXYChart");
    LabelInterval = named(new QLabel(QString::fromUtf8("Интервал, мс"), this), "LabelInterval");
    EditXYInt = named(new QLineEdit("100", this), "EditXYInt");
    btnClear3 = named(new QPushButton(QString::fromUtf8("Сбросить"), this), "btnClear3");
    ChartXY = named(new QCustomPlot(this), "ChartXY");
    ChartXY->setFixedSize(490, 490);
    Panel5 = named(new QWidget(this), "Panel5");
    TimerXYData = named(new QTimer(this), "TimerXYData");
    TimerXYData->setInterval(200);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{LabelFilename1, EditXYFilename, cbSaveXYToFile,
                                         btnStartXYChart, LabelInterval, EditXYInt, btnClear3})
        top->addWidget(widget);
    layout->addLayout(top);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ChartXY);
    bottom->addWidget(Panel5, 1);
    layout->addLayout(bottom, 1);
}

void XYPage::btnStartXYChartClick() {}
void XYPage::TimerXYDataTimer() {}
void XYPage::btnClear3Click() {}
void XYPage::cbSaveToFileClick() {}

}  // namespace ui
