#include "app/version.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

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
    const fs::path dir = fs::temp_directory_path() / "qx_version_test";
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

}  // namespace
