// Asks which columns of a reference instrument's CSV hold the time and the angle, what the
// time counts and from when, showing the file's first lines.
#pragma once

#include <QDialog>
#include <optional>

#include "app/analysis/accuracy_files.h"
#include "app/lang/language.h"

class QComboBox;
class QLineEdit;
class QTableWidget;

namespace ui {

class ReferenceDialog : public QDialog {
    Q_OBJECT
  public:
    /// The columns and units start as app::GuessColumns suggests them.
    ReferenceDialog(const app::CsvPreview& preview, const app::AccuracyTexts& texts,
                    QWidget* parent = nullptr);

    app::ReferenceColumns Columns() const;

    QTableWidget* TablePreview = nullptr;
    QComboBox* cbRefTime = nullptr;
    QComboBox* cbRefAngle = nullptr;
    QComboBox* cbRefUnit = nullptr;
    QComboBox* cbRefOrigin = nullptr;
    QComboBox* cbRefAngleUnit = nullptr;
    QLineEdit* EditRefCounts = nullptr;

  private:
    /// The count per turn typed; 0 when it is no positive number.
    double CountsPerTurn() const;
};

/// Shows the dialog modally; the columns chosen, or nothing when cancelled.
std::optional<app::ReferenceColumns> ChooseReferenceColumns(QWidget* parent,
                                                            const app::CsvPreview& preview,
                                                            const app::AccuracyTexts& texts);

}  // namespace ui
