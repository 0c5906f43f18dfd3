#include "ui/system_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/register_page_layout.h"
#include "ui/window_style.h"

namespace ui {

SystemPage::SystemPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsSystemParams");
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(Scaled(16), Scaled(12), Scaled(16), Scaled(12));
    page->setSpacing(Scaled(3));
    cbEML_OUT_EN = AddCheckBox(page, this, "cbEML_OUT_EN",
                               Design("Разрешить выдачу сигнала EML на аналоговый выход"));
    cbSSI_MODE =
        AddCheckBox(page, this, "cbSSI_MODE",
                    Design("Режим SSI  (после установки обмен по интерфейсу SPI не доступен)"));
    cbEE_LD_EN =
        AddCheckBox(page, this, "cbEE_LD_EN", Design("Разрешить перезагрузку EEPROM в регистры"));
    cbDTSTO_DIS = AddCheckBox(page, this, "cbDTSTO_DIS", Design("Отключение DTSTO"));
    page->addSpacing(Scaled(12));

    auto* row = new QHBoxLayout;
    page->addLayout(row);
    page->addStretch(1);
    auto* edits = NewColumn(row);
    auto* buttons = NewColumn(row);
    row->addStretch(1);
    EditAMP_EML_TH = AddLabelledEdit(edits, this, "AMP_EML_TH", Design("Пороговый уровень EML"));
    EditFREQG = AddLabelledEdit(edits, this, "FREQG", Design("Тактовая частота"));
    edits->addStretch(1);
    buttons->addSpacing(Scaled(14));
    auto [write, read] = AddGroupButtons(buttons, this, 3);
    btnWriteGroup3 = write;
    btnReadGroup3 = read;
    buttons->addStretch(1);
}

}  // namespace ui
