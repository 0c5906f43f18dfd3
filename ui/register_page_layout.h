// Builders shared by the four register pages.
#pragma once

#include <QString>
#include <utility>

class QBoxLayout;
class QCheckBox;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace ui {

/// A column of fixed width (the width of the page's edits) appended to row.
QVBoxLayout* NewColumn(QBoxLayout* row, int width = 221);

QCheckBox* AddCheckBox(QBoxLayout* layout, QWidget* parent, const char* name, const QString& text);

/// The pair "Записать значения" / "Прочитать значения" of a parameter group, stacked.
std::pair<QPushButton*, QPushButton*> AddGroupButtons(QBoxLayout* layout, QWidget* parent,
                                                      int group);

}  // namespace ui
