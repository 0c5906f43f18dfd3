// The start/stop rule and the tick frame shared by the periodic readouts (angle data, signal
// charts, X-Y chart, angle accuracy). They share one run flag, WindowContext::bStarted.
#pragma once

#include <functional>

#include "ui/window_context.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace ui {

class PeriodicReadout {
  public:
    /// tick is the page's tick handler; onStart runs in the start branch after the flag is
    /// set and before the interval is read (the X-Y page resets its extremes there).
    PeriodicReadout(WindowContext& context, QPushButton* button, QLineEdit* intervalEdit,
                    QTimer* timer, std::function<void()> tick, std::function<void()> onStart = {});

    /// The start/stop button was pressed. The decision is made on the caption: the start text
    /// starts (stop text, flag set, interval read, one tick at once); any other caption clears
    /// the flag and shows the start text, leaving an armed timer to fire once more. When the
    /// start and stop texts are the same the page's own run state decides instead.
    void StartStopClick();

    /// Runs one reading inside the tick frame: the timer is off during it and is re-armed
    /// afterwards only while the run flag is set (and the interval is positive: a Qt timer with
    /// interval 0 would fire continuously). An error ends the reading: it is reported and the
    /// timer stays off. A reading throws app::TransferFailure when the adapter did not
    /// complete one of its transfers, before it adds a point or logs a line.
    void Tick(const std::function<void()>& reading);

    /// Ends the run as a stop does (the flag cleared, the start text shown), whatever the
    /// caption says: for a page whose run ends by itself.
    void Stop();

    /// The interval of the last start, in milliseconds (100 for a text that is no integer).
    int Interval() const { return interval_; }

    /// Started, and not yet stopped or ended by an error or a last reading.
    bool Running() const { return running_; }

    /// This readout needs the chip to itself (the accuracy recording): it starts only while
    /// no other readout runs, and while it runs the window sends no other chip traffic.
    void SetExclusive() { exclusive_ = true; }

  private:
    bool StartsOnClick() const;
    void SetRunning(bool running);

    WindowContext& context_;
    QPushButton* button_;
    QLineEdit* intervalEdit_;
    QTimer* timer_;
    std::function<void()> tick_;
    std::function<void()> onStart_;
    int interval_ = 0;
    bool running_ = false;  // started and not stopped, ended by an error or a last reading
    bool exclusive_ = false;
};

/// Shows an error raised by a handler through the window's general error report.
void ReportError(WindowContext& context, const char* text);

}  // namespace ui
