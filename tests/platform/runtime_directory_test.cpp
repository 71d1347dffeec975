// The runtime directory is where this user's processes meet: named objects,
// shared sections and camera services. Only a private directory of this user
// may serve; any other could be another user's trap.
#include <windows.h>
#include <kmxwin/runtime_directory.h>

#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/test_environment.h"

namespace {

class RuntimeDirectory : public testing::Test {
  protected:
    void SetUp() override {
        original_ = getenv("KMX512_RUNTIME_DIR");
        base_ = kmxtest::TestDirectory() + "/runtime";
        ASSERT_EQ(mkdir(base_.c_str(), 0700), 0);
    }
    void TearDown() override { setenv("KMX512_RUNTIME_DIR", original_.c_str(), 1); }

    // The directory in use once KMX512_RUNTIME_DIR names PATH; empty when
    // it is refused.
    static std::string Use(const std::string& path) {
        setenv("KMX512_RUNTIME_DIR", path.c_str(), 1);
        char buffer[PATH_MAX];
        DWORD length = KmxWinGetRuntimeDirectory(buffer, sizeof buffer);
        return length ? std::string(buffer, length) : std::string();
    }

    std::string original_;
    std::string base_;
};

TEST_F(RuntimeDirectory, AMissingOneIsMadePrivateWhateverTheUmask) {
    const std::string path = base_ + "/fresh";
    mode_t umask_before = umask(0277);
    std::string used = Use(path);
    umask(umask_before);
    EXPECT_EQ(used, path);
    struct stat info;
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "runtime directory test");
    EXPECT_NE(mutex, nullptr);
    CloseHandle(mutex);
}

TEST_F(RuntimeDirectory, OneOthersCouldReachIsRefusedAndLeftUntouched) {
    const std::string shared = base_ + "/shared", group = base_ + "/group";
    const std::string link = base_ + "/link", file = base_ + "/file";
    const std::string foreign = base_ + "/foreign", target = base_ + "/target";
    ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
    ASSERT_EQ(chmod(shared.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(group.c_str(), 0700), 0);
    ASSERT_EQ(chmod(group.c_str(), 0770), 0);
    ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    std::ofstream(file) << "not a directory";
    std::vector<std::string> refused = {shared, group, link, file};
    // Only root can give a directory to another user.
    if (geteuid() == 0) {
        ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
        ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
        refused.push_back(foreign);
    }
    for (const std::string& path : refused) {
        SetLastError(0);
        EXPECT_EQ(Use(path), "") << path;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << path;
        EXPECT_EQ(CreateMutexA(nullptr, FALSE, "runtime directory test"), nullptr) << path;
    }
    // Nothing was made in them, nor through the link.
    for (const std::string& path : {shared, group, target})
        EXPECT_EQ(rmdir(path.c_str()), 0) << path << " is not empty";
}

}  // namespace
