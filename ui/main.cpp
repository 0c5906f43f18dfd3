#include "ui/main.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>
#include <stdexcept>
#include <utility>

#include "app/version.h"
#include "ui/UnitAbout.h"
#include "ui/accuracy_page.h"
#include "ui/analog_page.h"
#include "ui/angle_page.h"
#include "ui/angle_stats_panel.h"
#include "ui/calibration_controller.h"
#include "ui/charts_page.h"
#include "ui/control_index.h"
#include "ui/dial_indicator.h"
#include "ui/message_box.h"
#include "ui/regcfg_page.h"
#include "ui/register_controller.h"
#include "ui/regmap_controller.h"
#include "ui/regmap_page.h"
#include "ui/status_strip.h"
#include "ui/system_page.h"
#include "ui/top_panel.h"
#include "ui/window_style.h"
#include "ui/work_page.h"
#include "ui/xy_page.h"

namespace ui {

namespace {

constexpr int kClientWidth = 930;
constexpr int kClientHeight = 680;
/// The least height of the page control: the tab row and a useful part of a page.
constexpr int kMinPageControlHeight = 240;
constexpr int kMinOuterWidth = 931;
constexpr int kMaxOuterWidth = 947;
/// The frame assumed until the window system has framed the window (two 8-pixel borders).
constexpr int kAssumedFrame = 16;
constexpr char kDatasheet[] = "QX5520_datasheet_v2.pdf";

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TF_Face::TF_Face(FaceOptions options, QWidget* parent)
    : QWidget(parent),
      fileVersion_(std::move(options.fileVersion)),
      clock_(options.clock ? options.clock : &chip::SystemClock()) {
    if (!fileVersion_) fileVersion_ = [] { return app::FileVersionString(); };
    setObjectName("F_Face");
    setFont(WindowFont());
    setWindowTitle(Design("БИС преобразователя фаза-код QX5520"));
    context.ExePath = options.exePath.empty() ? app::ExecutableDirectory() : options.exePath;
    context.reportError = [this](const QString& text) {
        ShowMessage(this, QMessageBox::Critical, ApplicationTitle(), text);
    };
    context.inform = [this](const QString& text) {
        ShowMessage(this, QMessageBox::Information, ApplicationTitle(), text);
    };
    context.saveSettings = [this] { SaveSettings(); };
    context.seconds = std::move(options.seconds);
    context.chipOperationsEnded = [this] {
        if (!closePending_) return;
        closePending_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    };

    BuildLayout();
    resize(Scaled(kClientWidth), Scaled(kClientHeight));
    HoldOuterWidth();
    // Every control a language key names exists before anything runs.
    controls_ = std::make_unique<ControlIndex>(this);
    controls_->Require(app::LanguageControlNames());
    context.statusLit = [this](const char* indicator) {
        return controls_->Get<QRadioButton>(indicator)->isChecked();
    };

    // Before the settings are restored: restoring cbConnect may switch the exchange on.
    registerController_ = std::make_unique<RegisterController>(context, *controls_, this);
    regMapController_ = new RegMapController(context, *tsRegMap, registerController_->Fields(),
                                             controls_->Get<QLineEdit>("EditChipID"), this);
    calibrationController_ = new CalibrationController(
        context, registerController_->Fields(), *tsXYChart,
        [this] { return regMapController_->Running(); },
        [this] { regMapController_->btnSaveConfigClick(); }, this);
    regMapController_->SetJobEnded([this] {
        if (!std::exchange(closeAfterJob_, false)) return;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
    context.exchangeOn = [this] { return registerController_->ceFlag(); };
    context.chipJobRunning = [this] {
        return regMapController_->Running() || calibrationController_->Running();
    };
    connect(tsXYChart->btnCentreSignals, &QPushButton::clicked, calibrationController_,
            &CalibrationController::btnCentreSignalsClick);
    connect(tsXYChart->btnMatchAmplitudes, &QPushButton::clicked, calibrationController_,
            &CalibrationController::btnMatchAmplitudesClick);
    connect(stAng->btnZeroHere, &QPushButton::clicked, calibrationController_,
            &CalibrationController::btnZeroHereClick);
    FormCreate(options.args);
    tsAccuracy->ShowIdle();
    btnAllPages->setToolTip(QString::fromStdString(context.texts.analysis.vAllPages));
    tsWork->PanelAngleStats->SetFormulaTips(context.texts.analysis);
    if (!batchExitCode_) F_About = new TF_About(context.texts, this);
}

TF_Face::~TF_Face() {
    // An assistant that still runs puts the starting values back while the chip object is
    // there, and ends its chip operation on the context, which goes before the window's
    // children do.
    if (calibrationController_ != nullptr) calibrationController_->Abandon();
    FormDestroy();
    delete calibrationController_;
    calibrationController_ = nullptr;
}

void TF_Face::BuildLayout() {
    PanelTop = new TopPanel(this);
    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    tsAnalogCfg = new AnalogPage(PageControl);
    stAng = new AnglePage(PageControl);
    tsSystemParams = new SystemPage(PageControl);
    tsRegCfg = new RegCfgPage(context, PageControl);
    tsWork = new WorkPage(context, PageControl);
    tsCharts = new ChartsPage(context, PageControl);
    tsXYChart = new XYPage(context, PageControl);
    tsRegMap = new RegMapPage(PageControl);
    tsAccuracy = new AccuracyPage(context, PageControl);
    // Each page scrolls when the window is made lower than the page needs; at the design
    // size none does.
    auto addPage = [this](QWidget* page, const QString& caption) {
        auto* scroll = new QScrollArea(PageControl);
        scroll->setObjectName(page->objectName() + "Scroll");
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(page);
        PageControl->addTab(scroll, caption);
    };
    addPage(tsAnalogCfg, Design("Настройка аналогового тракта"));
    addPage(stAng, Design("Настройка преобразования угла"));
    addPage(tsSystemParams, Design("Системные параметры"));
    addPage(tsRegCfg, Design("Конфигурация регистров"));
    addPage(tsWork, Design("Уловые данные"));
    addPage(tsCharts, Design("График"));
    addPage(tsXYChart, Design("X-Y график"));
    addPage(tsRegMap, Design("Карта регистров"));
    addPage(tsAccuracy, Design("Точность угла"));
    // The tab row keeps its fixed width, where the last tabs hide behind its scroll arrows: a
    // corner button lists every page and opens the one chosen.
    btnAllPages = new QToolButton(PageControl);
    btnAllPages->setObjectName("btnAllPages");
    btnAllPages->setText(QString(QChar(0x2261)));
    btnAllPages->setAutoRaise(true);
    btnAllPages->setPopupMode(QToolButton::InstantPopup);
    auto* pages = new QMenu(btnAllPages);
    pages->setObjectName("MenuAllPages");
    btnAllPages->setMenu(pages);
    connect(pages, &QMenu::aboutToShow, this, [this, pages] {
        pages->clear();
        for (int i = 0; i < PageControl->count(); ++i) {
            QAction* page = pages->addAction(PageControl->tabText(i), this,
                                             [this, i] { PageControl->setCurrentIndex(i); });
            page->setCheckable(true);
            page->setChecked(i == PageControl->currentIndex());
        }
    });
    PageControl->setCornerWidget(btnAllPages, Qt::TopRightCorner);
    // The window can be made as low as the panels and a useful part of a page.
    PageControl->setMinimumHeight(Scaled(kMinPageControlHeight));
    ShowPage(tsRegCfg);
    PanelStatus = new StatusStrip(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PanelTop);
    layout->addWidget(PageControl, 1);
    layout->addWidget(PanelStatus);

    // Floats over the middle of the window, outside the layout.
    PanelMsg = new QFrame(this);
    PanelMsg->setObjectName("PanelMsg");
    PanelMsg->setFrameShape(QFrame::Panel);
    PanelMsg->setFrameShadow(QFrame::Raised);
    PanelMsg->setLineWidth(2);
    PanelMsg->setAutoFillBackground(true);
    PanelMsg->setFixedSize(Scaled(301), Scaled(167));
    LabelMsg = new QLabel(PanelMsg);
    LabelMsg->setObjectName("LabelMsg");
    LabelMsg->setAlignment(Qt::AlignCenter);
    LabelMsg->setWordWrap(true);
    auto* messageLayout = new QVBoxLayout(PanelMsg);
    messageLayout->addWidget(LabelMsg);
    PanelMsg->hide();

    TimerConnect = new QTimer(this);
    TimerConnect->setObjectName("TimerConnect");
    TimerConnect->setInterval(2000);

    connect(PanelTop->btnOpenDataSheet, &QAbstractButton::clicked, this,
            [this] { btnOpenDataSheetClick(); });
    connect(PanelTop->btnAbout, &QAbstractButton::clicked, this, [this] { btnAboutClick(); });
}

void TF_Face::FormCreate(const std::vector<std::string>& args) {
    const app::Folders folders = app::ChooseFolders(context.ExePath);
    context.SettingsFolder = folders.settings;
    shell_ = std::make_unique<app::Shell>(*this, folders, *clock_);
    shell_->SetErrorSink([this](const std::string& message) {
        if (context.reportError) context.reportError(FromUtf8(message));
    });
    // An error of the creation step abandons the rest of it and is reported; the window
    // still opens.
    try {
        batchExitCode_ = shell_->FormCreate(args);
    } catch (const std::exception& error) {
        context.reportError(QString::fromUtf8(error.what()));
    }
}

void TF_Face::FormDestroy() {
    if (destroyed_ || !shell_) return;
    destroyed_ = true;
    // No tick may reach the chip access object once it is gone.
    for (QTimer* timer : findChildren<QTimer*>()) timer->stop();
    // Runs from the destructor too: no error may leave it.
    try {
        shell_->FormDestroy();
    } catch (const std::exception& error) {
        if (context.reportError) context.reportError(QString::fromUtf8(error.what()));
    }
}

void TF_Face::SaveSettings() {
    if (loadingSettings_ || !shell_) return;
    try {
        shell_->SaveSettings();
    } catch (const std::exception& error) {
        if (context.reportError) context.reportError(QString::fromUtf8(error.what()));
    }
}

void TF_Face::btnOpenDataSheetClick() {
    const QString path = FromUtf8(context.ExePath) + kDatasheet;
    if (QFileInfo(path).isFile()) {
        OpenUrl(this, QUrl::fromLocalFile(path));
    } else {
        ShowMessage(this, QMessageBox::Critical, QString(),
                    Design("Файл спецификации не найден по пути: ") + FromUtf8(context.ExePath));
    }
}

int TF_Face::PageIndex(const QWidget* page) const {
    for (int tab = 0; tab < PageControl->count(); ++tab) {
        const auto* scroll = qobject_cast<const QScrollArea*>(PageControl->widget(tab));
        if (scroll != nullptr && scroll->widget() == page) return tab;
    }
    return -1;
}

void TF_Face::ShowPage(QWidget* page) {
    if (const int tab = PageIndex(page); tab >= 0) PageControl->setCurrentIndex(tab);
}

QWidget* TF_Face::CurrentPage() const {
    const auto* scroll = qobject_cast<const QScrollArea*>(PageControl->currentWidget());
    return scroll != nullptr ? scroll->widget() : nullptr;
}

void TF_Face::btnAboutClick() {
    if (F_About) F_About->exec();
}

void TF_Face::closeEvent(QCloseEvent* event) {
    // A close during Write all, Read all or Compare would leave the chip half-configured
    // without a word: finish the job first, or stop it now and show what it did.
    if (regMapController_ != nullptr && regMapController_->Running()) {
        const auto [done, steps] = regMapController_->Progress();
        if (Ask(this, ApplicationTitle(),
                QString::fromStdString(context.texts.regMap.vCloseDuringJob)
                    .arg(done)
                    .arg(steps))) {
            closeAfterJob_ = true;
            event->ignore();
            return;
        }
        regMapController_->btnCancelRegMapClick();
    }
    // A close that arrives while a handler is inside a chip operation (its error report, a
    // message box, runs the event loop) or while a calibration assistant runs waits for it:
    // the chip object must outlive it.
    if (context.chipOperations > 0) {
        closePending_ = true;
        event->ignore();
        // A calibration assistant writes the starting values back first.
        if (calibrationController_ != nullptr) calibrationController_->CancelClick();
        return;
    }
    FormDestroy();
    event->accept();
}

void TF_Face::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceMessagePanel();
    HoldOuterWidth();
}

void TF_Face::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    HoldOuterWidth();
    PlaceMessagePanel();
}

void TF_Face::HoldOuterWidth() {
    const int extra =
        isVisible() ? frameGeometry().width() - geometry().width() : Scaled(kAssumedFrame);
    if (extra == frameExtra_) return;
    frameExtra_ = extra;
    setMinimumWidth(Scaled(kMinOuterWidth) - extra);
    setMaximumWidth(Scaled(kMaxOuterWidth) - extra);
}

void TF_Face::PlaceMessagePanel() {
    PanelMsg->move((width() - PanelMsg->width()) / 2, (height() - PanelMsg->height()) / 2);
    PanelMsg->raise();
}

// --- start-up and end over the controls -------------------------------------------------

void TF_Face::SetChartsFileText(const std::string& text) {
    tsCharts->EditChartsFile->setText(FromUtf8(text));
}

void TF_Face::SetXYFilenameText(const std::string& text) {
    tsXYChart->EditXYFilename->setText(FromUtf8(text));
}

void TF_Face::SetUpDial() {
    tsRegCfg->Dial->SetUp();
}

std::string TF_Face::AngleDataFileText() const {
    return tsWork->EditAngleDataFile->text().toStdString();
}

void TF_Face::SetAngleDataFileText(const std::string& text) {
    tsWork->EditAngleDataFile->setText(FromUtf8(text));
}

bool TF_Face::SaveToFileChecked() const {
    return tsWork->cbSaveToFile->isChecked();
}

void TF_Face::SetSaveToFileChecked(bool checked) {
    // Restoring a box is no toggle by the user: it saves nothing.
    loadingSettings_ = true;
    tsWork->cbSaveToFile->setChecked(checked);
    loadingSettings_ = false;
}

bool TF_Face::SaveChartsToFileChecked() const {
    return tsCharts->cbSaveChartsToFile->isChecked();
}

void TF_Face::SetSaveChartsToFileChecked(bool checked) {
    loadingSettings_ = true;
    tsCharts->cbSaveChartsToFile->setChecked(checked);
    loadingSettings_ = false;
}

bool TF_Face::ConnectChecked() const {
    return PanelTop->cbConnect->isChecked();
}

void TF_Face::SetConnectChecked(bool checked) {
    if (PanelTop->cbConnect->isChecked() == checked) return;
    // A click, so that the switch's handler runs exactly as on the user's click.
    PanelTop->cbConnect->click();
}

bool TF_Face::SSIOnChecked() const {
    return PanelTop->cbSSIOn->isChecked();
}

void TF_Face::SetSSIOnChecked(bool checked) {
    PanelTop->cbSSIOn->setChecked(checked);
}

std::string TF_Face::FreqText() const {
    return PanelTop->EditFreq->text().toStdString();
}

void TF_Face::SetChip(chip::TASensDig* chip) {
    context.chip = chip;
}

void TF_Face::LoadLanguage() {
    context.texts = app::LoadLanguage(context.ExePath, *this);
    // The stored switch-on ran before this step, which showed a count of 0: the label shows
    // the channels that switch-on found, as after a click.
    if (registerController_ && registerController_->ceFlag())
        registerController_->ShowChannelCount();
}

void TF_Face::AppendVersionToCaption() {
    const std::string version = fileVersion_();
    setWindowTitle(windowTitle() + " ver." + FromUtf8(version));
}

// --- the language step -------------------------------------------------------------------

void TF_Face::SetWindowCaption(const std::string& text) {
    setWindowTitle(FromUtf8(text));
}

void TF_Face::SetApplicationTitle(const std::string& text) {
    ui::SetApplicationTitle(FromUtf8(text));
}

void TF_Face::SetControlText(std::string_view controlName, const std::string& text) {
    const QString caption = FromUtf8(text);
    // A key that names no control is a fault of the build, never skipped.
    auto* control = controls_->Get<QWidget>(controlName);
    if (const int tab = PageIndex(control); tab >= 0) {
        PageControl->setTabText(tab, caption);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(caption);
        // The input this label captions is named after it for assistive tools.
        if (QWidget* input = label->buddy()) input->setAccessibleName(caption);
    } else if (auto* table = qobject_cast<QTableWidget*>(control)) {
        table->setHorizontalHeaderLabels(caption.split(QLatin1Char(';')));  // the columns
    } else if (auto* chooser = qobject_cast<QToolButton*>(control)) {
        SetFileChooserText(chooser, caption);  // the button itself keeps its "…"
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(caption);
    }
}

}  // namespace ui
