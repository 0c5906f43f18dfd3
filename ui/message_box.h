// The window's message boxes and desktop calls, replaceable so that tests can see them.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

class QTranslator;
class QWidget;

namespace ui {

/// Asks for a file name to save to: a modal dialog with a CSV filter, starting at start;
/// returns the chosen path, or an empty text when the user cancelled.
using SaveFileFunction =
    std::function<QString(QWidget* parent, const QString& title, const QString& start)>;
QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& start);
SaveFileFunction SetSaveFileFunction(SaveFileFunction function);

/// Asks for a file to save or open (a configuration, an exported chart): a modal save or open
/// dialog with the given filter, starting at start; returns the chosen path, or an empty text when
/// the user cancelled. A save confirms before it replaces a file.
using FileDialogFunction = std::function<QString(QWidget* parent, bool save, const QString& title,
                                                 const QString& start, const QString& filter)>;
QString ChooseFile(QWidget* parent, bool save, const QString& title, const QString& start,
                   const QString& filter);
FileDialogFunction SetFileDialogFunction(FileDialogFunction function);

/// Asks a yes-or-no question in a modal message box; true for yes (No is the default).
using AskFunction = std::function<bool(QWidget* parent, const QString& title, const QString& text)>;
bool Ask(QWidget* parent, const QString& title, const QString& text);
AskFunction SetAskFunction(AskFunction function);

/// Shows a modal message box with the given buttons besides its Close button (caption
/// close); returns the index of the button chosen, -1 for Close.
using ChooseFunction =
    std::function<int(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                      const QString& text, const QStringList& buttons, const QString& close)>;
int Choose(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
           const QStringList& buttons, const QString& close);
ChooseFunction SetChooseFunction(ChooseFunction function);

/// Asks for numbers in a modal dialog: one spin box per caption, each starting at and
/// returning through values, within its [low, high] range, with its decimals; false when
/// the user cancelled (values then unchanged).
struct NumberField {
    QString caption;
    double value;
    double low;
    double high;
    int decimals;
};
using AskNumbersFunction =
    std::function<bool(QWidget* parent, const QString& title, std::vector<NumberField>& fields)>;
bool AskNumbers(QWidget* parent, const QString& title, std::vector<NumberField>& fields);
AskNumbersFunction SetAskNumbersFunction(AskNumbersFunction function);

/// Shows a modal message box with an OK button.
using MessageBoxFunction = std::function<void(QWidget* parent, QMessageBox::Icon icon,
                                              const QString& title, const QString& text)>;
/// Opens a document or web address with the desktop's associated application; false when
/// the desktop could not.
using OpenUrlFunction = std::function<bool(const QUrl& url)>;

void ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text);
/// Opens url; when the desktop cannot, a message box over parent names the file or address
/// and the likely reason. Returns whether it opened.
bool OpenUrl(QWidget* parent, const QUrl& url);

/// Replace the real functions (tests); an empty function restores the real one. Each returns
/// the function it replaced.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);
OpenUrlFunction SetOpenUrlFunction(OpenUrlFunction function);

/// Qt's own texts (the Yes, No, OK and Cancel of every message box, the file dialogs) in the
/// window's language: installs Qt's Russian translation when lang.rus beside the executable
/// chooses Russian. Returns the translator installed (owned by the application), or null for
/// the English window or when Qt's translation is not installed (Debian
/// qt6-translations-l10n), where those texts stay English.
QTranslator* TranslateQtTexts(const std::string& exePath);

/// The application title of the chosen language (the title of the general error report).
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

}  // namespace ui
