#include "ui/regmap_controller.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <cstdio>
#include <string>
#include <utility>

#include "app/config/chip_id.h"
#include "app/config/config_report.h"
#include "app/config/config_workflow.h"
#include "app/config/integer_text.h"
#include "app/files/settings.h"
#include "app/version.h"
#include "chip/utf8_path.h"
#include "ui/control_index.h"
#include "ui/message_box.h"
#include "ui/regmap_page.h"
#include "ui/window_context.h"
#include "ui/window_style.h"

namespace ui {
namespace {

// Where the folder of the last configuration file is kept, beside the window's settings.
constexpr const char* kFolderSection = "ConfigurationFiles";
constexpr const char* kFolderKey = "LastFolder";
constexpr const char* kDefaultFileName = "qx5520.ini";

QString Hex(unsigned value, int digits) {
    return QStringLiteral("0x") +
           QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// A dialog's title: the button's caption without its "…".
QString DialogTitle(const QPushButton* button) {
    QString title = button->text();
    title.remove(QChar(0x2026));
    return title.trimmed();
}

class ShowFilter : public QObject {
  public:
    ShowFilter(QObject* parent, std::function<void()> onShow)
        : QObject(parent), onShow_(std::move(onShow)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) onShow_();
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> onShow_;
};

}  // namespace

RegMapController::RegMapController(WindowContext& context, RegMapPage& page,
                                   app::FieldControls& fields, const QLineEdit* chipId,
                                   QWidget* window)
    : QObject(window),
      context_(context),
      page_(page),
      fields_(fields),
      chipId_(chipId),
      window_(window),
      timer_(Named(new QTimer(this), "TimerRegMap")) {
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &RegMapController::TimerRegMapTimer);
    connect(page_.btnReadAll, &QPushButton::clicked, this, &RegMapController::btnReadAllClick);
    connect(page_.btnWriteAll, &QPushButton::clicked, this, &RegMapController::btnWriteAllClick);
    connect(page_.btnCompare, &QPushButton::clicked, this, &RegMapController::btnCompareClick);
    connect(page_.btnSaveConfig, &QPushButton::clicked, this,
            &RegMapController::btnSaveConfigClick);
    connect(page_.btnLoadConfig, &QPushButton::clicked, this,
            &RegMapController::btnLoadConfigClick);
    connect(page_.btnCancelRegMap, &QPushButton::clicked, this,
            &RegMapController::btnCancelRegMapClick);
    connect(page_.sgRegMap, &QTableWidget::itemChanged, this, &RegMapController::ValueEdited);
    // The cache changes with every group read and write: the table is current when shown.
    page_.installEventFilter(new ShowFilter(this, [this] { FillTable(); }));
    FillTable();
}

RegMapController::~RegMapController() = default;

bool RegMapController::Running() const {
    return runner_ != nullptr;
}

void RegMapController::FillTable() {
    QTableWidget* table = page_.sgRegMap;
    filling_ = true;
    for (int address = 0; address < chip::kRegisterCount; ++address) {
        const chip::RegisterSlot slot = context_.chip
                                            ? context_.chip->Slot(static_cast<uint16_t>(address))
                                            : chip::RegisterSlot{};
        const bool settable = chip::kRegisters[address].settable;
        const QString texts[RegMapPage::kColumnCount] = {
            QString::number(address), Hex(static_cast<unsigned>(address), 2),
            Text(app::RegisterContents(static_cast<uint8_t>(address))), Hex(slot.Value, 4),
            // A register never read or written holds nothing known yet.
            slot.Actual ? Hex(slot.DevValue, 4) : QStringLiteral("\u2014"),
            slot.Actual ? QString(QChar(0x2714)) : QString()};
        for (int column = 0; column < RegMapPage::kColumnCount; ++column) {
            QTableWidgetItem* item = table->item(address, column);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                table->setItem(address, column, item);
            }
            item->setText(texts[column]);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            // Only a register the tool may set takes a typed word.
            if (column == RegMapPage::kValue && settable) flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            item->setData(Qt::BackgroundRole, QVariant());
            item->setData(Qt::ForegroundRole, QVariant());
        }
        table->item(address, RegMapPage::kValue)
            ->setToolTip(settable ? QString() : Design("read-only"));
    }
    filling_ = false;
}

bool RegMapController::SsiConfirmed(bool setsSsi) {
    const app::ConfigField* ssi = app::FieldByKey("SSI_MODE");
    if (!setsSsi || ssi == nullptr || context_.chip == nullptr) return true;
    // Asked whatever set the bit: a tick, a file, a typed word, or a bit the chip read back
    // (a chip that answers is not in SSI mode, so a set bit there is a flipped one).
    return Ask(window_, ApplicationTitle(), Text(context_.texts.regMap.vConfirmSSI));
}

