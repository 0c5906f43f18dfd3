#include "ui/work_page.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace ui {

WorkPage::WorkPage(WindowContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName("tsWork");
    auto named = [this](auto* widget, const char* name) {
        widget->setObjectName(name);
        return widget;
    };
    BtnStartAngleWrkData =
        named(new QPushButton(QString::fromUtf8("Старт"), this), "BtnStartAngleWrkData");
    LabelInterval3 = named(new QLabel(QString::fromUtf8("Интервал, мс"), this), "LabelInterval3");
    EditAngleWorkDataInt = named(new QLineEdit("100", this), "EditAngleWorkDataInt");
    btnClear1 = named(new QPushButton(QString::fromUtf8("Сбросить"), this), "btnClear1");
    BtnReadAngleData =
        named(new QPushButton(QString::fromUtf8("Читать"), this), "BtnReadAngleData");
    LabelFilename2 = named(new QLabel(QString::fromUtf8("Файл данных"), this), "LabelFilename2");
    EditAngleDataFile = named(new QLineEdit(this), "EditAngleDataFile");
    cbSaveToFile =
        named(new QCheckBox(QString::fromUtf8("Сохранять на файл"), this), "cbSaveToFile");
    MemoAData = named(new QPlainTextEdit(this), "MemoAData");
    ChartAngle = named(new QCustomPlot(this), "ChartAngle");
    TimerWorkData = named(new QTimer(this), "TimerWorkData");
    TimerWorkData->setInterval(200);

    auto* layout = new QVBoxLayout(this);
    auto* band = new QHBoxLayout;
    auto* controls = new QVBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             BtnStartAngleWrkData, LabelInterval3, EditAngleWorkDataInt, btnClear1,
             BtnReadAngleData, LabelFilename2, EditAngleDataFile, cbSaveToFile})
        controls->addWidget(widget);
    band->addLayout(controls);
    band->addWidget(MemoAData);
    layout->addLayout(band);
    layout->addWidget(ChartAngle);
}

void WorkPage::BtnReadAngleDataClick() {}
void WorkPage::BtnStartAngleWrkDataClick() {}
void WorkPage::TimerWorkDataTimer() {}
void WorkPage::btnClear1Click() {}
void WorkPage::cbSaveToFileClick() {}

}  // namespace ui
