#include "ui/register_controller.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <exception>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/config/chip_id.h"
#include "app/config/field_map.h"
#include "app/config/param_groups.h"
#include "app/readings/connection.h"
#include "app/readings/status_flags.h"
#include "ui/control_index.h"
#include "ui/window_context.h"
#include "ui/window_style.h"

namespace ui {
namespace {

// One edit, check box or item list of the parameter pages. Its colour is the background
// role of its kind; Verdict::Layout gives back the palette the window gave it.
class WidgetFieldControl : public app::FieldControl {
  public:
    explicit WidgetFieldControl(QWidget* widget)
        : widget_(widget),
          edit_(qobject_cast<QLineEdit*>(widget)),
          box_(qobject_cast<QCheckBox*>(widget)),
          list_(qobject_cast<QComboBox*>(widget)),
          layoutPalette_(widget->palette()),
          layoutAutoFill_(widget->autoFillBackground()) {
        // The item list's popup keeps the normal list colours whatever the list shows: a
        // verdict is about the chosen item, not about the choices. Pinned once, every role
        // set explicitly, nothing propagates to it from the painted list.
        if (list_) KeepNormalColours(list_->view());
    }

    std::string Text() const override {
        if (edit_) return edit_->text().toStdString();
        if (list_) return list_->currentText().toStdString();
        return {};
    }
    void SetText(const std::string& text) override {
        if (edit_) edit_->setText(QString::fromStdString(text));
    }
    bool Checked() const override { return box_ && box_->isChecked(); }
    void SetChecked(bool checked) override {
        if (box_) box_->setChecked(checked);
    }
    int ItemIndex() const override {
        if (!list_) return -1;
        if (!list_->isEditable()) return list_->currentIndex();
        // Typed text selects the item it names, whether or not Enter was pressed; letter
        // case and blanks around it do not count. Any other text: no item is selected.
        const QString typed = list_->currentText().trimmed();
        for (int index = 0; index < list_->count(); ++index) {
            if (typed.compare(list_->itemText(index).trimmed(), Qt::CaseInsensitive) == 0) {
                return index;
            }
        }
        return -1;
    }
    void SetItemIndex(int index) override {
        if (list_) list_->setCurrentIndex(index < list_->count() ? index : -1);
    }
    void Paint(app::Verdict verdict) override {
        switch (verdict) {
            case app::Verdict::Layout:
                widget_->setPalette(layoutPalette_);
                widget_->setAutoFillBackground(layoutAutoFill_);
                return;
            case app::Verdict::Green:
                SetBackground(kGreen, kTextOnGreen);
                return;
            case app::Verdict::Red:
                SetBackground(kRed, kTextOnRed);
                return;
            case app::Verdict::Grey:
                // The system colour of grey (disabled) text, under the normal text colour.
                SetBackground(QApplication::palette().color(QPalette::Disabled, QPalette::Text),
                              layoutPalette_.color(QPalette::Text));
                return;
        }
    }

  private:
    void SetBackground(const QColor& colour, const QColor& text) {
        PaintVerdict(widget_, colour, text);
        // The list hands its new palette to the popup's frame on every change; the view
        // inside it stays pinned.
        if (list_ && list_->view()->parentWidget())
            KeepNormalColours(list_->view()->parentWidget());
    }

    static void KeepNormalColours(QWidget* view) {
        const QPalette normal = QApplication::palette(view);
        QPalette pinned = normal;
        for (int group = 0; group < QPalette::NColorGroups; ++group) {
            for (int role = 0; role < QPalette::NColorRoles; ++role) {
                const auto g = static_cast<QPalette::ColorGroup>(group);
                const auto r = static_cast<QPalette::ColorRole>(role);
                pinned.setColor(g, r, normal.color(g, r));
            }
        }
        view->setPalette(pinned);
    }

    QWidget* widget_;
    QLineEdit* edit_;
    QCheckBox* box_;
    QComboBox* list_;
    QPalette layoutPalette_;
    bool layoutAutoFill_;
};

class WidgetFieldControls : public app::FieldControls {
  public:
    explicit WidgetFieldControls(const ControlIndex& controls) {
        for (const app::ConfigField& field : app::kConfigFields) {
            controls_.try_emplace(std::string(field.control()),
                                  controls.Get<QWidget>(field.control()));
        }
    }
    WidgetFieldControl& Control(std::string_view name) override {
        const auto found = controls_.find(name);
        if (found == controls_.end()) {
            throw std::logic_error("No configuration field has the control " + std::string(name) +
                                   ".");
        }
        return found->second;
    }

