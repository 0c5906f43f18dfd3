// The two-column grids of figures beside the measurement charts: bold headings, one caption
// and its value per row, and wide rows that span both columns.
#pragma once

#include <QMargins>

class QGridLayout;
class QLabel;
class QWidget;

namespace ui {

class FigureGrid {
  public:
    /// Lays out owner's children in a grid with the given margins.
    FigureGrid(QWidget* owner, const QMargins& margins);

    /// A bold label over both columns.
    QLabel* Heading(const char* text, const char* name);
    /// A caption and its value (selectable, empty at first) on one row.
    void Line(QLabel*& caption, QLabel*& value, const char* text, const char* name,
              const char* valueName);
    /// An empty word-wrapped label over both columns (a state or a warning).
    QLabel* Note(const char* name);
    /// Any widget over both columns.
    void AddWide(QWidget* widget);
    /// The rows stay at the top, the values take the width.
    void Finish();

  private:
    QLabel* Label(const char* text, const char* name);

    QWidget* owner_;
    QGridLayout* grid_;
    int row_ = 0;
};

}  // namespace ui
