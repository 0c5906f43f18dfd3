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
#include <QTimer>
#include <exception>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/chip_id.h"
#include "app/connection.h"
#include "app/field_map.h"
#include "app/param_groups.h"
#include "app/status_flags.h"
#include "ui/window_context.h"
#include "ui/window_style.h"

namespace ui {
namespace {

std::runtime_error MissingControl(std::string_view name) {
    return std::runtime_error("The window has no control named " + std::string(name) + ".");
}

template <typename Widget>
Widget* Find(QWidget* window, std::string_view name) {
    return window->findChild<Widget*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

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
    explicit WidgetFieldControls(QWidget* window) {
        for (const app::ConfigField& field : app::kConfigFields) {
            if (QWidget* widget = ui::Find<QWidget>(window, field.control)) {
                controls_.try_emplace(std::string(field.control), widget);
            }
        }
    }
    app::FieldControl& Control(std::string_view name) override {
        const auto found = controls_.find(name);
        if (found == controls_.end()) throw MissingControl(name);
        return found->second;
    }
    WidgetFieldControl* Lookup(std::string_view name) {
        const auto found = controls_.find(name);
        return found == controls_.end() ? nullptr : &found->second;
    }

  private:
    std::map<std::string, WidgetFieldControl, std::less<>> controls_;
};

// PanelMsg with LabelMsg: painted at once, because the window does not repaint while a
// group operation keeps the event loop waiting.
class PanelBusyMessage : public app::BusyMessage {
  public:
    explicit PanelBusyMessage(QWidget* window)
        : panel_(Find<QWidget>(window, "PanelMsg")), label_(Find<QLabel>(window, "LabelMsg")) {}
    void Show(const std::string& text) override {
        if (label_) label_->setText(QString::fromStdString(text));
        if (!panel_) return;
        panel_->show();
        panel_->raise();
        panel_->repaint();
    }
    void Hide() override {
        if (panel_) panel_->hide();
    }

  private:
    QWidget* panel_;
    QLabel* label_;
};

class RadioIndicators : public app::StatusIndicators {
  public:
    explicit RadioIndicators(QWidget* window) {
        for (const app::StatusFlag& flag : app::kStatusFlags) {
            indicators_[std::string(flag.indicator)] = Find<QRadioButton>(window, flag.indicator);
        }
    }
    void SetIndicator(std::string_view indicator, bool on) override {
        const auto found = indicators_.find(indicator);
        if (found == indicators_.end() || found->second == nullptr) throw MissingControl(indicator);
        found->second->setChecked(on);
    }

  private:
    std::map<std::string, QRadioButton*, std::less<>> indicators_;
};

class WindowConnectionView : public app::ConnectionView {
  public:
    WindowConnectionView(QWidget* window, WidgetFieldControls& fields, PanelBusyMessage& busy)
        : fields_(fields),
          busy_(busy),
          indicators_(window),
          connect_(Find<QCheckBox>(window, "cbConnect")),
          state_(Find<QLabel>(window, "LabelConnectState")),
          channels_(Find<QLabel>(window, "LabelChanCnt")),
          timer_(Find<QTimer>(window, "TimerConnect")) {
        if (timer_ == nullptr) {
            // A window without its supervision timer still gets one, disabled.
            timer_ = new QTimer(window);
            timer_->setObjectName("TimerConnect");
            timer_->setInterval(2000);
        }
    }