  private:
    std::map<std::string, WidgetFieldControl, std::less<>> controls_;
};

// PanelMsg with LabelMsg: painted at once, because the window does not repaint while a
// group operation keeps the event loop waiting.
class PanelBusyMessage : public app::BusyMessage {
  public:
    explicit PanelBusyMessage(const ControlIndex& controls)
        : panel_(controls.Get<QWidget>("PanelMsg")), label_(controls.Get<QLabel>("LabelMsg")) {}
    void Show(const std::string& text) override {
        label_->setText(QString::fromStdString(text));
        panel_->show();
        panel_->raise();
        panel_->repaint();
    }
    void Hide() override { panel_->hide(); }

  private:
    QWidget* panel_;
    QLabel* label_;
};

class RadioIndicators : public app::StatusIndicators {
  public:
    explicit RadioIndicators(const ControlIndex& controls) {
        for (const app::StatusFlag& flag : app::kStatusFlags) {
            indicators_[std::string(flag.indicator)] = controls.Get<QRadioButton>(flag.indicator);
        }
    }
    void SetIndicator(std::string_view indicator, bool on) override {
        const auto found = indicators_.find(indicator);
        if (found == indicators_.end()) {
            throw std::logic_error("No status flag has the indicator " + std::string(indicator) +
                                   ".");
        }
        found->second->setChecked(on);
    }

  private:
    std::map<std::string, QRadioButton*, std::less<>> indicators_;
};

class WindowConnectionView : public app::ConnectionView {
  public:
    WindowConnectionView(const ControlIndex& controls, WidgetFieldControls& fields,
                         PanelBusyMessage& busy)
        : fields_(fields),
          busy_(busy),
          indicators_(controls),
          connect_(controls.Get<QCheckBox>("cbConnect")),
          state_(controls.Get<QLabel>("LabelConnectState")),
          channels_(controls.Get<QLabel>("LabelChanCnt")),
          timer_(controls.Get<QTimer>("TimerConnect")) {}

    bool ConnectChecked() const override { return connect_->isChecked(); }
    void SetConnectStateText(const std::string& text) override {
        state_->setText(QString::fromStdString(text));
    }
    void SetChannelCountText(const std::string& text) override {
        channels_->setText(QString::fromStdString(text));
    }
    void SetConnectTimerEnabled(bool enabled) override {
        if (!enabled) {
            timer_->stop();
        } else if (!timer_->isActive()) {
            timer_->start();  // an enabled timer keeps its period
        }
    }
    void RepaintSwitch() override { connect_->repaint(); }
    app::FieldControls& Fields() override { return fields_; }
    app::BusyMessage& Busy() override { return busy_; }
    app::StatusIndicators& Indicators() override { return indicators_; }

    QCheckBox* ConnectBox() const { return connect_; }
    QTimer* Timer() const { return timer_; }

