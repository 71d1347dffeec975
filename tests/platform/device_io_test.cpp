// Device interfaces: enumeration with SetupDi*, CreateFileA on an interface
// path, DeviceIoControl synchronous and overlapped, cancellation, a lost
// connection, and a driver signalling a client's event.
#include <windows.h>
#include <setupapi.h>
#include <kmxwin/device_service.h>

#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/echo_driver.h"
#include "common/interface_list.h"
#include "common/test_environment.h"

namespace {

using kmxtest::EchoDriver;
using kmxtest::kTestInterfaceClass;

std::vector<std::string> ListedPaths(const GUID& guid = kTestInterfaceClass) {
    return kmxtest::ListedInterfaces(guid);
}

class DeviceIo : public testing::Test {
  protected:
    void SetUp() override {
        interface_ = kmxwin::DeviceInterface::Register(kTestInterfaceClass, kPath, driver_);
        ASSERT_NE(interface_, nullptr);
    }
    HANDLE Open(DWORD flags, const std::string& suffix = "\\Connect") {
        return CreateFileA((kPath + suffix).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                           nullptr);
    }
    static inline const std::string kPath = "\\\\?\\test#device#1";
    EchoDriver driver_;
    std::unique_ptr<kmxwin::DeviceInterface> interface_;
};

TEST_F(DeviceIo, InterfacesAreListedInRegistrationOrderWhileRegistered) {
    EchoDriver other_driver;
    auto second = kmxwin::DeviceInterface::Register(kTestInterfaceClass, "\\\\?\\test#device#0",
                                                    other_driver);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{kPath, "\\\\?\\test#device#0"}));
    GUID other_class = kTestInterfaceClass;
    other_class.Data1 ^= 1;
    EXPECT_TRUE(ListedPaths(other_class).empty());
    // A path is registered once (paths compare without case).
    SetLastError(0);
    EXPECT_EQ(kmxwin::DeviceInterface::Register(kTestInterfaceClass, "\\\\?\\TEST#DEVICE#1",
                                                other_driver),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    interface_.reset();
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{"\\\\?\\test#device#0"}));
}

