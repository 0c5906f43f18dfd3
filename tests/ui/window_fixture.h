// The one fixture of the window tests: a folder of the test's own standing in for the
// executable's, and every dialog the window would show caught rather than shown: message
// boxes recorded, reports with choices answered from `choices`, dialogs of numbers from
// `numbers`, desktop opens recorded and answered by `desktopOpens`.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ui/main.h"
#include "ui/message_box.h"

namespace window_test {

struct Message {
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("qx_window_") + std::to_string(QCoreApplication::applicationPid()) +
                "_" + test->test_suite_name() + "_" + test->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        previousBox_ = ui::SetMessageBoxFunction(
            [this](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text) {
                messages.push_back({icon, title, text});
            });
        // A report that offers a choice is a message too; the test's choices come first,
        // then Close.
        previousChoose_ =
            ui::SetChooseFunction([this](QWidget*, QMessageBox::Icon icon, const QString& title,
                                         const QString& text, const QStringList&, const QString&) {
                messages.push_back({icon, title, text});
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
        previousOpen_ = ui::SetOpenUrlFunction([this](const QUrl& url) {
            opened.push_back(url);
            return desktopOpens;
        });
    }

    void TearDown() override {
        window.reset();
        ui::SetMessageBoxFunction(previousBox_);  // empty: the real one again
        ui::SetChooseFunction(previousChoose_);
        ui::SetAskNumbersFunction(previousAskNumbers_);
        ui::SetOpenUrlFunction(previousOpen_);
        std::filesystem::remove_all(dir_);
    }

    std::string ExePath() const { return dir_.string() + "/"; }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(dir_ / name, std::ios::binary) << content;
    }

    std::string Read(const std::string& name) const {
        std::ifstream stream(dir_ / name, std::ios::binary);
        std::ostringstream content;
        content << stream.rdbuf();
        return content.str();
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    /// Copies a language file the build placed beside the test executable.
    void CopyShipped(const std::string& name) const {
        const std::filesystem::path shipped =
            QCoreApplication::applicationDirPath().toStdString() + "/" + name;
        std::filesystem::copy_file(shipped, dir_ / name);
    }

    /// The window over this folder, with the test's clock and reading times when set.
    ui::TF_Face& Open() {
        window = std::make_unique<ui::TF_Face>(ui::FaceOptions{ExePath(), {}, {}, clock, seconds});
        return *window;
    }

    template <typename Widget>
    Widget* Find(const char* name) const {
        return window->findChild<Widget*>(name);
    }

    /// Runs the event loop until done() holds or `ms` pass; returns done().
    static bool ProcessUntil(const std::function<bool()>& done, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents();
        return done();
    }

    std::unique_ptr<ui::TF_Face> window;
    std::vector<Message> messages;
    std::vector<QUrl> opened;
    bool desktopOpens = true;      // what the desktop answers an open
    std::vector<int> choices;      // the buttons a report with choices answers, in turn
    std::vector<double> numbers;   // the values a dialog of numbers answers
    chip::Clock* clock = nullptr;  // the pause of every register read; null: the real one
    /// The time of a reading; empty: the system clock.
    std::function<double()> seconds;
    std::filesystem::path dir_;

  private:
    ui::MessageBoxFunction previousBox_;
    ui::ChooseFunction previousChoose_;
    ui::AskNumbersFunction previousAskNumbers_;
    ui::OpenUrlFunction previousOpen_;
};

}  // namespace window_test