    bool ConnectChecked() const override { return connect_ && connect_->isChecked(); }
    void SetConnectStateText(const std::string& text) override {
        if (!state_) throw MissingControl("LabelConnectState");
        state_->setText(QString::fromStdString(text));
    }
    void SetChannelCountText(const std::string& text) override {
        if (!channels_) throw MissingControl("LabelChanCnt");
        channels_->setText(QString::fromStdString(text));
    }
    void SetConnectTimerEnabled(bool enabled) override {
        if (!enabled) {
            timer_->stop();
        } else if (!timer_->isActive()) {
            timer_->start();  // an enabled timer keeps its period
        }
    }
    void RepaintSwitch() override {
        if (connect_) connect_->repaint();
    }
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
    explicit Widgets(QWidget* window)
        : fields(window),
          busy(window),
          connection(window, fields, busy),
          chipId(Find<QLineEdit>(window, "EditChipID")) {}
    WidgetFieldControls fields;
    PanelBusyMessage busy;
    WindowConnectionView connection;
    QLineEdit* chipId;
};

namespace {

// Every control the controller binds, by name, that the window lacks: none in a window that
// is built right.
std::vector<std::string> MissingControls(QWidget* window) {
    std::vector<std::string> names;
    for (const app::ConfigField& field : app::kConfigFields) names.emplace_back(field.control);
    for (int group = 1; group <= app::kGroupCount; ++group) {
        names.push_back("btnWriteGroup" + std::to_string(group));
        names.push_back("btnReadGroup" + std::to_string(group));
    }
    for (const app::StatusFlag& flag : app::kStatusFlags) names.emplace_back(flag.indicator);
    for (const char* name : {"PanelMsg", "LabelMsg", "EditChipID", "btnWriteChID", "btnReadChID",
                             "cbConnect", "LabelConnectState", "LabelChanCnt"}) {
        names.emplace_back(name);
    }
    std::vector<std::string> missing;
    for (const std::string& name : names) {
        if (Find<QWidget>(window, name) == nullptr) missing.push_back(name);
    }
    return missing;
}

// Checked before anything is bound: a control missing from the window is a fault of the
// build, reported at once rather than when a handler first needs it.
QWidget* WithEveryControl(QWidget* window) {
    const std::vector<std::string> missing = MissingControls(window);
    if (!missing.empty()) {
        std::string names;
        for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
        throw std::logic_error("The window has no control named " + names + ".");
    }
    return window;
}

}  // namespace

RegisterController::RegisterController(WindowContext& context, QWidget* window)
    : QObject(window),
      context_(context),
      widgets_(std::make_unique<Widgets>(WithEveryControl(window))),
      supervisor_(
          std::make_unique<app::ConnectionSupervisor>(widgets_->connection, context.texts)) {
    for (int group = 1; group <= app::kGroupCount; ++group) {
        const std::string n = std::to_string(group);
        if (auto* button = Find<QPushButton>(window, "btnWriteGroup" + n)) {
            connect(button, &QPushButton::clicked, this, [this, group] { WriteGroup(group); });
        }
        if (auto* button = Find<QPushButton>(window, "btnReadGroup" + n)) {
            connect(button, &QPushButton::clicked, this, [this, group] { ReadGroup(group); });
        }
    }
    for (const app::ConfigField& field : app::kConfigFields) {
        if (!HasChangeHandler(field)) continue;
        auto* edit = Find<QLineEdit>(window, field.control);
        WidgetFieldControl* control = widgets_->fields.Lookup(field.control);
        if (edit == nullptr || control == nullptr) continue;
        // EditGA_XChange: grey on every change of the text, typed or set by the program.
        connect(edit, &QLineEdit::textChanged, this,
                [control] { control->Paint(app::Verdict::Grey); });
    }
    if (auto* button = Find<QPushButton>(window, "btnWriteChID")) {
        connect(button, &QPushButton::clicked, this, &RegisterController::btnWriteChIDClick);
    }
    if (auto* button = Find<QPushButton>(window, "btnReadChID")) {
        connect(button, &QPushButton::clicked, this, &RegisterController::btnReadChIDClick);
    }
    // toggled, not clicked: a setChecked by the settings restore switches on as well.
    if (QCheckBox* box = widgets_->connection.ConnectBox()) {
        connect(box, &QCheckBox::toggled, this, &RegisterController::cbConnectClick);
    }
    connect(widgets_->connection.Timer(), &QTimer::timeout, this,
            &RegisterController::TimerConnectTimer);
}

RegisterController::~RegisterController() = default;

template <typename Handler>
void RegisterController::Guarded(Handler handler) {
    // The general error report: the rest of the handler is abandoned, the tool goes on.
    const ChipOperation operation(context_);
    try {
        if (context_.chip == nullptr) {
            throw std::runtime_error("The chip access object does not exist yet.");
        }
        handler(*context_.chip);
    } catch (const std::exception& error) {
        if (context_.reportError) context_.reportError(QString::fromUtf8(error.what()));
    }
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
        if (!widgets_->chipId) throw MissingControl("EditChipID");
        app::WriteChipId(chip, widgets_->chipId->text().toStdString());
    });
}

void RegisterController::btnReadChIDClick() {
    Guarded([&](chip::TASensDig& chip) {
        if (!widgets_->chipId) throw MissingControl("EditChipID");
        widgets_->chipId->setText(QString::fromStdString(app::ReadChipId(chip)));
    });
}

void RegisterController::cbConnectClick() {
    Guarded([&](chip::TASensDig& chip) { supervisor_->cbConnectClick(chip); });
}

void RegisterController::TimerConnectTimer() {
    Guarded([&](chip::TASensDig& chip) { supervisor_->TimerConnectTimer(chip); });
}

bool RegisterController::ceFlag() const {
    return supervisor_->ceFlag();
}

app::FieldControls& RegisterController::Fields() {
    return widgets_->fields;
}

}  // namespace ui