TEST_F(DeviceIo, DetailQueryReportsItsSizeAndChecksTheRecordSizes) {
    HDEVINFO set = SetupDiGetClassDevsA(&kTestInterfaceClass, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data - 1;
    SetLastError(0);
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kTestInterfaceClass, 0, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    data.cbSize = sizeof data;
    SetLastError(0);
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kTestInterfaceClass, 1, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &kTestInterfaceClass, 0, &data));

    DWORD required = 0;
    SetLastError(0);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + kPath.size() + 1);

    std::vector<char> buffer(required);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
    detail->cbSize = 5;  // the 32-bit size is wrong for this build
    SetLastError(0);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SetLastError(0);
    EXPECT_FALSE(
        SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required - 1, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(std::string(detail->DevicePath), kPath);

    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    SetLastError(0);
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kTestInterfaceClass, 0, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(DeviceIo, OpeningNeedsARegisteredPathAndTheDriversConsent) {
    HANDLE device = Open(0);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    CloseHandle(device);
    device = CreateFileA("\\\\?\\TEST#Device#1\\Connect", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         0, nullptr);
    EXPECT_NE(device, INVALID_HANDLE_VALUE);
    CloseHandle(device);
    for (const char* path :
         {"\\\\?\\test#device#2\\Connect", "\\\\?\\test#device#1x", "/etc/passwd"}) {
        SetLastError(0);
        EXPECT_EQ(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    }
    SetLastError(0);
    EXPECT_EQ(Open(0, "\\refuse"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(DeviceIo, SynchronousRequestsReturnTheReplyAndTheDriversFailures) {
    HANDLE device = Open(0);
    char input[] = "request record";
    char output[32] = {};
    DWORD bytes = 0;
    ASSERT_TRUE(DeviceIoControl(device, kmxtest::kEcho, input, sizeof input, output, sizeof output,
                                &bytes, nullptr));
    EXPECT_EQ(bytes, sizeof input);
    EXPECT_STREQ(output, input);
    // A reply larger than the output buffer is cut to the buffer.
    char small[4] = {};
    ASSERT_TRUE(DeviceIoControl(device, kmxtest::kOversized, nullptr, 0, small, sizeof small,
                                &bytes, nullptr));
    EXPECT_EQ(bytes, sizeof small);
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(device, kmxtest::kFail, input, sizeof input, output, sizeof output,
                                 &bytes, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(device, 0x999, nullptr, 0, nullptr, 0, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    CloseHandle(device);
    // The driver has let the handle go by the time CloseHandle returns.
    EXPECT_EQ(driver_.Closes(), 1);
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(device, kmxtest::kEcho, input, sizeof input, output, sizeof output,
                                 &bytes, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(DeviceIo, ADriverIsSentNoMoreInputThanItSaysItReads) {
    EchoDriver limited_driver;
    const std::string path = "\\\\?\\test#device#4";
    auto limited = kmxwin::DeviceInterface::Register(kTestInterfaceClass, path, limited_driver,
                                                     {{kmxtest::kEcho, 4}});
    ASSERT_NE(limited, nullptr);
    HANDLE device = CreateFileA((path + "\\Connect").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    char input[] = "request record";
    char output[32] = {};
    DWORD bytes = 0;
    ASSERT_TRUE(DeviceIoControl(device, kmxtest::kEcho, input, sizeof input, output, sizeof output,
                                &bytes, nullptr));
    EXPECT_EQ(bytes, 4u);
    EXPECT_EQ(std::string(output), "requ");
    // It still learns how long the client's input is; other codes bring all.
    DWORD length = 0;
    ASSERT_TRUE(DeviceIoControl(device, kmxtest::kInputLength, input, sizeof input, &length,
                                sizeof length, &bytes, nullptr));
    EXPECT_EQ(length, sizeof input);
    CloseHandle(device);
}

TEST_F(DeviceIo, OverlappedRequestIsPendingUntilTheDriverCompletesIt) {
    HANDLE device = Open(FILE_FLAG_OVERLAPPED);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);  // reset by the request
    char output[16];
    std::memset(output, 0x11, sizeof output);
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(device, kmxtest::kHold, nullptr, 0, output, sizeof output, nullptr,
                                 &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    driver_.WaitHeld();
    EXPECT_EQ(overlapped.Internal, static_cast<ULONG_PTR>(STATUS_PENDING));
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    DWORD bytes = 99;
    SetLastError(0);
    EXPECT_FALSE(GetOverlappedResult(device, &overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_INCOMPLETE));
    EXPECT_EQ(output[0], 0x11);

    driver_.CompleteHeld(STATUS_SUCCESS, "done");
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(overlapped.Internal, 0u);
    EXPECT_EQ(overlapped.InternalHigh, 4u);
    EXPECT_EQ(std::string(output, 4), "done");
    EXPECT_TRUE(GetOverlappedResult(device, &overlapped, &bytes, FALSE));
    EXPECT_EQ(bytes, 4u);

    // A failure comes through GetOverlappedResult, waiting for it.
    DeviceIoControl(device, kmxtest::kHold, nullptr, 0, output, sizeof output, nullptr,
                    &overlapped);
    std::thread completer([this] { driver_.CompleteHeld(STATUS_DEVICE_NOT_CONNECTED, ""); });
    SetLastError(0);
    EXPECT_FALSE(GetOverlappedResult(device, &overlapped, &bytes, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    completer.join();
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
}

TEST_F(DeviceIo, BadOverlappedArgumentsAreRefused) {
    HANDLE device = Open(FILE_FLAG_OVERLAPPED);
    char buffer[4] = {};
    DWORD bytes = 0;
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(device, kmxtest::kEcho, buffer, sizeof buffer, buffer,
                                 sizeof buffer, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateMutexA(nullptr, FALSE, nullptr);  // not an event
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(device, kmxtest::kEcho, buffer, sizeof buffer, buffer,
                                 sizeof buffer, nullptr, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
}

TEST_F(DeviceIo, CancelIoEndsTheThreadsRequestsAndALateReplyIsDropped) {
    HANDLE device = Open(FILE_FLAG_OVERLAPPED);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char output[8];
    std::memset(output, 0x22, sizeof output);
    DeviceIoControl(device, kmxtest::kHold, nullptr, 0, output, sizeof output, nullptr,
                    &overlapped);
    driver_.WaitHeld();
    EXPECT_TRUE(CancelIo(device));
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 0), WAIT_OBJECT_0);
    DWORD bytes = 0;
    SetLastError(0);
    EXPECT_FALSE(GetOverlappedResult(device, &overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    driver_.CompleteHeld(STATUS_SUCCESS, "too late");
    // A request after it proves the late reply has gone by.
    char echo[4] = "abc";
    DeviceIoControl(device, kmxtest::kEcho, echo, sizeof echo, echo, sizeof echo, nullptr,
                    &overlapped);
    EXPECT_TRUE(GetOverlappedResult(device, &overlapped, &bytes, TRUE));
    EXPECT_EQ(output[0], 0x22);
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
}

TEST_F(DeviceIo, CancelIoExEndsOneRequestOfAnyThread) {
    HANDLE device = Open(FILE_FLAG_OVERLAPPED);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char output[8];
    DeviceIoControl(device, kmxtest::kHold, nullptr, 0, output, sizeof output, nullptr,
                    &overlapped);
    driver_.WaitHeld();
    // Another thread cancels the request by its OVERLAPPED.
    BOOL cancelled = FALSE;
    std::thread([&] { cancelled = CancelIoEx(device, &overlapped); }).join();
    EXPECT_TRUE(cancelled);
    DWORD bytes = 0;
    SetLastError(0);
    EXPECT_FALSE(GetOverlappedResult(device, &overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    // Nothing of it is pending any more.
    SetLastError(0);
    EXPECT_FALSE(CancelIoEx(device, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
    driver_.CompleteHeld(STATUS_SUCCESS, "too late");
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
}

TEST_F(DeviceIo, AThreadWaitingForItsRequestGivesWayToTerminateThread) {
    // Waiting inside a synchronous handle's DeviceIoControl, and in
    // GetOverlappedResult for an overlapped request.
    for (DWORD flags : {DWORD{0}, DWORD{FILE_FLAG_OVERLAPPED}}) {
        struct Call {
            HANDLE device;
            bool overlapped;
            char output[8];
            bool returned;
        } call{Open(flags), flags != 0, {}, false};
        auto waiting = [](LPVOID parameter) -> DWORD {
            auto* call = static_cast<Call*>(parameter);
            OVERLAPPED overlapped{};
            overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            DWORD bytes = 0;
            if (!DeviceIoControl(call->device, kmxtest::kHold, nullptr, 0, call->output,
                                 sizeof call->output, &bytes,
                                 call->overlapped ? &overlapped : nullptr))
                GetOverlappedResult(call->device, &overlapped, &bytes, TRUE);
            call->returned = true;
            return 0;
        };
        HANDLE thread = CreateThread(nullptr, 0, waiting, &call, 0, nullptr);
        driver_.WaitHeld();
        EXPECT_TRUE(TerminateThread(thread, 7));
        ASSERT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0) << "flags " << flags;
        DWORD code = 0;
        GetExitCodeThread(thread, &code);
        EXPECT_EQ(code, 7u);
        EXPECT_FALSE(call.returned);
        // Its request went with it: the reply reaches nothing, and the
        // handle serves the next request.
        driver_.CompleteHeld(STATUS_SUCCESS, "late");
        char echo[4] = "abc";
        OVERLAPPED overlapped{};
        overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DWORD bytes = 0;
        EXPECT_TRUE(DeviceIoControl(call.device, kmxtest::kEcho, echo, sizeof echo, echo,
                                    sizeof echo, &bytes, call.overlapped ? &overlapped : nullptr) ||
                    GetOverlappedResult(call.device, &overlapped, &bytes, TRUE));
        EXPECT_EQ(call.output[0], 0);
        CloseHandle(overlapped.hEvent);
        CloseHandle(thread);
        CloseHandle(call.device);
    }
}

TEST_F(DeviceIo, ALostConnectionFailsPendingAndLaterRequests) {
    HANDLE device = Open(FILE_FLAG_OVERLAPPED);
    OVERLAPPED held{};
    held.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char output[8];
    DeviceIoControl(device, kmxtest::kHold, nullptr, 0, output, sizeof output, nullptr, &held);
    driver_.WaitHeld();
    interface_.reset();  // the device goes away
    EXPECT_EQ(WaitForSingleObject(held.hEvent, 20000), WAIT_OBJECT_0);
    DWORD bytes = 0;
    SetLastError(0);
    EXPECT_FALSE(GetOverlappedResult(device, &held, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(device, kmxtest::kEcho, output, sizeof output, output,
                                 sizeof output, nullptr, &held));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_TRUE(HasOverlappedIoCompleted(&held));  // failed at once, not pending
    CloseHandle(held.hEvent);
    CloseHandle(device);
}

TEST_F(DeviceIo, TheDriverSignalsAReferencedEventEvenAfterTheClientClosedItsHandle) {
    HANDLE device = Open(0);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event));
    DWORD bytes = 0;
    ASSERT_TRUE(DeviceIoControl(device, kmxtest::kReferenceEvent, &value, sizeof value, nullptr, 0,
                                &bytes, nullptr));
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    CloseHandle(event);
    driver_.SignalEvent(value);
    EXPECT_EQ(WaitForSingleObject(copy, 20000), WAIT_OBJECT_0);
    driver_.ReleaseEvent(value);
    driver_.SignalEvent(value);
    // An echo round trip orders the messages: the signal after the release
    // did nothing.
    char echo[2] = "x";
    DeviceIoControl(device, kmxtest::kEcho, echo, sizeof echo, echo, sizeof echo, &bytes, nullptr);
    EXPECT_EQ(WaitForSingleObject(copy, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(copy);
    CloseHandle(device);
}

TEST(DeviceIoAcrossProcesses, ADeadServiceDropsItsClientsAndLeavesNoInterface) {
    kmxtest::ChildProcess peer(kmxtest::ProgramPath("kernel_peer"), {});
    peer.WriteLine("serve \\\\?\\peer#device");
    ASSERT_EQ(peer.ReadLine().value_or(""), "serving");
    EXPECT_EQ(ListedPaths(), std::vector<std::string>{"\\\\?\\peer#device"});
    HANDLE device = CreateFileA("\\\\?\\peer#device\\Connect", GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<char> big(1 << 20, 'f');
    std::vector<char> back(big.size());
    DWORD bytes = 0;
    DeviceIoControl(device, kmxtest::kEcho, big.data(), static_cast<DWORD>(big.size()), back.data(),
                    static_cast<DWORD>(back.size()), nullptr, &overlapped);
    ASSERT_TRUE(GetOverlappedResult(device, &overlapped, &bytes, TRUE));
    EXPECT_EQ(bytes, big.size());
    EXPECT_EQ(back, big);

    DeviceIoControl(device, kmxtest::kHold, nullptr, 0, back.data(), 8, nullptr, &overlapped);
    peer.Kill(SIGKILL);
    peer.Wait();
    SetLastError(0);
    EXPECT_FALSE(GetOverlappedResult(device, &overlapped, &bytes, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_TRUE(ListedPaths().empty());
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
}

}  // namespace
