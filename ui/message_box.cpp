#include "ui/message_box.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLibraryInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTranslator>
#include <utility>

#include "app/lang/language.h"

namespace ui {

namespace {

void RealMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                    const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool RealOpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

// The desktop says only that it failed; this is what is usually behind it.
QString OpenFailureReason() {
#if defined(Q_OS_WIN)
    return QStringLiteral("no application is associated with it, or it could not be started");
#else
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) {
        return QStringLiteral(
            "xdg-open, which opens files and web addresses on this desktop, is not installed "
            "(Debian package xdg-utils)");
    }
    return QStringLiteral(
        "the desktop has no application for it, or the application did not "
        "start");
#endif
}

QString RealChooseSaveFile(QWidget* parent, const QString& title, const QString& start) {
    // A log is appended to, never overwritten: choosing an existing file needs no warning.
    return QFileDialog::getSaveFileName(parent, title, start,
                                        QStringLiteral("CSV (*.csv);;All files (*)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString RealChooseFile(QWidget* parent, bool save, const QString& title, const QString& start,
                       const QString& filter) {
    const QString filters = filter + QStringLiteral(";;All files (*)");
    return save ? QFileDialog::getSaveFileName(parent, title, start, filters)
                : QFileDialog::getOpenFileName(parent, title, start, filters);
}

bool RealAsk(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

int RealChoose(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
               const QStringList& buttons, const QString& close) {
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> added;
    for (const QString& caption : buttons) {
        added.push_back(box.addButton(caption, QMessageBox::ActionRole));
    }
    box.setDefaultButton(box.addButton(close, QMessageBox::RejectRole));
    box.exec();
    for (size_t i = 0; i < added.size(); ++i) {
        if (box.clickedButton() == added[i]) return static_cast<int>(i);
    }
    return -1;
}

bool RealAskNumbers(QWidget* parent, const QString& title, std::vector<NumberField>& fields) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* form = new QFormLayout(&dialog);
    std::vector<QDoubleSpinBox*> boxes;
    for (const NumberField& field : fields) {
        auto* box = new QDoubleSpinBox(&dialog);
        box->setDecimals(field.decimals);
        box->setRange(field.low, field.high);
        box->setValue(field.value);
        form->addRow(field.caption, box);
        boxes.push_back(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    for (size_t i = 0; i < fields.size(); ++i) fields[i].value = boxes[i]->value();
    return true;
}

ChooseFunction& CurrentChoose() {
    static ChooseFunction function = RealChoose;
    return function;
}

AskNumbersFunction& CurrentAskNumbers() {
    static AskNumbersFunction function = RealAskNumbers;
    return function;
}

FileDialogFunction& CurrentFileDialog() {
    static FileDialogFunction function = RealChooseFile;
    return function;
}

AskFunction& CurrentAsk() {
    static AskFunction function = RealAsk;
    return function;
}

SaveFileFunction& CurrentSaveFile() {
    static SaveFileFunction function = RealChooseSaveFile;
    return function;
}

MessageBoxFunction& CurrentMessageBox() {
    static MessageBoxFunction function = RealMessageBox;
    return function;
}

OpenUrlFunction& CurrentOpenUrl() {
    static OpenUrlFunction function = RealOpenUrl;
    return function;
}

QString& Title() {
    static QString title;
    return title;
}

}  // namespace

void ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text) {
    CurrentMessageBox()(parent, icon, title, text);
}

bool OpenUrl(QWidget* parent, const QUrl& url) {
    if (CurrentOpenUrl()(url)) return true;
    const QString what =
        url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    ShowMessage(parent, QMessageBox::Warning, ApplicationTitle(),
                QStringLiteral("Cannot open %1: %2.").arg(what, OpenFailureReason()));
    return false;
}

QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& start) {
    return CurrentSaveFile()(parent, title, start);
}

SaveFileFunction SetSaveFileFunction(SaveFileFunction function) {
    if (!function) function = RealChooseSaveFile;
    return std::exchange(CurrentSaveFile(), std::move(function));
}

QString ChooseFile(QWidget* parent, bool save, const QString& title, const QString& start,
                   const QString& filter) {
    return CurrentFileDialog()(parent, save, title, start, filter);
}

FileDialogFunction SetFileDialogFunction(FileDialogFunction function) {
    if (!function) function = RealChooseFile;
    return std::exchange(CurrentFileDialog(), std::move(function));
}

bool Ask(QWidget* parent, const QString& title, const QString& text) {
    return CurrentAsk()(parent, title, text);
}

AskFunction SetAskFunction(AskFunction function) {
    if (!function) function = RealAsk;
    return std::exchange(CurrentAsk(), std::move(function));
}

int Choose(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
           const QStringList& buttons, const QString& close) {
    return CurrentChoose()(parent, icon, title, text, buttons, close);
}

ChooseFunction SetChooseFunction(ChooseFunction function) {
    if (!function) function = RealChoose;
    return std::exchange(CurrentChoose(), std::move(function));
}

bool AskNumbers(QWidget* parent, const QString& title, std::vector<NumberField>& fields) {
    return CurrentAskNumbers()(parent, title, fields);
}

AskNumbersFunction SetAskNumbersFunction(AskNumbersFunction function) {
    if (!function) function = RealAskNumbers;
    return std::exchange(CurrentAskNumbers(), std::move(function));
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
    if (!function) function = RealMessageBox;
    return std::exchange(CurrentMessageBox(), std::move(function));
}

OpenUrlFunction SetOpenUrlFunction(OpenUrlFunction function) {
    if (!function) function = RealOpenUrl;
    return std::exchange(CurrentOpenUrl(), std::move(function));
}

QString ApplicationTitle() {
    return Title();
}
void SetApplicationTitle(const QString& title) {
    Title() = title;
}

QTranslator* TranslateQtTexts(const std::string& exePath) {
    if (app::ChooseLanguage(exePath).suffix != "rus") return nullptr;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ru"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

}  // namespace ui
