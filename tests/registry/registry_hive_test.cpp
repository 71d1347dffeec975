// Hive files: created at the first write, shared by processes writing at
// once, read-only for processes that may not write them, and refused when
// damaged or foreign. Each case runs the registry in peer processes given
// hive files of their own.
#include "registry/registry_test_keys.h"

#include "common/test_environment.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using kmxtest::ChildProcess;
using kmxtest::ProgramPath;
using kmxtest::TestDirectory;
namespace fs = std::filesystem;

std::unique_ptr<ChildProcess> Peer(std::vector<std::string> options) {
    return std::make_unique<ChildProcess>(ProgramPath("registry_peer"), options);
}

// Sends COMMAND to PEER and returns its answer.
std::string Ask(ChildProcess& peer, const std::string& command) {
    peer.WriteLine(command);
    return peer.ReadLine().value_or("no answer");
}

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Makes PATH the hive of ROOT ("HKCU" or "HKLM") holding Software\Kmx with
// "Speed" = 5, with every page in the hive file itself.
void MakeHive(const std::string& root, const std::string& path) {
    {
        auto maker = Peer({root == "HKCU" ? "--hkcu" : "--hklm", path});
        ASSERT_EQ(Ask(*maker, "create " + root + " Software\\Kmx all"), "ok");
        ASSERT_EQ(Ask(*maker, "set Speed 5"), "ok");
    }
    // Kept WAL files, as the registry keeps them, let readers that may not
    // create files open the hive.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    int keep_wal = 1;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &keep_wal);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
}

TEST(RegistryHive, HiveAndFolderAppearAtTheFirstWriteAndOutliveTheWriter) {
    std::string folder = TestDirectory() + "/fresh/user";
    std::string hive = folder + "/HKCU.db";
    {
        auto peer = Peer({"--hkcu", hive});
        EXPECT_EQ(Ask(*peer, "open HKCU Software read"), "error 2");
        EXPECT_EQ(Ask(*peer, "root HKCU"), "ok");
        EXPECT_EQ(Ask(*peer, "get Speed"), "error 2");
        EXPECT_FALSE(fs::exists(TestDirectory() + "/fresh")) << "reads must not create the hive";
        EXPECT_EQ(Ask(*peer, "create HKCU Software\\Kmx all"), "ok");
        EXPECT_TRUE(fs::exists(hive));
        EXPECT_EQ(Ask(*peer, "set Speed 42"), "ok");
        peer->Kill(SIGKILL);
    }
    auto reader = Peer({"--hkcu", hive});
    EXPECT_EQ(Ask(*reader, "open HKCU Software\\KMX read"), "ok");
    EXPECT_EQ(Ask(*reader, "get speed"), "value 42");
}

