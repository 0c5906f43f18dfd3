// The demonstration run behind QX5520_SCREENSHOTS=DIR: it works the main window through its
// own controls against whatever chip answers (the virtual one in the default build) and
// saves a picture of each page, and of the About window, into DIR, then closes the window.
#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <functional>

class QWidget;

namespace ui {

class TF_Face;

class ScreenshotTour : public QObject {
    Q_OBJECT
  public:
    /// A QObject child of face; Start() begins the run.
    ScreenshotTour(TF_Face& face, QString directory);

    /// Runs the steps one after another from the event loop; the window stays responsive.
    void Start();

  private:
    /// Queues step to run delayMs after the previous one.
    void Then(int delayMs, std::function<void()> step);
    void RunNext();

    /// Clicks the button or check box of that object name, as a user would.
    void Click(const char* name);
    void SetText(const char* name, const QString& text);
    void ShowPage(QWidget* page);
    /// Saves the window as it is now, named after the current page.
    void SavePage();
    /// Starts a periodic readout on its page with a short interval; it runs until Stop.
    void RunReadout(QWidget* page, const char* intervalEdit, const char* startButton);

    TF_Face& face_;
    QString directory_;
    std::deque<std::pair<int, std::function<void()>>> steps_;
};

}  // namespace ui
