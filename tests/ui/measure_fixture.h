// What the measurement page tests share: a window context around a TASensDig whose adapter
// is the register tests' fake chip and whose read pause is counted, not slept.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"
#include "ui/window_context.h"

namespace measure_test {

class MeasureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("qx_measure_") + std::to_string(QCoreApplication::applicationPid()) +
                "_" + test->test_suite_name() + "_" + test->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        fake::Install(chip_);
        context.chip = &dig_;
        context.ExePath = dir_.string() + "/";
        context.texts.btnStart = "Старт";
        context.texts.btnStop = "Стоп";
        context.texts.vTurnOn = "Включить индикатор";
        context.texts.vTurnOff = "Выключить индикатор";
        context.reportError = [this](const QString& text) { errors.push_back(text); };
        context.saveSettings = [this] { ++saves; };
    }

    void TearDown() override { std::filesystem::remove_all(dir_); }

    /// The word the next angle frames answer: the fake chip answers the last addressed
    /// register, and the angle frame carries no address.
    void SetAngleWord(uint16_t word) {
        chip_.address = 0;
        chip_.registers[0] = word;
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    QString QPathOf(const std::string& name) const { return QString::fromStdString(PathOf(name)); }

    std::string Read(const std::string& name) const {
        std::ifstream stream(dir_ / name, std::ios::binary);
        std::ostringstream content;
        content << stream.rdbuf();
        return content.str();
    }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(dir_ / name, std::ios::binary) << content;
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    /// Runs the event loop for a while.
    static void ProcessFor(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) QCoreApplication::processEvents();
    }

    /// Runs the event loop until done() holds or two seconds pass.
    static bool ProcessUntil(const std::function<bool()>& done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 2000) QCoreApplication::processEvents();
        return done();
    }

    ui::WindowContext context;
    std::vector<QString> errors;
    int saves = 0;
    fake::Chip chip_;
    fake::Clock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
    std::filesystem::path dir_;
};

}  // namespace measure_test
