// A synchronous DeviceIoControl round trip to a driver in another thread,
// beside a bare Unix-socket ping-pong of the same record size.
#include <windows.h>
#include <kmxwin/device_service.h>

#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "ratio_reporter.h"

namespace {

constexpr size_t kRecordSize = 44;  // a camera connection record

void BM_UnixSocketPingPong(benchmark::State& state) {
    int ends[2];
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends);
    std::thread partner([fd = ends[1]] {
        char record[kRecordSize];
        while (read(fd, record, sizeof record) == static_cast<ssize_t>(sizeof record))
            if (write(fd, record, sizeof record) != static_cast<ssize_t>(sizeof record)) return;
    });
    char record[kRecordSize] = {};
    for (auto _ : state) {
        if (write(ends[0], record, sizeof record) != static_cast<ssize_t>(sizeof record) ||
            read(ends[0], record, sizeof record) != static_cast<ssize_t>(sizeof record))
            state.SkipWithError("socket failed");
    }
    shutdown(ends[0], SHUT_RDWR);
    partner.join();
    close(ends[0]);
    close(ends[1]);
}
BENCHMARK(BM_UnixSocketPingPong)->UseRealTime();

class EchoDriver : public kmxwin::DeviceDriver {
  public:
    bool Open(kmxwin::DeviceConnection&) override { return true; }
    void Request(std::unique_ptr<kmxwin::DeviceRequest> request) override {
        const std::vector<BYTE>& input = request->Input();
        request->Complete(STATUS_SUCCESS, input.data(), static_cast<DWORD>(input.size()));
    }
    void Closed(kmxwin::DeviceConnection&) override {}
};

void BM_DeviceIoControlRoundTrip(benchmark::State& state) {
    static constexpr GUID kClass = {
        0x5B0C1D2E, 0x3F40, 0x4152, {0x86, 0x97, 0xA8, 0xB9, 0xCA, 0xDB, 0xEC, 0xFD}};
    EchoDriver driver;
    auto interface = kmxwin::DeviceInterface::Register(kClass, "\\\\?\\bench#echo", driver);
    HANDLE device = CreateFileA("\\\\?\\bench#echo\\Connect", GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (!interface || device == INVALID_HANDLE_VALUE) {
        state.SkipWithError("no device");
        return;
    }
    BYTE record[kRecordSize] = {};
    DWORD bytes = 0;
    for (auto _ : state) {
        if (!DeviceIoControl(device, 1, record, sizeof record, record, sizeof record, &bytes,
                             nullptr))
            state.SkipWithError("request failed");
    }
    CloseHandle(device);
    kmxbench::CompareWith(state, "BM_UnixSocketPingPong");
}
BENCHMARK(BM_DeviceIoControlRoundTrip)->UseRealTime();

}  // namespace
