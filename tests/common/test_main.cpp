// The main of every test program: gives the process a private runtime
// directory and private registry hives before any test runs, so that tests
// never touch a user's settings and can run in parallel.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace kmxtest {
void SetTestDirectory(const std::string& directory);
}

int main(int argc, char** argv) {
    // A child that dies must not take the test with it through SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    std::string pattern = (std::filesystem::temp_directory_path() / "kmx512-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 2;
    const std::string& directory = pattern;
    kmxtest::SetTestDirectory(directory);
    setenv("KMX512_RUNTIME_DIR", (directory + "/run").c_str(), 1);
    setenv("KMX512_HKCU", (directory + "/HKCU.db").c_str(), 1);
    setenv("KMX512_HKLM", (directory + "/HKLM.db").c_str(), 1);
    unsetenv("KMX512_PLUGIN_PATH");

    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (!getenv("KMX_KEEP_TEST_DIRECTORY")) {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    return result;
}
