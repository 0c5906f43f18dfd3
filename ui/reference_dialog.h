// Asks which columns of a reference instrument's CSV hold the time and the angle, what the
// time counts and from when, showing the file's first lines.
#pragma once

#include <QDialog>
#include <optional>

#include "app/accuracy_files.h"
#include "app/language.h"

class QComboBox;
class QTableWidget;

namespace ui {

class ReferenceDialog : public QDialog {
    Q_OBJECT
  public:
    /// The columns start as the file's header suggests them (GuessColumns).
    ReferenceDialog(const app::CsvPreview& preview, const app::AccuracyTexts& texts,
                    QWidget* parent = nullptr);

    app::ReferenceColumns Columns() const;

    QTableWidget* TablePreview = nullptr;
    QComboBox* cbRefTime = nullptr;
    QComboBox* cbRefAngle = nullptr;
    QComboBox* cbRefUnit = nullptr;
    QComboBox* cbRefOrigin = nullptr;
};

/// The columns a preview's header suggests: a name with "time" or "zeit" or "врем" for the
/// time, "angle", "deg", "pos" or "угол" for the angle; else the first two columns.
app::ReferenceColumns GuessColumns(const app::CsvPreview& preview);

/// Shows the dialog modally; the columns chosen, or nothing when cancelled.
std::optional<app::ReferenceColumns> ChooseReferenceColumns(QWidget* parent,
                                                            const app::CsvPreview& preview,
                                                            const app::AccuracyTexts& texts);

}  // namespace ui
