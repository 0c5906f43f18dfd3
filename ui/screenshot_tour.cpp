#include "ui/screenshot_tour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <utility>

#include "ui/UnitAbout.h"
#include "ui/accuracy_page.h"
#include "ui/analog_page.h"
#include "ui/angle_page.h"
#include "ui/charts_page.h"
#include "ui/control_index.h"
#include "ui/main.h"
#include "ui/regcfg_page.h"
#include "ui/regmap_page.h"
#include "ui/system_page.h"
#include "ui/top_panel.h"
#include "ui/work_page.h"
#include "ui/xy_page.h"

namespace ui {

namespace {

/// As fast as the chip answers: every register read waits 100 ms for the chip, so a signal
/// chart reading (five registers) takes half a second, an X-Y reading (two) a fifth, and a
/// bare angle reading a few milliseconds.
constexpr char kShortInterval[] = "10";
/// Long enough for one supervision tick (every 2 s) to light the status strip.
constexpr int kConnectSettleMs = 2500;
constexpr int kPaintMs = 300;
// With the magnet at 8 rpm (scripts/screenshots sets it; a turn takes 7.5 s): more than a
// turn of angle readings, two turns of the signal charts, nine tenths of the X-Y circle (enough for
// the ellipse fit).
constexpr int kAngleRunMs = 10000;
constexpr int kChartsRunMs = 15000;
constexpr int kXYRunMs = 7000;
constexpr int kReadAllMs = 6000;
/// A turn and its margin (7.9 s at 8 rpm) and the analysis.
constexpr int kAccuracyRunMs = 9000;

}  // namespace

ScreenshotTour::ScreenshotTour(TF_Face& face, QString directory)
    : QObject(&face), face_(face), directory_(std::move(directory)) {}

void ScreenshotTour::Start() {
    QDir().mkpath(directory_);
    // Pages 1-3: the exchange on, which reads the chip's identifier and groups 1-3 back.
    Then(300, [this] {
        if (!face_.Controls().Get<QAbstractButton>("cbConnect")->isChecked()) Click("cbConnect");
        Click("btnReadChID");
    });
    for (QWidget* page :
         {static_cast<QWidget*>(face_.tsAnalogCfg), static_cast<QWidget*>(face_.stAng),
          static_cast<QWidget*>(face_.tsSystemParams)}) {
        Then(page == face_.tsAnalogCfg ? kConnectSettleMs : 0, [this, page] { ShowPage(page); });
        Then(kPaintMs, [this] { SavePage(); });
    }
    // Page 4: group 4 read back and the dial's needle on the angle.
    Then(0, [this] {
        ShowPage(face_.tsRegCfg);
        Click("btnReadGroup4");
        Click("btnAnalogInd");
    });
    Then(1000, [this] {
        SavePage();
        // The dial reads the angle register every 10 ms; off, so that it does not share the
        // chip with the readouts below.
        Click("btnAnalogInd");
    });
    // Pages 5-7: each periodic readout runs on its own for a few seconds and is pictured
    // while it runs. A single angle reading goes to the memo first.
    Then(200, [this] {
        ShowPage(face_.tsWork);
        Click("BtnReadAngleData");
        RunReadout(face_.tsWork, "EditAngleWorkDataInt", "BtnStartAngleWrkData");
    });
    Then(kAngleRunMs / 2, [this] { Click("BtnReadAngleData"); });
    Then(kAngleRunMs / 2, [this] {
        Click("BtnReadAngleData");
        SavePage();
        Click("BtnStartAngleWrkData");
    });
    Then(200, [this] { RunReadout(face_.tsCharts, "EditInterval", "btnStart"); });
    Then(kChartsRunMs, [this] {
        SavePage();
        Click("btnStart");
    });
    Then(200, [this] { RunReadout(face_.tsXYChart, "EditXYInt", "btnStartXYChart"); });
    Then(kXYRunMs, [this] {
        SavePage();
        Click("btnStartXYChart");
    });
    // Page 8: every register read back, one per tick (40 reads with their pauses).
    Then(200, [this] {
        ShowPage(face_.tsRegMap);
        Click("btnReadAll");
    });
    Then(kReadAllMs, [this] { SavePage(); });
    // Page 9: one revolution recorded and its angle error analysed at constant speed.
    Then(200, [this] {
        SetText("EditAccRevs", QStringLiteral("1"));
        RunReadout(face_.tsAccuracy, "EditAccInt", "btnStartAccuracy");
    });
    Then(kAccuracyRunMs, [this] { SavePage(); });
    Then(200, [this] {
        ShowPage(face_.tsRegCfg);
        face_.F_About->show();
    });
    Then(kPaintMs, [this] {
        face_.F_About->grab().save(QDir(directory_).filePath("about.png"));
        face_.F_About->hide();
        face_.close();
    });
    RunNext();
}

void ScreenshotTour::Then(int delayMs, std::function<void()> step) {
    steps_.emplace_back(delayMs, std::move(step));
}

void ScreenshotTour::RunNext() {
    if (steps_.empty()) return;
    auto [delayMs, step] = std::move(steps_.front());
    steps_.pop_front();
    QTimer::singleShot(delayMs, this, [this, step = std::move(step)] {
        step();
        RunNext();
    });
}

void ScreenshotTour::Click(const char* name) {
    face_.Controls().Get<QAbstractButton>(name)->click();
}

void ScreenshotTour::SetText(const char* name, const QString& text) {
    face_.Controls().Get<QLineEdit>(name)->setText(text);
}

void ScreenshotTour::ShowPage(QWidget* page) {
    face_.ShowPage(page);
}

void ScreenshotTour::SavePage() {
    const int page = face_.PageControl->currentIndex();
    const QString name = face_.CurrentPage()->objectName();
    face_.grab().save(
        QDir(directory_).filePath(QStringLiteral("page%1-%2.png").arg(page + 1).arg(name)));
}

void ScreenshotTour::RunReadout(QWidget* page, const char* intervalEdit, const char* startButton) {
    ShowPage(page);
    SetText(intervalEdit, kShortInterval);
    Click(startButton);
}

}  // namespace ui
