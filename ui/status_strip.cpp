#include "ui/status_strip.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

#include "ui/flag_indicator.h"
#include "ui/window_style.h"

namespace ui {

StatusStrip::StatusStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("PanelStatus");
    setFixedHeight(Scaled(33));

    LabelSTATUS_REG = new QLabel(Design("    Статусный регистр"), this);
    LabelSTATUS_REG->setObjectName("LabelSTATUS_REG");
    LabelSTATUS_REG->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LabelSTATUS_REG->setWordWrap(true);
    LabelSTATUS_REG->setFixedWidth(Scaled(140));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(Scaled(2), 0, Scaled(2), 0);
    layout->addWidget(LabelSTATUS_REG);

    struct Indicator {
        QRadioButton*& button;
        const char* name;
        const char* caption;
        const char* panel;
    };
    const Indicator indicators[] = {
        {rbEML, "rbEML", "EML", "Panel2"},
        {rbOFC_READY, "rbOFC_READY", "OFC_READY", "Panel1"},
        {rbCONV_READY, "rbCONV_READY", "CONV_READY", "Panel4"},
        {rbELOAD_READY, "rbELOAD_READY", "ELOAD_READY", "Panel6"},
        {rbLOW_SPEED, "rbLOW_SPEED", "LOW_SPEED", "Panel7"},
        {rbOTR_Y, "rbOTR_Y", "OTR_Y", "Panel8"},
        {rbOTR_X, "rbOTR_X", "OTR_X", "Panel9"},
    };
    for (const Indicator& indicator : indicators) {
        // Alone in its own container: set and cleared on its own, never by the user.
        auto* panel = new QFrame(this);
        panel->setObjectName(indicator.panel);
        panel->setFrameShape(QFrame::NoFrame);
        auto* button = new FlagIndicator(indicator.caption, panel);
        button->setObjectName(indicator.name);
        auto* panelLayout = new QHBoxLayout(panel);
        panelLayout->setContentsMargins(Scaled(4), 0, Scaled(4), 0);
        panelLayout->addWidget(button);
        layout->addWidget(panel);
        indicator.button = button;
    }
    layout->addStretch(1);
}

std::array<QRadioButton*, 7> StatusStrip::Indicators() const {
    return {rbEML, rbOFC_READY, rbCONV_READY, rbELOAD_READY, rbLOW_SPEED, rbOTR_Y, rbOTR_X};
}

}  // namespace ui
