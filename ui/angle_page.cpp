#include "ui/angle_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/register_page_layout.h"
#include "ui/window_style.h"

namespace ui {

AnglePage::AnglePage(QWidget* parent) : QWidget(parent) {
    // The page's control name; its language key is tsAng.
    setObjectName("stAng");
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(Scaled(16), Scaled(12), Scaled(16), Scaled(12));
    auto* columns = new QHBoxLayout;
    page->addLayout(columns);
    page->addStretch(1);
    auto* first = NewColumn(columns);
    auto* second = NewColumn(columns);
    auto* third = NewColumn(columns);
    columns->addStretch(1);

    // Row 1 across the three columns, then row 2; the check boxes under the first column and
    // the group buttons under the second.
    EditZERO_POS = AddLabelledEdit(first, this, "ZERO_POS", Design("Нулевое положение"));
    EditANG_RNG_LSB = AddLabelledEdit(second, this, "ANG_RNG_LSB", Design("Множитель 1"));
    EditANG_RNG_MSB = AddLabelledEdit(third, this, "ANG_RNG_MSB", Design("Множитель 2"));
    for (QVBoxLayout* column : {first, second, third}) column->addSpacing(Scaled(6));
    EditANG_CLAMP_DN = AddLabelledEdit(first, this, "ANG_CLAMP_DN", Design("Ограничение угла"));
    // The upper DAC level is PHI_MIN, the lower one PHI_MAX.
    EditPHI_MIN = AddLabelledEdit(second, this, "PHI_MIN", Design("Верхний уровень ЦАП"));
    EditPHI_MAX = AddLabelledEdit(third, this, "PHI_MAX", Design("Нижний уровень ЦАП"));
    for (QVBoxLayout* column : {first, second, third}) column->addSpacing(Scaled(16));
    cbEN360 = AddCheckBox(first, this, "cbEN360", Design("Режим 360/180"));
    cbDIR = AddCheckBox(first, this, "cbDIR", Design("Направление вращения"));
    auto [write, read] = AddGroupButtons(second, this, 2);
    btnWriteGroup2 = write;
    btnReadGroup2 = read;
    btnZeroHere = Named(new QPushButton(Design("Текущее положение — ноль"), this), "btnZeroHere");
    third->addWidget(btnZeroHere);
    for (QVBoxLayout* column : {first, second, third}) column->addStretch(1);
}

}  // namespace ui