void RegMapController::ValueEdited(QTableWidgetItem* item) {
    if (filling_ || item == nullptr || item->column() != RegMapPage::kValue) return;
    if (Running()) {  // an edit committed as a job starts: the job has the chip
        FillTable();
        return;
    }
    const int address = item->row();
    const QString typed = item->text();
    const std::optional<int32_t> word = app::ParseIntegerText(typed.toStdString());
    if (!word || *word < 0 || *word > 0xFFFF) {
        FillTable();
        ShowMessage(window_, QMessageBox::Warning, ApplicationTitle(),
                    Text(context_.texts.regMap.vNotARegisterWord).arg(typed));
        return;
    }
    const app::ConfigField* ssi = app::FieldByKey("SSI_MODE");
    if (!SsiConfirmed(ssi != nullptr && address == ssi->reg && (*word & ssi->mask) != 0)) {
        FillTable();
        return;
    }
    std::optional<bool> verified;
    RunChipOperation(context_, [&](chip::TASensDig& chip) {
        verified = app::WriteRegisterWord(chip, static_cast<uint8_t>(address),
                                          static_cast<uint16_t>(*word));
        // The fields of the register show what the chip now holds.
        const uint16_t held = chip.Slot(static_cast<uint16_t>(address)).DevValue;
        for (const app::ConfigField* field : app::FieldsOfRegister(static_cast<uint8_t>(address)))
            app::ShowField(*field, held, fields_.Control(field->control()));
    });
    FillTable();
    QTableWidgetItem* cell = page_.sgRegMap->item(address, RegMapPage::kValue);
    const bool good = verified.value_or(false);
    filling_ = true;
    cell->setBackground(good ? kGreen : kRed);
    cell->setForeground(good ? kTextOnGreen : kTextOnRed);
    filling_ = false;
}

void RegMapController::btnReadAllClick() {
    Start(std::make_unique<app::ReadAllJob>(fields_), context_.texts.vReadingProcess, {});
}

void RegMapController::btnWriteAllClick() {
    if (Running()) return;
    app::ControlValues values = app::ValuesOfControls(fields_);
    if (!values.errors.empty()) {
        ShowMessage(window_, QMessageBox::Warning, ApplicationTitle(),
                    Text(app::WithLines(context_.texts.regMap.vFieldsWithoutValue, values.errors)));
        return;
    }
    if (!SsiConfirmed(context_.chip != nullptr && app::SendsSsiMode(*context_.chip, values.values)))
        return;
    auto job = std::make_unique<app::WriteAllJob>(fields_, std::move(values.values));
    const app::WriteAllJob* write = job.get();
    Start(std::move(job), context_.texts.vWritingProcess, [this, write](bool complete) {
        const app::WriteSummary& summary = write->Summary();
        const QString text =
            Text(app::WriteAllReport(context_.texts.regMap, summary)) + StoppedNote(complete);
        ShowMessage(window_,
                    summary.mismatched.empty() && complete ? QMessageBox::Information
                                                           : QMessageBox::Warning,
                    ApplicationTitle(), text);
    });
}

void RegMapController::btnCompareClick() {
    auto job = std::make_unique<app::CompareJob>(fields_);
    const app::CompareJob* compare = job.get();
    Start(std::move(job), context_.texts.vReadingProcess, [this, compare](bool complete) {
        const QString text =
            Text(app::CompareReport(context_.texts.regMap, *compare)) + StoppedNote(complete);
        ShowMessage(window_,
                    compare->Different().empty() && complete ? QMessageBox::Information
                                                             : QMessageBox::Warning,
                    ApplicationTitle(), text);
    });
}

void RegMapController::btnSaveConfigClick() {
    const app::ControlValues values = app::ValuesOfControls(fields_);
    if (!values.errors.empty()) {
        ShowMessage(window_, QMessageBox::Warning, ApplicationTitle(),
                    Text(app::WithLines(context_.texts.regMap.vFieldsWithoutValue, values.errors)));
        return;
    }
    const QString file = ChooseFile(window_, true, DialogTitle(page_.btnSaveConfig),
                                    LastFolder() + QLatin1Char('/') + kDefaultFileName,
                                    Text(context_.texts.regMap.vConfigFileFilter));
    if (file.isEmpty()) return;
    // The identifier the chip holds, as -saveconfig writes it, when Read all (or the
    // identifier's Read) has read it; else as the top panel shows it, when it shows one.
    const app::ConfigurationOrigin origin{
        app::FileVersionString(), app::LocalDateTimeText(),
        app::ChipIdForConfiguration(context_.chip, chipId_->text().toStdString())};
    std::string error;
    if (!app::SaveConfigurationFile(chip::PathFromUtf8(file.toStdString()),
                                    app::ConfigurationText(values.values, origin), error)) {
        if (context_.reportError) context_.reportError(Text(error));
        return;
    }
    KeepFolder(file);
}

