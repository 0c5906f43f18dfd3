// The look every window of the tool shares: its font, its pixel scale and the small builders
// of the register pages.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

namespace ui {

/// Tahoma 8 pt where the system has it, else the Tahoma-metric font of the Wine fonts when it
/// is installed, else the platform's sans-serif font at 8 pt.
QFont WindowFont();

/// A length given in pixels at 96 dpi, scaled to the primary screen's logical dpi.
int Scaled(int pixels);

/// The verification colours and the text drawn on them: white on green (5.1:1) and black on
/// red (5.3:1), both above the 4.5:1 that keeps a verdict readable.
inline const QColor kGreen{0, 128, 0};
inline const QColor kRed{255, 0, 0};
inline const QColor kTextOnGreen{255, 255, 255};
inline const QColor kTextOnRed{0, 0, 0};

/// Paints widget's background in a verdict colour with its readable text colour: the edit's
/// base (an editable list's edit included) or a button's face, with every text role.
void PaintVerdict(QWidget* widget, const QColor& background, const QColor& text);

/// widget, given its object name: the name the language table and the tests know it by.
template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

/// Makes label the caption of input: the label's mnemonic focuses it and its accessible
/// name is the label's text.
void Caption(QLabel* label, QWidget* input);

/// A label above its edit, appended to layout: label `Label<key>` with text, edit
/// `Edit<key>` (or editName) with value.
QLineEdit* AddLabelledEdit(QBoxLayout* layout, QWidget* parent, const QString& key,
                           const QString& text, const QString& value = QStringLiteral("0"),
                           const QString& editName = QString());

/// A "…" button named name beside a log file edit: it opens a save dialog (CSV filter) at the
/// edit's path and puts the chosen path into the edit. Its tooltip and accessible name are
/// set by SetFileChooserText.
QToolButton* NewFileChooser(QLineEdit* edit, const char* name, QWidget* parent);
/// The text that names what a file chooser button does (also its dialog's title).
void SetFileChooserText(QToolButton* button, const QString& text);

/// The text of a design caption written in the source as UTF-8.
inline QString Design(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace ui