TEST(RegistryHive, ProcessesWritingAtOnceLoseNothing) {
    constexpr int kPeers = 3;
    constexpr DWORD kValues = 300;
    HKEY key = kmxtest::CreateKey(HKEY_CURRENT_USER, kmxtest::TestKeyPath());
    std::vector<std::unique_ptr<ChildProcess>> peers;
    for (int index = 0; index < kPeers; ++index) {
        peers.push_back(Peer({}));
        ASSERT_EQ(Ask(*peers.back(), "open HKCU " + kmxtest::TestKeyPath() + " all"), "ok");
    }
    for (int index = 0; index < kPeers; ++index)
        peers[index]->WriteLine("set-many peer" + std::to_string(index) + "_ " +
                                std::to_string(kValues));
    for (DWORD index = 0; index < kValues; ++index)
        ASSERT_EQ(kmxtest::SetDword(key, ("self_" + std::to_string(index)).c_str(), index),
                  ERROR_SUCCESS);
    for (auto& peer : peers) EXPECT_EQ(peer->ReadLine(std::chrono::seconds(100)), "ok");

    DWORD count = 0;
    char name[32];
    DWORD chars = sizeof name;
    while (RegEnumValueA(key, count, name, &chars, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
        ++count;
        chars = sizeof name;
    }
    EXPECT_EQ(count, (kPeers + 1) * kValues);
    for (int writer = 0; writer < kPeers; ++writer) {
        for (DWORD index = 0; index < kValues; ++index) {
            std::string value_name = "peer" + std::to_string(writer) + "_" + std::to_string(index);
            DWORD value = ~0u;
            ASSERT_EQ(kmxtest::QueryDword(key, value_name.c_str(), &value), ERROR_SUCCESS);
            EXPECT_EQ(value, index);
        }
    }
    RegCloseKey(key);
}

TEST(RegistryHive, ProcessThatMayNotWriteTheHiveOnlyReadsIt) {
    std::string folder = TestDirectory() + "/machine";
    std::string hive = folder + "/HKLM.db";
    MakeHive("HKLM", hive);
    // Run by root, the peer gives up its privileges and needs to reach the
    // files as anybody would.
    chmod(TestDirectory().c_str(), 0755);
    chmod(hive.c_str(), 0444);
    chmod(folder.c_str(), 0555);

    auto reader = Peer({"--hklm", hive, "--unprivileged"});
    EXPECT_EQ(Ask(*reader, "open HKLM Software\\Kmx all"), "error 5");
    EXPECT_EQ(Ask(*reader, "create HKLM Software\\Other read"), "error 5");
    EXPECT_EQ(Ask(*reader, "create HKLM Software\\Kmx read"), "ok")
        << "it exists: nothing to write";
    EXPECT_EQ(Ask(*reader, "open HKLM Software\\Kmx read"), "ok");
    EXPECT_EQ(Ask(*reader, "get Speed"), "value 5");
    EXPECT_EQ(Ask(*reader, "set Speed 6"), "error 5");
    EXPECT_EQ(Ask(*reader, "root HKLM"), "ok");
    EXPECT_EQ(Ask(*reader, "set Speed 6"), "error 5");
    EXPECT_EQ(Ask(*reader, "notify-async 4"), "armed");

    // A hive that it would have to create in a folder it may not write.
    auto outsider = Peer({"--hklm", folder + "/inner/HKLM.db", "--unprivileged"});
    EXPECT_EQ(Ask(*outsider, "create HKLM Software\\Kmx all"), "error 5");
    EXPECT_EQ(Ask(*outsider, "open HKLM Software\\Kmx read"), "error 2");

    chmod(folder.c_str(), 0755);
    chmod(hive.c_str(), 0644);
}

TEST(RegistryHive, DamagedOrForeignFilesAreRefusedAndLeftAlone) {
    std::string text = TestDirectory() + "/text.db";
    std::ofstream(text) << std::string(8192, 'x');

    std::string foreign = TestDirectory() + "/foreign.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE settings(name, value); INSERT INTO settings "
                           "VALUES('Speed', 5);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    std::string damaged = TestDirectory() + "/damaged.db";
    MakeHive("HKCU", damaged);
    {
        std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096);
        file << std::string(fs::file_size(damaged) - 4096, '\xA5');
    }

    for (const std::string& hive : {text, foreign, damaged}) {
        std::string before = Contents(hive);
        auto peer = Peer({"--hkcu", hive});
        EXPECT_EQ(Ask(*peer, "open HKCU Software\\Kmx read"), "error 1009") << hive;
        EXPECT_EQ(Ask(*peer, "create HKCU Software\\New all"), "error 1009") << hive;
        EXPECT_EQ(Ask(*peer, "root HKCU"), "ok");
        EXPECT_EQ(Ask(*peer, "set Speed 1"), "error 1009") << hive;
        EXPECT_EQ(Ask(*peer, "get Speed"), "error 1009") << hive;
        EXPECT_EQ(Contents(hive), before) << hive;
    }

    auto peer = Peer({"--hkcu", TestDirectory()});
    EXPECT_EQ(Ask(*peer, "open HKCU Software read"), "error 1011");
}

// The hive of HKEY_CURRENT_USER of the test process.
std::string UserHive() {
    return getenv("KMX512_HKCU");
}

TEST(RegistryHive, AWriterHeldUpByAnotherGivesUpWithARegistryError) {
    HKEY key = kmxtest::CreateKey(HKEY_CURRENT_USER, kmxtest::TestKeyPath());
    ASSERT_EQ(kmxtest::SetDword(key, "Speed", 1), ERROR_SUCCESS);
    // Another connection takes the write lock and keeps it, as a stuck
    // process would.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(UserHive().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    auto writer =
        std::async(std::launch::async, [key] { return kmxtest::SetDword(key, "Speed", 2); });
    bool ended = writer.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    ASSERT_TRUE(ended) << "the writer waits for good";
    EXPECT_EQ(writer.get(), ERROR_REGISTRY_IO_FAILED);
    DWORD speed = 0;
    EXPECT_EQ(kmxtest::QueryDword(key, "Speed", &speed), ERROR_SUCCESS);
    EXPECT_EQ(speed, 1u);
    EXPECT_EQ(kmxtest::SetDword(key, "Speed", 3), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(RegistryHive, AHiveCutShortOrReplacedUnderALiveConnectionIsNoticed) {
    const std::string hive = UserHive();
    HKEY key = kmxtest::CreateKey(HKEY_CURRENT_USER, kmxtest::TestKeyPath());
    ASSERT_EQ(kmxtest::SetDword(key, "Speed", 1), ERROR_SUCCESS);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(hive.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    DWORD speed = 0;
    ASSERT_EQ(kmxtest::QueryDword(key, "Speed", &speed), ERROR_SUCCESS);

    ASSERT_EQ(truncate(hive.c_str(), 0), 0);
    EXPECT_EQ(kmxtest::SetDword(key, "Speed", 2), ERROR_BADDB);
    EXPECT_EQ(kmxtest::QueryDword(key, "Speed", &speed), ERROR_BADDB);
    HKEY again = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &again, nullptr),
              ERROR_BADDB);
    EXPECT_EQ(fs::file_size(hive), 0u) << "the damaged hive was written";

    // A new hive in its place is used; handles on the old one are gone.
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(hive + suffix);
    HKEY fresh = kmxtest::CreateKey(HKEY_CURRENT_USER, kmxtest::TestKeyPath());
    EXPECT_EQ(kmxtest::QueryDword(fresh, "Speed", &speed), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(kmxtest::SetDword(key, "Speed", 4), ERROR_KEY_DELETED);
    RegCloseKey(fresh);
    RegCloseKey(key);
}

}  // namespace
