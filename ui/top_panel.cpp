#include "ui/top_panel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "chip/UnitSPI.h"
#include "ui/window_style.h"

namespace ui {

TopPanel::TopPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("PanelTop");
    setFixedHeight(Scaled(102));

    LabelSPIFreq = Named(new QLabel(Design("Частота SPI"), this), "LabelSPIFreq");
    EditFreq = Named(new QLineEdit(QString::number(chip::kDesignClockRate), this), "EditFreq");
    EditFreq->setFixedWidth(Scaled(73));
    QPalette white = EditFreq->palette();
    white.setColor(QPalette::Base, Qt::white);
    EditFreq->setPalette(white);
    Caption(LabelSPIFreq, EditFreq);
    cbConnect = Named(new QCheckBox(Design("Включить обмен"), this), "cbConnect");
    LabelConnectState =
        Named(new QLabel(Design("состояние не определено"), this), "LabelConnectState");
    LabelConnectState->setMinimumWidth(Scaled(160));
    LabelChanCnt = Named(new QLabel(Design("Найдено FTDI каналов: 0"), this), "LabelChanCnt");
    btnOpenDataSheet = Named(new QPushButton(Design("Спецификация"), this), "btnOpenDataSheet");
    btnAbout = Named(new QPushButton(Design("О программе"), this), "btnAbout");

    LabelChipID = Named(new QLabel(Design("Идентификатор кристалла"), this), "LabelChipID");
    EditChipID = Named(new QLineEdit(this), "EditChipID");
    EditChipID->setFixedWidth(Scaled(121));
    Caption(LabelChipID, EditChipID);
    cbSSIOn = Named(new QCheckBox(Design("Включить SSI"), this), "cbSSIOn");
    // Kept for its stored state only; it is never shown.
    cbSSIOn->setVisible(false);

    btnWriteChID = Named(new QPushButton(Design("Писать идентификатор"), this), "btnWriteChID");
    btnReadChID = Named(new QPushButton(Design("Читать идентификатор"), this), "btnReadChID");

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(Scaled(8), Scaled(6), Scaled(8), Scaled(6));
    auto* row1 = new QHBoxLayout;
    row1->addWidget(LabelSPIFreq);
    row1->addWidget(EditFreq);
    row1->addSpacing(Scaled(12));
    row1->addWidget(cbConnect);
    row1->addSpacing(Scaled(12));
    row1->addWidget(LabelConnectState);
    row1->addSpacing(Scaled(12));
    row1->addWidget(LabelChanCnt);
    row1->addStretch(1);
    row1->addWidget(btnOpenDataSheet);
    row1->addWidget(btnAbout);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(LabelChipID);
    row2->addWidget(EditChipID);
    row2->addStretch(1);
    row2->addWidget(cbSSIOn);
    auto* row3 = new QHBoxLayout;
    row3->addWidget(btnWriteChID);
    row3->addWidget(btnReadChID);
    row3->addStretch(1);
    rows->addLayout(row1);
    rows->addLayout(row2);
    rows->addLayout(row3);
}

}  // namespace ui
