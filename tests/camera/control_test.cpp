// kmx512-camd as a second process: serve with cameras plugged, the control
// commands against it, and a command with no service running.
#include "camera_client.h"

#include <kmxrecords/settings_keys.h>
#include <sys/wait.h>

#include "common/test_environment.h"

namespace kmxcamtest {
namespace {

using kmxtest::ChildProcess;
using kmxtest::ProgramPath;

// Runs one control command; its output lines and exit status.
std::pair<std::vector<std::string>, int> Command(const std::vector<std::string>& words) {
    ChildProcess command(ProgramPath("kmx512-camd"), words);
    std::vector<std::string> lines;
    while (std::optional<std::string> line = command.ReadLine()) lines.push_back(*line);
    int status = command.Wait();
    return {lines, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// A value of the machine's camera settings, or nullopt.
std::optional<std::string> MachineValue(const char* subkey, const char* name) {
    std::string path = std::string(kmx::kSettingsKeyPath) + subkey;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char data[512] = {};
    DWORD type = 0, size = sizeof data - 1;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    if (type == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(data));
    return std::string(data);
}

TEST(CameraControl, ServeAnswersControlCommandsUntilStopped) {
    EXPECT_EQ(Command({"list"}).second, 1);  // nothing runs yet

    ChildProcess service(ProgramPath("kmx512-camd"), {"serve", "--plug", "pantilt:P1"});
    std::optional<std::string> path = service.ReadLine();
    ASSERT_TRUE(path);
    EXPECT_EQ(service.ReadLine(), "ready");
    EXPECT_EQ(ListedCameras(), std::vector<std::string>{*path});

    auto [plugged, plug_status] = Command({"plug", "minimal", "--serial", "M2"});
    ASSERT_EQ(plug_status, 0);
    ASSERT_EQ(plugged.size(), 1u);
    EXPECT_EQ(ListedCameras(), (std::vector<std::string>{*path, plugged[0]}));
    auto [listed, list_status] = Command({"list"});
    EXPECT_EQ(list_status, 0);
    EXPECT_EQ(listed.size(), 2u);
    // Each arrival changes the machine's camera-change key.
    EXPECT_EQ(MachineValue("\\CameraChange", "Arrivals"), "2");
    EXPECT_EQ(MachineValue("\\CameraChange", "Interface"), plugged[0]);

    // A fault armed from the command line reaches a client of the service.
    HANDLE device = OpenCamera(*path);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Command({"fault", "P1", "0x22080C", "status", "34", "count", "1"}).second, 0);
    ConnectionRecord mode = ConnectionWith(0);
    EXPECT_EQ(SendConnection(device, kGetModeCode, mode), kInUse);
    EXPECT_EQ(SendConnection(device, kGetModeCode, mode), kSuccess);
    EXPECT_EQ(Command({"fault", "P1", "0x22080C", "sometimes"}).second, 1);

    std::vector<BYTE> zoom{3};
    ASSERT_EQ(SendInterface(device, kPropertySetCode, sets::kCamera, camera_ids::kZoom, zoom, 1),
              kSuccess);
    auto [props, props_status] = Command({"props", "P1"});
    EXPECT_EQ(props_status, 0);
    EXPECT_NE(std::find(props.begin(), props.end(), "camera 13 = 3"), props.end());

    EXPECT_EQ(Command({"unplug", "M2"}).second, 0);
    EXPECT_EQ(Command({"unplug", "M2"}).second, 1);
    EXPECT_EQ(MachineValue("", "CameraWokeSystem"), std::nullopt);
    EXPECT_EQ(Command({"wake"}).second, 0);
    EXPECT_EQ(Command({"wake"}).second, 0);
    EXPECT_EQ(MachineValue("", "CameraWokeSystem"), "2");  // a new value each time
    EXPECT_EQ(Command({"stop"}).second, 0);
    int status = service.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // The service took its camera with it.
    EXPECT_EQ(SendConnection(device, kGetModeCode, mode), std::nullopt);
    CloseHandle(device);
    EXPECT_TRUE(ListedCameras().empty());
}

}  // namespace
}  // namespace kmxcamtest
