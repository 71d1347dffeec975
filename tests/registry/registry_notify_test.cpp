// RegNotifyChangeKeyValue: what wakes a watch, in this process and across
// processes.
#include "registry/registry_test_keys.h"

#include "common/test_environment.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

using kmxtest::ChildProcess;
using kmxtest::CreateKey;
using kmxtest::ProgramPath;
using kmxtest::SetDword;
using kmxtest::TestKeyPath;

bool Signalled(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// Runs a synchronous wait on another thread and makes changes with CHANGE
// until the wait returns. The change that comes after the wait has begun
// wakes it; changes before that are not reported to it.
LSTATUS WaitWhileChanging(HKEY key, DWORD filter, const std::function<void()>& change) {
    std::atomic<bool> done{false};
    LSTATUS status = ERROR_GEN_FAILURE;
    std::thread waiter([&] {
        status = RegNotifyChangeKeyValue(key, FALSE, filter, nullptr, FALSE);
        done = true;
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        change();
        std::this_thread::yield();
    }
    waiter.join();
    return status;
}

TEST(RegistryNotify, AsynchronousWatchSignalsOnceForTheChangesItAsksFor) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
              ERROR_SUCCESS);
    RegCloseKey(CreateKey(key, "Child"));
    EXPECT_FALSE(Signalled(event)) << "a new sub-key is not a value change";
    ASSERT_EQ(SetDword(key, "Value", 1), ERROR_SUCCESS);
    EXPECT_TRUE(Signalled(event));

    // Fired once: the next change is kept for the next request, which then
    // completes at once.
    ASSERT_EQ(SetDword(key, "Value", 2), ERROR_SUCCESS);
    EXPECT_FALSE(Signalled(event));
    ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
              ERROR_SUCCESS);
    EXPECT_TRUE(Signalled(event));
    ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
              ERROR_SUCCESS);
    EXPECT_FALSE(Signalled(event));
    ASSERT_EQ(RegDeleteValueA(key, "Value"), ERROR_SUCCESS);
    EXPECT_TRUE(Signalled(event));

    RegCloseKey(key);

    // Sub-keys coming and going are name changes.
    key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_NAME, event, TRUE),
              ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Other", 1), ERROR_SUCCESS);
    EXPECT_FALSE(Signalled(event));
    ASSERT_EQ(RegDeleteKeyA(key, "Child"), ERROR_SUCCESS);
    EXPECT_TRUE(Signalled(event));
    RegCloseKey(key);
    CloseHandle(event);
}

TEST(RegistryNotify, SynchronousWaitReturnsAtAChange) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    HKEY writer = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    DWORD counter = 0;
    EXPECT_EQ(WaitWhileChanging(key, REG_NOTIFY_CHANGE_LAST_SET,
                                [&] { SetDword(writer, "Counter", ++counter); }),
              ERROR_SUCCESS);
    RegCloseKey(writer);
    RegCloseKey(key);
}

TEST(RegistryNotify, ClosingOrDeletingTheKeyEndsItsWatches) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath() + "\\Watched");
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(Signalled(event));

    // A synchronous wait returns when another thread closes its key (or at
    // once, when the close came first).
    key = CreateKey(HKEY_CURRENT_USER, TestKeyPath() + "\\Watched");
    LSTATUS status = WaitWhileChanging(key, REG_NOTIFY_CHANGE_LAST_SET, [&] { RegCloseKey(key); });
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_INVALID_HANDLE) << status;

    // Deleting the key signals the watch; the handle then refuses new ones.
    key = CreateKey(HKEY_CURRENT_USER, TestKeyPath() + "\\Watched");
    ResetEvent(event);
    ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_NAME, event, TRUE),
              ERROR_SUCCESS);
    HKEY parent = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    ASSERT_EQ(RegDeleteKeyA(parent, "Watched"), ERROR_SUCCESS);
    EXPECT_TRUE(Signalled(event));
    EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_NAME, event, TRUE),
              ERROR_KEY_DELETED);
    RegCloseKey(key);
    RegCloseKey(parent);
    CloseHandle(event);
}

TEST(RegistryNotify, RefusesBadRequests) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    for (DWORD filter : {0x0u, 0x100u})
        EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, filter, event, TRUE),
                  ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, nullptr, TRUE),
              ERROR_INVALID_PARAMETER);
    HKEY no_notify = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, "", 0, KEY_QUERY_VALUE, &no_notify), ERROR_SUCCESS);
    EXPECT_EQ(RegNotifyChangeKeyValue(no_notify, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
              ERROR_ACCESS_DENIED);
    RegCloseKey(no_notify);
    RegCloseKey(key);
    CloseHandle(event);
}

// Another process watches; this one changes.
TEST(RegistryNotify, ChangesWakeWatchesInAnotherProcess) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    HKEY child = CreateKey(key, "Child");
    ChildProcess peer(ProgramPath("registry_peer"), {});
    peer.WriteLine("open HKCU " + TestKeyPath() + " read");
    ASSERT_EQ(peer.ReadLine(), "ok");

    peer.WriteLine("notify-async 4");
    ASSERT_EQ(peer.ReadLine(), "armed");
    ASSERT_EQ(SetDword(key, "Value", 1), ERROR_SUCCESS);
    peer.WriteLine("wait-event 20000");
    EXPECT_EQ(peer.ReadLine(), "signalled");

    peer.WriteLine("notify-async 1");
    ASSERT_EQ(peer.ReadLine(), "armed");
    ASSERT_EQ(RegDeleteKeyA(key, "Child"), ERROR_SUCCESS);
    peer.WriteLine("wait-event 20000");
    EXPECT_EQ(peer.ReadLine(), "signalled");

    // The synchronous wait starts some time after the command arrives; keep
    // changing until it reports.
    peer.WriteLine("notify-sync 4");
    std::optional<std::string> answer;
    for (DWORD counter = 0; !answer && counter < 200; ++counter) {
        ASSERT_EQ(SetDword(key, "Value", counter), ERROR_SUCCESS);
        answer = peer.ReadLine(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(answer, "changed");
    RegCloseKey(child);
    RegCloseKey(key);
}

// This process watches; another one changes and deletes.
TEST(RegistryNotify, ChangesByAnotherProcessWakeWatchesHere) {
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, TestKeyPath() + "\\Doomed"));
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, (TestKeyPath() + "\\Doomed").c_str(), 0, KEY_READ, &key),
        ERROR_SUCCESS);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
              ERROR_SUCCESS);

    ChildProcess peer(ProgramPath("registry_peer"), {});
    peer.WriteLine("open HKCU " + TestKeyPath() + "\\Doomed all");
    ASSERT_EQ(peer.ReadLine(), "ok");
    peer.WriteLine("set Value 3");
    ASSERT_EQ(peer.ReadLine(), "ok");
    EXPECT_EQ(WaitForSingleObject(event, 20000), WAIT_OBJECT_0);

    ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
              ERROR_SUCCESS);
    peer.WriteLine("open HKCU " + TestKeyPath() + " all");
    ASSERT_EQ(peer.ReadLine(), "ok");
    peer.WriteLine("delete-key Doomed");
    ASSERT_EQ(peer.ReadLine(), "ok");
    EXPECT_EQ(WaitForSingleObject(event, 20000), WAIT_OBJECT_0);
    DWORD value = 0;
    EXPECT_EQ(kmxtest::QueryDword(key, "Value", &value), ERROR_KEY_DELETED);
    RegCloseKey(key);
    CloseHandle(event);
}

}  // namespace
