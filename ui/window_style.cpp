#include "ui/window_style.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>
#include <QToolButton>
#include <cmath>

#include "ui/message_box.h"

namespace ui {

namespace {

constexpr char kTahoma[] = "Tahoma";
constexpr char kWineTahoma[] = "/usr/share/wine/fonts/tahoma.ttf";

QString ChooseFamily() {
    if (QFontDatabase::families().contains(kTahoma, Qt::CaseInsensitive)) return kTahoma;
    if (QFile::exists(kWineTahoma)) {
        const int id = QFontDatabase::addApplicationFont(kWineTahoma);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) return families.front();
    }
    return QString();
}

}  // namespace

QFont WindowFont() {
    static const QString family = ChooseFamily();
    QFont font;
    if (family.isEmpty()) {
        font.setStyleHint(QFont::SansSerif);
        font.setFamily(QStringLiteral("Sans Serif"));
    } else {
        font.setFamily(family);
    }
    font.setPointSize(8);
    return font;
}

int Scaled(int pixels) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return static_cast<int>(std::lround(pixels * dpi / 96.0));
}

void PaintVerdict(QWidget* widget, const QColor& background, const QColor& text) {
    // A check box fills its face from Button and writes its caption in WindowText; its tick
    // square keeps the normal Base and Text.
    const bool button = qobject_cast<QAbstractButton*>(widget) != nullptr;
    QPalette palette = widget->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        if (!button) {
            palette.setColor(group, QPalette::Base, background);
            palette.setColor(group, QPalette::Text, text);
        }
        palette.setColor(group, QPalette::Button, background);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::WindowText, text);
    }
    widget->setPalette(palette);
    if (button) widget->setAutoFillBackground(true);
}

QToolButton* NewFileChooser(QLineEdit* edit, const char* name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(QString::fromUtf8("…"));
    SetFileChooserText(button, Design("Выбрать файл данных"));
    QObject::connect(button, &QToolButton::clicked, button, [button, edit] {
        const QString chosen = ChooseSaveFile(button->window(), button->toolTip(), edit->text());
        if (!chosen.isEmpty()) edit->setText(QDir::toNativeSeparators(chosen));
    });
    return button;
}

void SetFileChooserText(QToolButton* button, const QString& text) {
    button->setToolTip(text);
    button->setAccessibleName(text);
}

void Caption(QLabel* label, QWidget* input) {
    label->setBuddy(input);
    input->setAccessibleName(label->text());
}

QLineEdit* AddLabelledEdit(QBoxLayout* layout, QWidget* parent, const QString& key,
                           const QString& text, const QString& value, const QString& editName) {
    auto* label = new QLabel(text, parent);
    label->setObjectName("Label" + key);
    auto* edit = new QLineEdit(value, parent);
    edit->setObjectName(editName.isEmpty() ? "Edit" + key : editName);
    Caption(label, edit);
    layout->addWidget(label);
    layout->addWidget(edit);
    return edit;
}

}  // namespace ui
