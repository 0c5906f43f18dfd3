#include "app/window_entry.h"

#include <QApplication>
#include <exception>
#include <functional>

#include "app/shell.h"
#include "chip/UnitFTDI.h"
#include "ui/main.h"
#include "ui/message_box.h"
#include "ui/screenshot_tour.h"
#include "ui/window_style.h"

namespace ui {

namespace {

/// The application's general error report for errors that leave an event handler: the
/// error's text in a message box, and the tool carries on with the next event.
class GuardedApplication : public QApplication {
  public:
    using QApplication::QApplication;
    std::function<void(const QString&)> reportError;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            Report(QString::fromUtf8(error.what()));
        } catch (...) {
            Report(QStringLiteral("Unknown error"));
        }
        return false;
    }

  private:
    void Report(const QString& text) {
        if (reportError) {
            reportError(text);
        } else {
            ShowMessage(nullptr, QMessageBox::Critical, ApplicationTitle(), text);
        }
    }
};

}  // namespace

}  // namespace ui

namespace app {

int RunWindow(int argc, char** argv) {
    ui::GuardedApplication application(argc, argv);
    application.setFont(ui::WindowFont());
    ui::TranslateQtTexts(app::ExecutableDirectory());
    // Binding messages held since the program loaded appear now, before any window.
    chip::SetBindingMessageSink([](const std::string& message) {
        ui::ShowMessage(nullptr, QMessageBox::Warning, QCoreApplication::applicationName(),
                        QString::fromStdString(message));
    });

    ui::FaceOptions options;
    // Qt's view of the command line is Unicode on every platform.
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        options.args.push_back(arguments[i].toStdString());
    ui::TF_Face face(options);
    if (const std::optional<int> code = face.BatchExitCode()) {
        face.FormDestroy();
        return *code;
    }
    application.reportError = face.context.reportError;
    face.show();

    const QString screenshots = qEnvironmentVariable("QX5520_SCREENSHOTS");
    if (!screenshots.isEmpty()) {
        // The demonstration run: pictures of the window at work, then the end.
        (new ui::ScreenshotTour(face, screenshots))->Start();
    }
    return application.exec();
}

}  // namespace app
