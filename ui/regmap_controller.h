// The behaviour of the register map page: the table of the chip's registers, the whole-chip
// read, write and compare (run as timer ticks, one register or field per tick, with progress
// and Cancel), a register word written from the table with read-back, and configuration
// files saved from and loaded into the field controls of the four parameter pages.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <utility>

#include "app/config/field_controls.h"

class QLineEdit;
class QTableWidgetItem;
class QTimer;
class QWidget;

namespace app {
class ChipJob;
class JobRunner;
}  // namespace app

namespace ui {

class ControlIndex;
class RegMapPage;
struct WindowContext;

class RegMapController : public QObject {
    Q_OBJECT
  public:
    /// fields: the field controls of the four parameter pages (the register controller's);
    /// chipId: EditChipID, whose identifier a saved file records. window: the parent of the
    /// dialogs and message boxes, and of this object.
    RegMapController(WindowContext& context, RegMapPage& page, app::FieldControls& fields,
                     const QLineEdit* chipId, QWidget* window);
    ~RegMapController() override;

    /// Reads every register 0-39, then fills the table and every field of groups 1-4.
    void btnReadAllClick();
    /// Writes every settable field, groups 1 to 4, then shows how they came out. Asks first
    /// when the write would set SSI_MODE.
    void btnWriteAllClick();
    /// Reads the registers of the settable fields and colours each field by whether the chip
    /// holds what it shows; writes nothing.
    void btnCompareClick();
    /// Saves the field controls' values to a configuration file (works without a chip).
    void btnSaveConfigClick();
    /// Loads a configuration file into the field controls; writes nothing to the chip.
    void btnLoadConfigClick();
    /// Stops the running job after its current step.
    void btnCancelRegMapClick();
    /// A register word typed into the table's Value column: written and read back.
    void ValueEdited(QTableWidgetItem* item);

    /// True while a whole-chip job runs.
    bool Running() const;
    /// The running job's steps done and its steps in all (0, 0 when none runs).
    std::pair<size_t, size_t> Progress() const;
    /// Runs after each job has ended (its summary shown).
    void SetJobEnded(std::function<void()> ended) { jobEnded_ = std::move(ended); }
    /// Shows the chip object's register cache in the table.
    void FillTable();

  private:
    std::function<void()> jobEnded_;
    void Start(std::unique_ptr<app::ChipJob> job, const std::string& progressText,
               std::function<void(bool complete)> done);
    void TimerRegMapTimer();
    void EndJob(bool complete);
    void SetRunning(bool running);
    /// True when the operation may go on: it sends no word with SSI_MODE set, or the user
    /// says yes.
    bool SsiConfirmed(bool setsSsi);
    QString StoppedNote(bool complete) const;
    QString LastFolder() const;
    void KeepFolder(const QString& file);

    WindowContext& context_;
    RegMapPage& page_;
    app::FieldControls& fields_;
    const QLineEdit* chipId_;
    QWidget* window_;
    QTimer* timer_;
    std::unique_ptr<app::ChipJob> job_;
    std::unique_ptr<app::JobRunner> runner_;
    std::function<void(bool complete)> done_;
    bool filling_ = false;
};

}  // namespace ui
