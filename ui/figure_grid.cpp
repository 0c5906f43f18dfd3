#include "ui/figure_grid.h"

#include <QGridLayout>
#include <QLabel>

#include "ui/window_style.h"

namespace ui {

FigureGrid::FigureGrid(QWidget* owner, const QMargins& margins)
    : owner_(owner), grid_(new QGridLayout(owner)) {
    grid_->setContentsMargins(margins);
    grid_->setVerticalSpacing(1);
}

QLabel* FigureGrid::Label(const char* text, const char* name) {
    return Named(new QLabel(Design(text), owner_), name);
}

QLabel* FigureGrid::Heading(const char* text, const char* name) {
    QLabel* heading = Label(text, name);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    AddWide(heading);
    return heading;
}

void FigureGrid::Line(QLabel*& caption, QLabel*& value, const char* text, const char* name,
                      const char* valueName) {
    caption = Label(text, name);
    value = Label("", valueName);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid_->addWidget(caption, row_, 0);
    grid_->addWidget(value, row_++, 1);
}

QLabel* FigureGrid::Note(const char* name) {
    QLabel* note = Label("", name);
    note->setWordWrap(true);
    AddWide(note);
    return note;
}

void FigureGrid::AddWide(QWidget* widget) {
    grid_->addWidget(widget, row_++, 0, 1, 2);
}

void FigureGrid::Finish() {
    grid_->setRowStretch(row_, 1);
    grid_->setColumnStretch(1, 1);
}

}  // namespace ui
