#include "ui/charts_page.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

namespace ui {

ChartsPage::ChartsPage(WindowContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName("tsCharts");
    auto named = [](auto* widget, const char* name) {
        widget->setObjectName(name);
        return widget;
    };
    Panel3 = named(new QWidget(this), "Panel3");
    btnStart = named(new QPushButton(QString::fromUtf8("Старт"), Panel3), "btnStart");
    LabelInterval2 = named(new QLabel(QString::fromUtf8("Интервал, мс"), Panel3), "LabelInterval2");
    EditInterval = named(new QLineEdit("100", Panel3), "EditInterval");
    cbSin = named(new QCheckBox("Reg_Sin", Panel3), "cbSin");
    cbCos = named(new QCheckBox("Reg_Cos", Panel3), "cbCos");
    cbCordic = named(new QCheckBox("Cordic_OUT", Panel3), "cbCordic");
    cbAng = named(new QCheckBox("Ang_OUT", Panel3), "cbAng");
    cbAmpl = named(new QCheckBox("Amplitude", Panel3), "cbAmpl");
    btnClear2 = named(new QPushButton(QString::fromUtf8("Сбросить"), Panel3), "btnClear2");
    LabelFilename3 = named(new QLabel(QString::fromUtf8("Файл данных"), Panel3), "LabelFilename3");
    EditChartsFile = named(new QLineEdit(Panel3), "EditChartsFile");
    cbSaveChartsToFile =
        named(new QCheckBox(QString::fromUtf8("Сохранять на файл"), Panel3), "cbSaveChartsToFile");
    Splitter1 = named(new QSplitter(Qt::Vertical, this), "Splitter1");
    Splitter4 = named(new QSplitter(Qt::Vertical, Splitter1), "Splitter4");
    Chart1 = named(new QCustomPlot, "Chart1");
    Chart2 = named(new QCustomPlot, "Chart2");
    Chart3 = named(new QCustomPlot, "Chart3");
    Splitter1->addWidget(Chart1);
    Splitter1->addWidget(Splitter4);
    Splitter4->addWidget(Chart2);
    Splitter4->addWidget(Chart3);
    Timer = named(new QTimer(this), "Timer");
    Timer->setInterval(100);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel3);
    layout->addWidget(Splitter1, 1);
}

void ChartsPage::btnStartClick() {}
void ChartsPage::TimerTimer() {}
void ChartsPage::btnClear2Click() {}
void ChartsPage::cbSaveChartsToFileClick() {}

}  // namespace ui
