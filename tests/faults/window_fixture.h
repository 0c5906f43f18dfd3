// The window on the offscreen platform against the virtual chip beside the test executable:
// a fresh chip for each scenario, the language file and settings in a folder of the test's
// own, and the message boxes caught rather than shown.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QString>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "chip/UnitSPI.h"
#include "sim/qx5520_sim.h"
#include "tests/faults/tool_run.h"
#include "ui/main.h"
#include "ui/message_box.h"

namespace faults {

/// The chip's pauses take no time. With turning set, each pause moves on the time the
/// virtual magnet follows instead of the wall clock, so the magnet turns as the reads add up.
class TestClock : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        now += static_cast<double>(duration.count()) / 1000;
    }
    static double Seconds() { return now; }
    static inline double now = 1000.0;
};

struct Message {
    QMessageBox::Icon icon;
    QString text;
};

constexpr const char* kLanguage =
    "[Language]\nbtnStart=Start\nbtnStop=Stop\nvChipIdentified=identified\n"
    "vChipNotIdentified=\"not identified\"\nvChipNotConnected=\"not connected\"\n"
    "vNotDefined=unknown\nvChannelsFound=\"Channels: \"\n";

class WindowFault : public testing::Test {
  protected:
    void SetUp() override {
        chip::LoadAdapterLibrary();  // the virtual chip beside this executable
        void* handle = ::dlopen(QX_SIM_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(handle, nullptr);
        reset_ = reinterpret_cast<QX5520Sim_Reset_t>(::dlsym(handle, "QX5520Sim_Reset"));
        setClock_ = reinterpret_cast<QX5520Sim_SetClock_t>(::dlsym(handle, "QX5520Sim_SetClock"));
        ASSERT_NE(reset_, nullptr);
        ASSERT_NE(setClock_, nullptr);
        WriteFile(dir_ / "lang.eng", kLanguage);
        previous_ = ui::SetMessageBoxFunction(
            [this](QWidget*, QMessageBox::Icon icon, const QString&, const QString& text) {
                messages.push_back({icon, text});
            });
        // A report that offers a choice is a message too; the test's choices come first,
        // then Close.
        previousChoose_ =
            ui::SetChooseFunction([this](QWidget*, QMessageBox::Icon icon, const QString&,
                                         const QString& text, const QStringList&, const QString&) {
                messages.push_back({icon, text});
                if (choices.empty()) return -1;
                const int choice = choices.front();
                choices.erase(choices.begin());
                return choice;
            });
        // The numbers asked for: as given, or as the test sets them.
        previousAskNumbers_ = ui::SetAskNumbersFunction(
            [this](QWidget*, const QString&, std::vector<ui::NumberField>& fields) {
                for (size_t i = 0; i < fields.size() && i < numbers.size(); ++i) {
                    fields[i].value = numbers[i];
                }
                return true;
            });
    }
    void TearDown() override {
        window.reset();
        ui::SetMessageBoxFunction(previous_);  // empty: the real one again
        ui::SetChooseFunction(previousChoose_);
        ui::SetAskNumbersFunction(previousAskNumbers_);
        ::unsetenv("QX5520_SIM");
        if (setClock_ != nullptr) setClock_(nullptr);
    }

    /// A fresh virtual chip with the scenario keys; turning: its magnet follows the test
    /// clock (from 1000 s) rather than the wall clock.
    void Use(const std::string& keys, bool turning = false) {
        WriteFile(dir_ / "scenario.ini", "[sim]\nnoise=0\nrpm=0.5\n" + keys);
        ::setenv("QX5520_SIM", (dir_ / "scenario.ini").c_str(), 1);
        TestClock::now = 1000.0;
        setClock_(turning ? &TestClock::Seconds : nullptr);
        reset_();
    }

    ui::TF_Face& Open() {
        window = std::make_unique<ui::TF_Face>(
            ui::FaceOptions{dir_.path().string() + "/", {}, {}, &clock_, seconds_});
        return *window;
    }

    /// Opens the window with the exchange switched on, as a user does before measuring (a
    /// window before it may have stored the switch on already).
    ui::TF_Face& OpenSwitchedOn() {
        Open();
        QCheckBox* exchange = window->findChild<QCheckBox*>("cbConnect");
        if (!exchange->isChecked()) exchange->click();
        return *window;
    }

    template <typename Widget>
    Widget* Find(const char* name) const {
        return window->findChild<Widget*>(name);
    }

    static bool ProcessUntil(const std::function<bool()>& done, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents();
        return done();
    }

    TempDir dir_;
    TestClock clock_;
    /// The time of a reading; empty: the system clock.
    std::function<double()> seconds_;
    std::unique_ptr<ui::TF_Face> window;
    std::vector<Message> messages;
    std::vector<int> choices;     // the buttons a report with choices answers, in turn
    std::vector<double> numbers;  // the values a dialog of numbers answers

  private:
    QX5520Sim_Reset_t reset_ = nullptr;
    QX5520Sim_SetClock_t setClock_ = nullptr;
    ui::MessageBoxFunction previous_;
    ui::ChooseFunction previousChoose_;
    ui::AskNumbersFunction previousAskNumbers_;
};

}  // namespace faults
