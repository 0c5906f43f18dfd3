#include "ui/message_box.h"

#include <QDesktopServices>
#include <utility>

namespace ui {

namespace {

void RealMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                    const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void RealOpenUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
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

void OpenUrl(const QUrl& url) {
    CurrentOpenUrl()(url);
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

}  // namespace ui
