#include "ui/register_page_layout.h"

#include <QCheckBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/window_style.h"

namespace ui {

QVBoxLayout* NewColumn(QBoxLayout* row, int width) {
    auto* holder = new QWidget;
    holder->setFixedWidth(Scaled(width));
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, Scaled(24), 0);
    column->setSpacing(Scaled(3));
    row->addWidget(holder);
    return column;
}

QCheckBox* AddCheckBox(QBoxLayout* layout, QWidget* parent, const char* name, const QString& text) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    layout->addWidget(box);
    return box;
}

std::pair<QPushButton*, QPushButton*> AddGroupButtons(QBoxLayout* layout, QWidget* parent,
                                                      int group) {
    auto* write = new QPushButton(Design("Записать значения"), parent);
    write->setObjectName(QStringLiteral("btnWriteGroup%1").arg(group));
    auto* read = new QPushButton(Design("Прочитать значения"), parent);
    read->setObjectName(QStringLiteral("btnReadGroup%1").arg(group));
    for (QPushButton* button : {write, read}) {
        button->setFixedSize(Scaled(150), Scaled(25));
        layout->addWidget(button);
    }
    return {write, read};
}

}  // namespace ui
