#include "ui/regcfg_page.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dial_indicator.h"
#include "ui/register_page_layout.h"
#include "ui/window_style.h"

namespace ui {

namespace {

/// The chip's readouts: shown, never typed into.
void MakeDisplay(QLineEdit* edit) {
    edit->setReadOnly(true);
    PaintVerdict(edit, kGreen, kTextOnGreen);
}

}  // namespace

RegCfgPage::RegCfgPage(WindowContext& context, QWidget* parent) : QWidget(parent) {
    setObjectName("tsRegCfg");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(Scaled(16), Scaled(12), Scaled(16), Scaled(12));
    auto* left = NewColumn(row, 181);
    auto* right = NewColumn(row, 181);
    auto* buttons = NewColumn(row, 190);
    row->addStretch(1);

    struct Cell {
        QLineEdit*& edit;
        QVBoxLayout* column;
        const char* key;
        const char* text;
        const char* editName;
    };
    const Cell cells[] = {
        {EditAMPLITUDE, left, "Amplitude", "Amplitude", "EditAMPLITUDE"},
        {EditANGLE_OUT, right, "AngleOut", "Angle Out", "EditANGLE_OUT"},
        {EditOutY, left, "OutY", "OutY", "EditOutY"},
        {EditOutX, right, "OutX", "OutX", "EditOutX"},
        {EditZOut, left, "ZOut", "ZOut", "EditZOut"},
        {EditCORDIC_QUADRANT, right, "CORDIC_QUADRANT", "Cordic quadrant", "EditCORDIC_QUADRANT"},
        {EditATST0_SET, left, "ATST0_SET", "ATST0_SET", "EditATST0_SET"},
        {EditDTST_SET, right, "DTST_SET", "DTST_SET", "EditDTST_SET"},
    };
    for (const Cell& cell : cells) {
        cell.edit = AddLabelledEdit(cell.column, this, cell.key, cell.text, "0", cell.editName);
        cell.column->addSpacing(Scaled(6));
    }
    for (QLineEdit* display :
         {EditAMPLITUDE, EditANGLE_OUT, EditOutY, EditOutX, EditZOut, EditCORDIC_QUADRANT})
        MakeDisplay(display);
    left->addStretch(1);
    right->addStretch(1);

    buttons->addSpacing(Scaled(14));
    auto [write, read] = AddGroupButtons(buttons, this, 4);
    btnWriteGroup4 = write;
    btnReadGroup4 = read;
    buttons->addStretch(1);

    Dial = new DialIndicator(context, this);
    row->addWidget(Dial, 0, Qt::AlignTop | Qt::AlignRight);
}

}  // namespace ui
