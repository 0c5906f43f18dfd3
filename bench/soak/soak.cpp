// Soak run of the window against the virtual chip: the angle readout at 1 ms with logging
// on, the signal charts and the X-Y chart all running, for a given time (default 600 s), on
// the offscreen platform. Prints the lines logged against the ticks run for each page, the
// memory growth per chart point, and the event loop's worst latency. Exits 1 when a log lost
// or gained a line, an error was reported, or the window stopped answering.
//
//   soak [seconds] [--real-pause]
//
// Without --real-pause the register reads of the chart pages take no 100 ms pause (the
// virtual chip does not need it), so all three readouts run as fast as the window lets them.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "chip/ASens_Digital.h"
#include "ui/charts_page.h"
#include "ui/main.h"
#include "ui/message_box.h"
#include "ui/work_page.h"
#include "ui/xy_page.h"

namespace {

class NoPause : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds) override {}
};

class RealPause : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(duration);
    }
};

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

long DataLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    long lines = 0;
    std::string line;
    while (std::getline(in, line)) ++lines;
    return lines > 0 ? lines - 1 : 0;  // less the header
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    int seconds = 600;
    bool realPause = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--real-pause") {
            realPause = true;
        } else {
            seconds = std::max(1, std::atoi(argv[i]));
        }
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("qx_soak_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    { std::ofstream(dir / "scenario.ini") << "[sim]\nrpm=60\nnoise=3\n"; }
    if (qgetenv("QX5520_SIM").isEmpty()) {
        qputenv("QX5520_SIM", QByteArray::fromStdString((dir / "scenario.ini").string()));
    }

    QApplication application(argc, argv);
    int errors = 0;
    ui::SetMessageBoxFunction(
        [&errors](QWidget*, QMessageBox::Icon, const QString& title, const QString& text) {
            ++errors;
            std::fprintf(stderr, "message box: %s: %s\n", title.toUtf8().constData(),
                         text.toUtf8().constData());
        });
    NoPause noPause;
    RealPause realClock;
    ui::FaceOptions options;
    options.exePath = dir.string() + "/";
    options.clock = realPause ? static_cast<chip::Clock*>(&realClock) : &noPause;
    auto window = std::make_unique<ui::TF_Face>(options);
    window->show();

    ui::WorkPage& work = *window->tsWork;
    ui::ChartsPage& charts = *window->tsCharts;
    ui::XYPage& xy = *window->tsXYChart;
    const std::filesystem::path angleLog = dir / "angle.csv";
    const std::filesystem::path chartLog = dir / "charts.csv";
    const std::filesystem::path xyLog = dir / "xy.csv";
    work.EditAngleDataFile->setText(QString::fromStdString(angleLog.string()));
    work.cbSaveToFile->setChecked(true);
    work.EditAngleWorkDataInt->setText("1");
    charts.EditChartsFile->setText(QString::fromStdString(chartLog.string()));
    charts.cbSaveChartsToFile->setChecked(true);
    charts.EditInterval->setText("1");
    xy.EditXYFilename->setText(QString::fromStdString(xyLog.string()));
    xy.cbSaveXYToFile->setChecked(true);
    xy.EditXYInt->setText("1");

    long chartTicks = 0;
    long xyTicks = 0;
    QObject::connect(charts.Timer, &QTimer::timeout, [&] { ++chartTicks; });
    QObject::connect(xy.TimerXYData, &QTimer::timeout, [&] { ++xyTicks; });

    // Event-loop latency: how late a 10 ms precise timer fires.
    QElapsedTimer clock;
    clock.start();
    qint64 expected = 10;
    qint64 worstLatency = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worstLatency = std::max(worstLatency, now - expected);
        expected = now + 10;
    });

    work.BtnStartAngleWrkData->click();
    charts.btnStart->click();
    xy.btnStartXYChart->click();
    chartTicks = 1;  // the tick each start branch runs itself
    xyTicks = 1;
    probe.start(10);
    expected = clock.elapsed() + 10;

    long warmRss = -1;
    long warmPoints = 0;
    // Every tick adds one point to its charts: one angle point, five signal points, one X-Y.
    auto pointsNow = [&] { return long(work.AngleTickCount) + 5 * chartTicks + xyTicks; };
    QTimer::singleShot(std::min(10, seconds / 2) * 1000, [&] {
        warmRss = ResidentKiB();
        warmPoints = pointsNow();
    });
    QTimer::singleShot(seconds * 1000, [&] {
        // The stop branch; each armed timer still fires once more.
        work.BtnStartAngleWrkData->click();
        QTimer::singleShot(500, &application, &QApplication::quit);
    });
    const long startRss = ResidentKiB();
    application.exec();
    probe.stop();

    const long endRss = ResidentKiB();
    const uint32_t angleTicks = work.AngleTickCount;
    const long angleLines = DataLines(angleLog);
    const long chartLines = DataLines(chartLog);
    const long xyLines = DataLines(xyLog);
    const double ranFor = clock.elapsed() / 1000.0;
    const long points = pointsNow();
    const long grownFrom = warmRss > 0 ? warmRss : startRss;
    const long pointsSince = points - warmPoints;

    std::printf("soak: %.0f s, %s read pause\n", ranFor, realPause ? "real 100 ms" : "no");
    std::printf("angle readout: %u ticks, %ld lines logged (%.0f ticks/s)\n", angleTicks,
                angleLines, angleTicks / ranFor);
    std::printf("signal charts: %ld ticks, %ld lines logged\n", chartTicks, chartLines);
    std::printf("X-Y chart: %ld ticks, %ld lines logged\n", xyTicks, xyLines);
    std::printf(
        "memory: %ld KiB at start, %ld KiB after warm-up, %ld KiB at the end; %.1f "
        "bytes per chart point after warm-up (%ld points in all)\n",
        startRss, warmRss, endRss,
        pointsSince > 0 ? (endRss - grownFrom) * 1024.0 / pointsSince : 0.0, points);
    std::printf("event loop: worst latency %lld ms\n", static_cast<long long>(worstLatency));
    std::printf("errors reported: %d\n", errors);

    const bool good = long(angleTicks) == angleLines && chartTicks == chartLines &&
                      xyTicks == xyLines && errors == 0 && angleTicks > 0;
    window.reset();
    std::filesystem::remove_all(dir);
    std::printf("soak: %s\n", good ? "ok" : "FAILED");
    return good ? 0 : 1;
}
