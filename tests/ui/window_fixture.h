// What the window tests share: a directory of their own standing in for the executable's,
// and a record of the message boxes and desktop calls the window makes.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <fstream>
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
        previousOpen_ = ui::SetOpenUrlFunction([this](const QUrl& url) {
            opened.push_back(url);
            return desktopOpens;
        });
    }

    void TearDown() override {
        window.reset();
        ui::SetMessageBoxFunction(previousBox_);
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

    ui::TF_Face& Open() {
        window = std::make_unique<ui::TF_Face>(ui::FaceOptions{ExePath(), {}, {}, nullptr, {}});
        return *window;
    }

    template <typename Widget>
    Widget* Find(const char* name) const {
        return window->findChild<Widget*>(name);
    }

    std::unique_ptr<ui::TF_Face> window;
    std::vector<Message> messages;
    std::vector<QUrl> opened;
    bool desktopOpens = true;  // what the desktop answers an open

  private:
    std::filesystem::path dir_;
    ui::MessageBoxFunction previousBox_;
    ui::OpenUrlFunction previousOpen_;
};

}  // namespace window_test
