#include "ui/analog_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/register_page_layout.h"
#include "ui/window_style.h"

namespace ui {

AnalogPage::AnalogPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsAnalogCfg");
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(Scaled(16), Scaled(12), Scaled(16), Scaled(12));
    auto* left = NewColumn(columns);
    auto* right = NewColumn(columns);
    columns->addStretch(1);

    EditGA_X = AddLabelledEdit(left, this, "GA_X", Design("Коэффициент усиления канала X"));
    EditOA_X = AddLabelledEdit(left, this, "OA_X", Design("Напряжение смещения канала X"));
    EditT_CURR = AddLabelledEdit(left, this, "T_CURR", Design("Ток питания датчика"));
    EditXG = AddLabelledEdit(left, this, "XG", Design("Кратное усиление"));
    EditREF = AddLabelledEdit(left, this, "REF", Design("Опорное напряжение АЦП"));
    EditOFFSET_COS =
        AddLabelledEdit(left, this, "OFFSET_COS", Design("Цифровое смещение косинуса"));
    EditOFFSET_SIN = AddLabelledEdit(left, this, "OFFSET_SIN", Design("Цифровое смещение синуса"));
    LabelADCNT = new QLabel(Design("Частота тактирования АЦП"), this);
    LabelADCNT->setObjectName("LabelADCNT");
    cbADCNT = new QComboBox(this);
    cbADCNT->setObjectName("cbADCNT");
    // A drop-down that also takes typed text; the field value is the item's index.
    cbADCNT->setEditable(true);
    cbADCNT->setInsertPolicy(QComboBox::NoInsert);
    // Typed text is taken as typed: inline completion would turn "CLK" into "CLK/4".
    cbADCNT->setCompleter(nullptr);
    cbADCNT->addItems({"CLK/4", "CLK/2", "CLK", "CLK/8"});
    cbADCNT->setCurrentIndex(0);
    Caption(LabelADCNT, cbADCNT);
    left->addWidget(LabelADCNT);
    left->addWidget(cbADCNT);
    left->addStretch(1);

    EditGA_Y = AddLabelledEdit(right, this, "GA_Y", Design("Коэффициент усиления канала Y"));
    EditOA_Y = AddLabelledEdit(right, this, "OA_Y", Design("Напряжение смещения канала Y"));
    right->addSpacing(Scaled(8));
    cbSDIS = AddCheckBox(right, this, "cbSDIS", Design("Выключение питания датчика"));
    cbPDIS = AddCheckBox(right, this, "cbPDIS", Design("Выключение входных усилителей"));
    cbAGC_EN = AddCheckBox(right, this, "cbAGC_EN", Design("Включение АРУ"));
    cbAOC_EN = AddCheckBox(right, this, "cbAOC_EN", Design("Включение AOC"));
    right->addSpacing(Scaled(16));
    auto [write, read] = AddGroupButtons(right, this, 1);
    btnWriteGroup1 = write;
    btnReadGroup1 = read;
    right->addStretch(1);
}

}  // namespace ui