  private:
    WidgetFieldControls& fields_;
    PanelBusyMessage& busy_;
    RadioIndicators indicators_;
    QCheckBox* connect_;
    QLabel* state_;
    QLabel* channels_;
    QTimer* timer_;
};

// The nine number edits of group 1 share EditGA_XChange; the other edits have none.
bool HasChangeHandler(const app::ConfigField& field) {
    return field.group == 1 && field.kind == app::FieldKind::Number;
}

}  // namespace

struct RegisterController::Widgets {
    explicit Widgets(const ControlIndex& controls)
        : fields(controls),
          busy(controls),
          connection(controls, fields, busy),
          chipId(controls.Get<QLineEdit>("EditChipID")) {}
    WidgetFieldControls fields;
    PanelBusyMessage busy;
    WindowConnectionView connection;
    QLineEdit* chipId;
};

namespace {

// Every control the controller binds, checked before anything is bound: a control missing
// from the window is a fault of the build, reported at once and all together.
const ControlIndex& WithEveryControl(const ControlIndex& controls) {
    std::vector<std::string> names;
    for (const app::ConfigField& field : app::kConfigFields) names.emplace_back(field.control());
    for (int group = 1; group <= app::kGroupCount; ++group) {
        names.push_back("btnWriteGroup" + std::to_string(group));
        names.push_back("btnReadGroup" + std::to_string(group));
    }
    for (const app::StatusFlag& flag : app::kStatusFlags) names.emplace_back(flag.indicator);
    for (const char* name : {"PanelMsg", "LabelMsg", "EditChipID", "btnWriteChID", "btnReadChID",
                             "cbConnect", "LabelConnectState", "LabelChanCnt", "TimerConnect"}) {
        names.emplace_back(name);
    }
    controls.Require(names);
    return controls;
}

}  // namespace

RegisterController::RegisterController(WindowContext& context, const ControlIndex& controls,
                                       QObject* parent)
    : QObject(parent),
      context_(context),
      widgets_(std::make_unique<Widgets>(WithEveryControl(controls))),
      supervisor_(
          std::make_unique<app::ConnectionSupervisor>(widgets_->connection, context.texts)) {
    for (int group = 1; group <= app::kGroupCount; ++group) {
        const std::string n = std::to_string(group);
        connect(controls.Get<QPushButton>("btnWriteGroup" + n), &QPushButton::clicked, this,
                [this, group] { WriteGroup(group); });
        connect(controls.Get<QPushButton>("btnReadGroup" + n), &QPushButton::clicked, this,
                [this, group] { ReadGroup(group); });
    }
    for (const app::ConfigField& field : app::kConfigFields) {
        if (!HasChangeHandler(field)) continue;
        WidgetFieldControl* control = &widgets_->fields.Control(field.control());
        // EditGA_XChange: grey on every change of the text, typed or set by the program.
        connect(controls.Get<QLineEdit>(field.control()), &QLineEdit::textChanged, this,
                [control] { control->Paint(app::Verdict::Grey); });
    }
    connect(controls.Get<QPushButton>("btnWriteChID"), &QPushButton::clicked, this,
            &RegisterController::btnWriteChIDClick);
    connect(controls.Get<QPushButton>("btnReadChID"), &QPushButton::clicked, this,
            &RegisterController::btnReadChIDClick);
    // toggled, not clicked: a setChecked by the settings restore switches on as well.
    connect(widgets_->connection.ConnectBox(), &QCheckBox::toggled, this,
            &RegisterController::cbConnectClick);
    connect(widgets_->connection.Timer(), &QTimer::timeout, this,
            &RegisterController::TimerConnectTimer);
}

RegisterController::~RegisterController() = default;

template <typename Handler>
void RegisterController::Guarded(Handler handler) {
    RunChipOperation(context_, handler);
}

void RegisterController::WriteGroup(int group) {
    Guarded([&](chip::TASensDig& chip) {
        app::WriteParamGroup(chip, group, widgets_->fields, widgets_->busy, context_.texts);
    });
}

void RegisterController::ReadGroup(int group) {
    Guarded([&](chip::TASensDig& chip) {
        app::ReadParamGroup(chip, group, widgets_->fields, widgets_->busy, context_.texts);
    });
}

void RegisterController::btnWriteChIDClick() {
    Guarded([&](chip::TASensDig& chip) {
        app::WriteChipId(chip, widgets_->chipId->text().toStdString());
    });
}

void RegisterController::btnReadChIDClick() {
    Guarded([&](chip::TASensDig& chip) {
        widgets_->chipId->setText(QString::fromStdString(app::ReadChipId(chip)));
    });
}

void RegisterController::cbConnectClick() {
    if (context_.recording) {
        // The switch stays as it was: the recording has the channel.
        QCheckBox* box = widgets_->connection.ConnectBox();
        const QSignalBlocker blocker(box);
        box->setChecked(!box->isChecked());
        RefusedWhileRecording(context_);
        return;
    }
    Guarded([&](chip::TASensDig& chip) { supervisor_->cbConnectClick(chip); });
}

void RegisterController::TimerConnectTimer() {
    // Supervision waits while the accuracy page records: its reads would be a hole there.
    if (context_.recording) return;
    Guarded([&](chip::TASensDig& chip) { supervisor_->TimerConnectTimer(chip); });
}

bool RegisterController::ceFlag() const {
    return supervisor_->ceFlag();
}

void RegisterController::ShowChannelCount() {
    supervisor_->ShowChannelCount();
}

app::FieldControls& RegisterController::Fields() {
    return widgets_->fields;
}

}  // namespace ui
