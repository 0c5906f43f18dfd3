#include "app/files/folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "chip/utf8_path.h"
#include "tests/app/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class FoldersTest : public ::testing::Test {
  protected:
    app::Folders Choose(bool programWritable) {
        return app::ChooseFolders(
            program, [this](const char* name) { return fs::path(variables[name]); },
            [programWritable](const fs::path&) { return programWritable; });
    }
    std::string Folder(const fs::path& path) { return chip::Utf8FromPath(path / ""); }

    qxtest::TempDir dir;
    std::string program = "/usr/lib/qx5520/";
    std::map<std::string, std::string> variables;
};

TEST_F(FoldersTest, AWritableProgramFolderKeepsEverythingBesideTheExecutable) {
    variables["HOME"] = dir.path().string();
    const app::Folders folders = Choose(true);
    EXPECT_EQ(folders.settings, program);
    EXPECT_EQ(folders.data, program);
    EXPECT_FALSE(fs::exists(dir.path() / ".config")) << "nothing made for a portable copy";
}

#if !defined(_WIN32)
TEST_F(FoldersTest, AnInstalledCopyUsesTheUsersConfigAndDataFoldersAndMakesThem) {
    variables["HOME"] = dir.path().string();
    app::Folders folders = Choose(false);
    EXPECT_EQ(folders.settings, Folder(dir.path() / ".config" / "qx5520"));
    EXPECT_EQ(folders.data, Folder(dir.path() / ".local" / "share" / "qx5520"));
    EXPECT_TRUE(fs::is_directory(dir.path() / ".config" / "qx5520"));
    EXPECT_TRUE(fs::is_directory(dir.path() / ".local" / "share" / "qx5520"));
    EXPECT_EQ(fs::status(dir.path() / ".local").permissions(), fs::perms::owner_all)
        << "a folder made here is its owner's only";

    // The base directory variables take precedence; a relative one is ignored.
    variables["XDG_CONFIG_HOME"] = (dir.path() / "cfg").string();
    variables["XDG_DATA_HOME"] = "relative/share";
    folders = Choose(false);
    EXPECT_EQ(folders.settings, Folder(dir.path() / "cfg" / "qx5520"));
    EXPECT_EQ(folders.data, Folder(dir.path() / ".local" / "share" / "qx5520"));
}

TEST_F(FoldersTest, WithoutAHomeTheProgramFolderStays) {
    const app::Folders folders = Choose(false);
    EXPECT_EQ(folders.settings, program);
    EXPECT_EQ(folders.data, program);
}
#else
TEST_F(FoldersTest, AnInstalledCopyUsesAppData) {
    variables["APPDATA"] = dir.path().string();
    const app::Folders folders = Choose(false);
    EXPECT_EQ(folders.settings, Folder(dir.path() / "QX5520"));
    EXPECT_EQ(folders.data, folders.settings);
    EXPECT_TRUE(fs::is_directory(dir.path() / "QX5520"));
}
#endif

TEST_F(FoldersTest, AFolderIsWritableWhenAFileCanBeMadeInIt) {
    EXPECT_TRUE(app::FolderWritable(dir.path()));
    EXPECT_TRUE(fs::is_empty(dir.path())) << "the probe file stays behind";
    EXPECT_FALSE(app::FolderWritable(dir.path() / "missing"));
}

}  // namespace