void RegMapController::btnLoadConfigClick() {
    if (Running()) return;
    const QString file = ChooseFile(window_, false, DialogTitle(page_.btnLoadConfig), LastFolder(),
                                    Text(context_.texts.regMap.vConfigFileFilter));
    if (file.isEmpty()) return;
    KeepFolder(file);
    const app::ParsedConfiguration parsed =
        app::LoadConfigurationFile(chip::PathFromUtf8(file.toStdString()));
    if (!parsed.errors.empty()) {
        ShowMessage(window_, QMessageBox::Warning, ApplicationTitle(),
                    Text(app::WithLines(context_.texts.regMap.vConfigNotLoaded, parsed.errors)));
        return;
    }
    const int changed = app::ApplyValues(parsed.values, fields_);
    ShowMessage(window_, QMessageBox::Information, ApplicationTitle(),
                Text(context_.texts.regMap.vConfigLoaded).arg(parsed.values.size()).arg(changed));
}

void RegMapController::btnCancelRegMapClick() {
    if (!Running()) return;
    runner_->Stop();
    EndJob(false);
}

void RegMapController::Start(std::unique_ptr<app::ChipJob> job, const std::string& progressText,
                             std::function<void(bool complete)> done) {
    if (Running()) return;
    if (context_.chip == nullptr) return;
    if (RefusedWhileRecording(context_)) return;
    job_ = std::move(job);
    runner_ = std::make_unique<app::JobRunner>(*job_);
    done_ = std::move(done);
    page_.pbRegMap->setRange(0, static_cast<int>(job_->StepCount()));
    page_.pbRegMap->setValue(0);
    page_.pbRegMap->setFormat(Text(progressText) + QStringLiteral(" %p%"));
    SetRunning(true);
    timer_->start();
}

void RegMapController::TimerRegMapTimer() {
    // No tick runs while this one waits in an error report.
    timer_->stop();
    if (!Running()) return;
    if (context_.recording) {  // cannot start then; waits without a message if it ever is
        timer_->start();
        return;
    }
    RunChipOperation(context_, [this](chip::TASensDig& chip) { runner_->Tick(chip); });
    if (!Running()) return;  // cancelled from within the error report
    page_.pbRegMap->setValue(static_cast<int>(runner_->Done()));
    if (runner_->Over()) {
        EndJob(runner_->Done() == job_->StepCount());
    } else {
        timer_->start();
    }
}

void RegMapController::EndJob(bool complete) {
    timer_->stop();
    FillTable();
    SetRunning(false);
    const std::function<void(bool)> done = std::exchange(done_, {});
    if (done) done(complete);
    runner_.reset();
    job_.reset();
    if (jobEnded_) jobEnded_();
}

std::pair<size_t, size_t> RegMapController::Progress() const {
    if (!runner_ || !job_) return {0, 0};
    return {runner_->Done(), job_->StepCount()};
}

void RegMapController::SetRunning(bool running) {
    for (QWidget* control :
         {static_cast<QWidget*>(page_.btnReadAll), static_cast<QWidget*>(page_.btnWriteAll),
          static_cast<QWidget*>(page_.btnCompare), static_cast<QWidget*>(page_.btnLoadConfig),
          static_cast<QWidget*>(page_.sgRegMap)}) {
        control->setEnabled(!running);
    }
    page_.btnCancelRegMap->setEnabled(running);
    if (!running) page_.pbRegMap->setFormat(QStringLiteral("%p%"));
}

QString RegMapController::StoppedNote(bool complete) const {
    if (complete || !runner_) return {};
    return Text(app::StoppedNote(context_.texts.regMap, false, runner_->Done(), job_->StepCount()));
}

QString RegMapController::LastFolder() const {
    const app::SettingsFile settings(
        chip::PathFromUtf8(context_.SettingsFolder + app::kSettingsFileName));
    const std::optional<std::string> folder = settings.ReadKey(kFolderSection, kFolderKey);
    if (folder && QFileInfo(Text(*folder)).isDir()) return Text(*folder);
    return QDir::homePath();
}

void RegMapController::KeepFolder(const QString& file) {
    const app::SettingsFile settings(
        chip::PathFromUtf8(context_.SettingsFolder + app::kSettingsFileName));
    try {
        settings.WriteKey(kFolderSection, kFolderKey, QFileInfo(file).absolutePath().toStdString());
    } catch (const app::SettingsWriteError&) {
        // Only a convenience is lost: the next dialog starts in the home folder.
    }
}

}  // namespace ui
