#include "app/version.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "temp_dir.h"

#ifdef __linux__
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "chip/UnitFTDI.h"
#endif

namespace {

TEST(Version, FormatsFourDecimalNumbersWithoutLeadingZeros) {
    EXPECT_EQ(app::FormatVersion(1, 0, 3, 0), "1.0.3.0");
    EXPECT_EQ(app::FormatVersion(10, 2, 65535, 7), "10.2.65535.7");
}

TEST(Version, TheRunningExecutableCarriesTheProjectVersion) {
    EXPECT_EQ(app::FileVersionString(), "1.0.3.0");
}

TEST(Version, AFileWithoutAVersionRecordIsAnErrorWithTheReason) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("qx_version_test_" + std::to_string(QX_GETPID()));
    fs::create_directories(dir);
    std::ofstream(dir / "text") << "not an executable\n";
    struct Case {
        fs::path file;
        const char* reason;
    };
#ifdef _WIN32
    // The version API words its own reasons; the file name must still be in the message.
    const Case cases[] = {
        {dir / "absent", ""},
        {dir / "text", ""},
    };
#else
    const Case cases[] = {
        {dir / "absent", "No such file"},
        {dir / "text", "not an executable"},
        {"/bin/sh", "no version record"},
    };
#endif
    for (const Case& c : cases) {
        try {
            app::FileVersionString(c.file.string());
            ADD_FAILURE() << c.file << " gave a version";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.file.string()), std::string::npos);
        }
    }
    fs::remove_all(dir);
}

#ifdef __linux__
TEST(Version, AnUnreadableRunningExecutableIsNamedByItsRealPath) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer runtime itself needs file descriptors in a child that may open none.
    GTEST_SKIP() << "not under the sanitizers";
#endif
    const std::string path = chip::ExecutablePath().string();
    ASSERT_FALSE(path.empty());
    const std::string expected =
        "The version information of " + path + " cannot be read: Too many open files";
    // A child process that may open no file at all cannot read its own executable. It
    // answers by its exit code: 0 the expected message, 1 another message, 2 a version.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit none{0, 0};
        if (::setrlimit(RLIMIT_NOFILE, &none) != 0) ::_exit(3);
        try {
            app::FileVersionString();
        } catch (const std::runtime_error& error) {
            ::_exit(error.what() == expected ? 0 : 1);
        }
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "expected: " << expected;
}
#endif

}  // namespace
