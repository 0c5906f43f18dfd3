// The version resource of the cross-built executable, read through the Windows version API.
#if defined(_WIN32)

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/shell.h"
#include "app/version.h"

namespace {

TEST(WindowsVersionResource, ExecutableCarriesFileVersionOneZeroThreeZero) {
    EXPECT_EQ(app::FileVersionString(app::ExecutableDirectory() + "qx5520.exe"), "1.0.3.0");
}

TEST(WindowsVersionResource, ExecutableWithoutResourceIsAnErrorNamingTheFile) {
    // chip_tests.exe is built without a version resource.
    const std::string file = app::ExecutableDirectory() + "chip_tests.exe";
    try {
        app::FileVersionString(file);
        ADD_FAILURE() << "a version from " << file;
    } catch (const std::runtime_error& error) {
        EXPECT_FALSE(std::string(error.what()).empty());
    }
}

}  // namespace

#endif
