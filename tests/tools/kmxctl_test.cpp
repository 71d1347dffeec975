// kmxctl end to end: the tool as its users run it, against the camera
// service running as a second process with two cameras (T1 of profile
// pantilt, T2 of profile compact), in the test's own runtime directory and
// registry hives.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>
#include <kmx512u/kmxmjpg.h>
#include <kmxrecords/settings_keys.h>
#include <kmxwin/driver_registry.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "common/test_environment.h"

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kmxtest::ChildProcess;
using kmxtest::ProgramPath;

using kmx::kSettingsKeyPath;

struct Outcome {
    std::string output;  // standard output and error together
    int status;
};

int ExitStatus(int wait_status) {
    return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
}

std::string ReadAll(ChildProcess& child) {
    std::string text;
    while (std::optional<std::string> line = child.ReadLine()) text += *line + "\n";
    return text;
}

// Runs PROGRAM (a program built beside the test) with WORDS, its standard
// error merged into its output.
Outcome Start(const std::string& program, const std::vector<std::string>& words) {
    std::vector<std::string> arguments = {"-c", "exec \"$0\" \"$@\" 2>&1", ProgramPath(program)};
    arguments.insert(arguments.end(), words.begin(), words.end());
    ChildProcess child("/bin/sh", arguments);
    std::string output = ReadAll(child);
    return {output, ExitStatus(child.Wait())};
}

Outcome Kmxctl(const std::vector<std::string>& words) {
    return Start("kmxctl", words);
}
Outcome Camd(const std::vector<std::string>& words) {
    return Start("kmx512-camd", words);
}

void SetMachineDword(const char* name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::optional<std::vector<BYTE>> Value(HKEY root, const std::string& path, const char* name,
                                       DWORD* type) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(512);
    DWORD size = static_cast<DWORD>(data.size());
    LONG result = RegQueryValueExA(key, name, nullptr, type, data.data(), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    return data;
}

class KmxctlTest : public testing::Test {
  protected:
    void SetUp() override {
        service_ = std::make_unique<ChildProcess>(
            ProgramPath("kmx512-camd"),
            std::vector<std::string>{"serve", "--plug", "pantilt:T1", "--plug", "compact:T2"});
        for (;;) {
            std::optional<std::string> line = service_->ReadLine();
            ASSERT_TRUE(line) << "the camera service did not start";
            if (*line == "ready") break;
        }
    }
    void TearDown() override {
        Camd({"stop"});
        service_->Wait();
    }

    std::unique_ptr<ChildProcess> service_;
};

TEST_F(KmxctlTest, ListShowsEveryListedCameraAndTheCaptureLock) {
    Outcome list = Kmxctl({"list"});
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_NE(
        list.output.find("1    USB1   yes     no     05120001 00010215 0DA50512 00000101 \\\\?\\"),
        std::string::npos)
        << list.output;
    EXPECT_NE(list.output.find("2    USB2   yes     no     05120002 00010215"), std::string::npos);
    EXPECT_NE(list.output.find("capture lock: free"), std::string::npos);

    // An unplugged camera stays listed under its id.
    ASSERT_EQ(Camd({"unplug", "T2"}).status, 0);
    Outcome json = Kmxctl({"--json", "list"});
    ASSERT_EQ(json.status, 0) << json.output;
    EXPECT_NE(json.output.find("{\"id\":2,\"name\":\"USB2\",\"path\":"), std::string::npos);
    EXPECT_NE(json.output.find(
                  "\"present\":false,\"locked\":false,\"identity\":null,\"device_id\":null}"),
              std::string::npos)
        << json.output;
    EXPECT_NE(json.output.find("\"identity\":[85065729,66069]"), std::string::npos);
    EXPECT_NE(json.output.find("\"capture_lock\":null}"), std::string::npos);
}

TEST_F(KmxctlTest, InfoShowsWhatTheDriverInformationDialogShowsAndTheFormats) {
    Outcome info = Kmxctl({"info", "-c", "USB1"});
    ASSERT_EQ(info.status, 0) << info.output;
    // Firmware 0x0302 and sensor 0x1245, as the dialog formats them.
    EXPECT_NE(info.output.find("firmware version  2-03\n"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("sensor type       1105 (2)\n"), std::string::npos);
    EXPECT_NE(info.output.find("camera text       Pan/tilt camera\n"), std::string::npos);
    EXPECT_NE(info.output.find("0  MJPG 24-bit 640x480, 160x120 to 640x480 in steps of 8x8, 33 ms"),
              std::string::npos);
    EXPECT_NE(info.output.find("1  KMXX 16-bit 352x288"), std::string::npos);
    EXPECT_NE(info.output.find("native sizes      640x480 352x288 320x240 176x144 160x120\n"),
              std::string::npos);

    Outcome json = Kmxctl({"info", "-c", "2", "--json"});
    ASSERT_EQ(json.status, 0) << json.output;
    EXPECT_NE(json.output.find("\"firmware_version\":\"1-02\",\"sensor_type\":\"818 (1)\""),
              std::string::npos)
        << json.output;
    EXPECT_NE(json.output.find("\"native_sizes\":[{\"width\":352,\"height\":288},{\"width\":176,"
                               "\"height\":144}]"),
              std::string::npos);
}

TEST_F(KmxctlTest, SettingsPicturesEachPageAndLeavesTheCameraAsItWas) {
    std::string directory = kmxtest::TestDirectory() + "/pictures";
    ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
    Outcome pictures = Kmxctl({"settings", "-c", "2", "--snapshot", directory});
    ASSERT_EQ(pictures.status, 0) << pictures.output;
    for (const char* page : {"/page1.png", "/page2.png", "/page3.png"}) {
        EXPECT_NE(pictures.output.find(directory + page), std::string::npos) << pictures.output;
        std::ifstream file(directory + page, std::ios::binary);
        char signature[4] = {};
        file.read(signature, 4);
        EXPECT_EQ(std::string(signature + 1, 3), "PNG") << page;
    }
    Outcome brightness = Kmxctl({"get", "-c", "2", "contrast"});
    EXPECT_NE(brightness.output.find("contrast = 4000"), std::string::npos) << brightness.output;

    // On screen it needs a display.
    setenv("KMX512_DISPLAY", "headless", 1);
    Outcome shown = Kmxctl({"settings", "-c", "2"});
    unsetenv("KMX512_DISPLAY");
    EXPECT_EQ(shown.status, 1);
    EXPECT_NE(shown.output.find("no display"), std::string::npos) << shown.output;
}

TEST_F(KmxctlTest, PropertiesAreSetAndReadBackByNameAndRaw) {
    Outcome set = Kmxctl({"set", "-c", "1", "brightness", "7500"});
    ASSERT_EQ(set.status, 0) << set.output;
    EXPECT_EQ(set.output, "brightness = 7500 (flags 2, capabilities 3)\n");
    Outcome get = Kmxctl({"get", "-c", "1", "brightness", "--json"});
    EXPECT_EQ(
        get.output,
        "{\"property\":\"brightness\",\"value\":{\"value\":7500,\"flags\":2,\"capabilities\":3},"
        "\"camera\":1}\n");
    EXPECT_EQ(Kmxctl({"default", "-c", "1", "brightness"}).output,
              "brightness = 5000 (flags 2, capabilities 3)\n");

    EXPECT_EQ(Kmxctl({"set", "-c", "1", "banding-frequency", "60"}).status, 0);
    EXPECT_EQ(Kmxctl({"get", "-c", "1", "banding-frequency"}).output,
              "banding-frequency = 60 Hz\n");
    // Zoom step 4 halves the way to the smallest window; it may then move.
    EXPECT_EQ(Kmxctl({"set", "-c", "1", "zoom", "4"}).status, 0);
    EXPECT_EQ(Kmxctl({"get", "-c", "1", "pan-tilt-limits"}).output,
              "pan-tilt-limits = 640,480,400,300\n");
    EXPECT_EQ(Kmxctl({"set", "-c", "1", "pan-tilt", "200,40"}).output, "pan-tilt = 200,40\n");
    EXPECT_EQ(Kmxctl({"set", "-c", "1", "camera-text", "Front door"}).status, 0);
    EXPECT_EQ(Kmxctl({"get", "-c", "1", "camera-text"}).output, "camera-text = Front door\n");

    // Raw access: the firmware word, and a value written as bytes.
    Outcome raw = Kmxctl({"get", "-c", "1", "--set", "{2BBD8342-6AA2-11D3-A076-00A024AD71C2}",
                          "--id", "0", "--size", "2"});
    EXPECT_EQ(raw.output, "{2BBD8342-6AA2-11D3-A076-00A024AD71C2} id 0 = 02 03\n");
    EXPECT_EQ(Kmxctl({"set", "-c", "1", "--set", "2BBD8342-6AA2-11D3-A076-00A024AD71C2", "--id",
                      "13", "05"})
                  .status,
              0);
    EXPECT_EQ(Kmxctl({"get", "-c", "1", "zoom"}).output, "zoom = 5\n");

    // Without a name: every property the camera has, and only those.
    Outcome all = Kmxctl({"get", "-c", "2"});
    ASSERT_EQ(all.status, 0) << all.output;
    EXPECT_NE(all.output.find("compression-level = 6\n"), std::string::npos) << all.output;
    EXPECT_NE(all.output.find("\npan-tilt-limits = 704,576,352,288\npan-tilt = 176,144\n"),
              std::string::npos);
    EXPECT_NE(all.output.find("\ncontrast = 4000 (flags 2, capabilities 3)\n"), std::string::npos);
    EXPECT_EQ(all.output.find("\nflip ="), std::string::npos);
    EXPECT_NE(all.output.find("\nlibrary-flip = 0\n"), std::string::npos);
}

TEST_F(KmxctlTest, CameraAndDriverFailuresExitWithOneAndTheStatusName) {
    Outcome missing = Kmxctl({"info", "-c", "9"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, "kmxctl info: opening USB9: KMXPI_STATUS_CAMERA_NOT_FOUND\n");
    Outcome refused = Kmxctl({"set", "-c", "1", "zoom", "200"});  // beyond the zoom maximum
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("KMXPI_STATUS_BAD_PARAMETER"), std::string::npos);
    Outcome absent = Kmxctl({"get", "-c", "2", "flip"});
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.output, "kmxctl get: camera 2 has no flip\n");
    Outcome device = Kmxctl({"debug", "device-id", "-c", "9"});
    EXPECT_EQ(device.status, 1);
    EXPECT_NE(device.output.find("KMXDEBUG_STATUS_DEVICE_NOT_FOUND"), std::string::npos);

    // A driver that leaves the status unwritten has not answered.
    ASSERT_EQ(Camd({"fault", "T1", "0x220400", "unwritten", "count", "1"}).status, 0);
    Outcome version = Kmxctl({"debug", "version"});
    EXPECT_EQ(version.status, 1);
    EXPECT_EQ(version.output, "kmxctl debug: driver version: KMXDEBUG_STATUS_OPERATION_FAILED\n");
}

TEST_F(KmxctlTest, AStalledOrSilentCameraIsToldNotShownAsSuccess) {
    // A camera that never answers: kmxctl gives up and says so.
    ASSERT_EQ(Camd({"fault", "T1", "0x220C08", "stall"}).status, 0);
    Outcome stalled = Kmxctl({"--json", "--timeout", "1", "get", "-c", "1", "zoom"});
    EXPECT_EQ(stalled.status, 1);
    EXPECT_NE(stalled.output.find("kmxctl get: the camera did not answer within 1 s"),
              std::string::npos)
        << stalled.output;
    EXPECT_NE(stalled.output.find("{\"error\":\"the camera did not answer within 1 s"),
              std::string::npos);

    // A driver that completes reads without a word for the ids it does not
    // have: what it left unwritten is not shown as read.
    ASSERT_EQ(Camd({"clear-faults", "T1"}).status, 0);
    ASSERT_EQ(Camd({"fault", "T1", "0x220C08", "unwritten"}).status, 0);
    Outcome silent = Kmxctl({"info", "-c", "1"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.output.find("native sizes      640x480 352x288 320x240 176x144 160x120\n"
                                 "kmxctl info: USB1 did not answer: native size 6\n"),
              std::string::npos)
        << silent.output;
    EXPECT_EQ(Kmxctl({"get", "-c", "1", "--set", "{2BBD8342-6AA2-11D3-A076-00A024AD71C2}", "--id",
                      "30", "--size", "8"})
                  .output,
              "kmxctl get: USB1 did not answer {2BBD8342-6AA2-11D3-A076-00A024AD71C2} id 30 (its "
              "driver wrote no value)\n");

    // A driver whose descriptor list never ends.
    ASSERT_EQ(Camd({"clear-faults", "T1"}).status, 0);
    ASSERT_EQ(Camd({"fault", "T1", "0x220424", "status", "0"}).status, 0);
    Outcome endless = Kmxctl({"debug", "descriptor", "property", "-c", "1"});
    EXPECT_EQ(endless.status, 1);
    EXPECT_NE(endless.output.find("255  "), std::string::npos);
    EXPECT_NE(endless.output.find("kmxctl debug: the driver's property descriptors go on past 256"),
              std::string::npos);

    // No camera at all: the service is not running, or serves none.
    ASSERT_EQ(Camd({"unplug", "T1"}).status, 0);
    ASSERT_EQ(Camd({"unplug", "T2"}).status, 0);
    Outcome none = Kmxctl({"list"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("kmxctl list: no camera is present; is the camera service running"),
              std::string::npos)
        << none.output;
}

TEST_F(KmxctlTest, FailuresSayWhatTheCameraHasAndTakes) {
    Outcome range = Kmxctl({"set", "-c", "1", "zoom", "200"});
    EXPECT_EQ(range.status, 1);
    EXPECT_TRUE(std::regex_search(
        range.output, std::regex("kmxctl set: USB1 refused zoom = 200: it takes [0-9]+ to [0-9]+ "
                                 "\\(KMXPI_STATUS_BAD_PARAMETER\\)\n")))
        << range.output;
    Outcome lacking = Kmxctl({"--json", "default", "-c", "2", "mirror"});
    EXPECT_EQ(lacking.status, 1);
    EXPECT_NE(lacking.output.find("{\"error\":\"camera 2 has no mirror\",\"status\":1}\n"),
              std::string::npos)
        << lacking.output;
    Outcome unknown = Kmxctl({"get", "-c", "2", "zooom"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("no property 'zooom'; the properties are firmware-version,"),
              std::string::npos)
        << unknown.output;
    EXPECT_NE(unknown.output.find("library-flip"), std::string::npos);
    EXPECT_EQ(unknown.output.find(" mirror,"), std::string::npos);
    EXPECT_EQ(unknown.output.find(" flip,"), std::string::npos);
    Outcome word = Kmxctl({"set", "-c", "1", "brightness", "dim"});
    EXPECT_EQ(word.status, 2);
    EXPECT_NE(word.output.find("brightness must be a number from -2147483648 to 2147483647, "
                               "not 'dim'"),
              std::string::npos)
        << word.output;
}

TEST_F(KmxctlTest, BadArgumentsExitWithTwoAndEveryCommandHasHelp) {
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"info"},
             {"info", "-c", "0"},
             {"info", "-c", "256"},
             {"info", "-c", "one"},
             {"info", "-c"},
             {"info", "-c", "1", "extra"},
             {"get", "-c", "1", "nosuch"},
             {"get", "-c", "1", "--set", "{nonsense}", "--id", "0", "--size", "1"},
             {"get", "-c", "1", "--set", "{2BBD8342-6AA2-11D3-A076-00A024AD71C2}", "--id", "0"},
             {"set", "-c", "1", "firmware-version", "1"},
             {"set", "-c", "1", "banding-frequency", "55"},
             {"set", "-c", "1", "flip", "256"},
             {"set", "-c", "1", "camera-text", std::string(32, 'x')},
             {"set", "-c", "1", "--set", "{2BBD8342-6AA2-11D3-A076-00A024AD71C2}", "--id", "4",
              "0g"},
             {"debug"},
             {"debug", "nosuch"},
             {"debug", "set-flag", "5", "1"},
             {"debug", "usb-command", "-c", "1", "0", "0", "0", "0a", "--length", "1"},
             {"debug", "descriptor", "widget"},
             {"watch", "--count", "0"},
             {"reg", "copy", "x"},
         }) {
        Outcome run = Kmxctl(words);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(words) << "\n" << run.output;
        EXPECT_NE(run.output.find("kmxctl"), std::string::npos);
    }
    for (const char* command : {"list", "info", "get", "set", "default", "lock", "unlock", "abort",
                                "watch", "debug", "errors", "reg"}) {
        Outcome help = Kmxctl({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.output.rfind(std::string("usage: kmxctl ") + command, 0), 0u) << help.output;
    }
    Outcome help = Kmxctl({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("  errors [--clear]\n"), std::string::npos);
}

TEST_F(KmxctlTest, DebugCommandsReachTheDriver) {
    Outcome version = Kmxctl({"debug", "version", "--json"});
    EXPECT_EQ(version.output,
              "{\"interface_version\":533,\"word\":0,\"library_version\":\"2.21.00.01\"}\n");
    EXPECT_EQ(Kmxctl({"debug", "set-flag", "6", "2", "0x10"}).status, 0);
    Outcome flags = Kmxctl({"debug", "flags"});
    ASSERT_EQ(flags.status, 0) << flags.output;
    EXPECT_NE(flags.output.find("block 6: Stream\n  0  Frames = 0x00000000\n  1  Timing = "
                                "0x00000000\n  2  Dropped = 0x00000010\n"),
              std::string::npos)
        << flags.output;
    EXPECT_NE(flags.output.find("block 8: released\n"), std::string::npos);
    EXPECT_EQ(Kmxctl({"debug", "flag-name", "7", "1"}).output, "Transfers\n");
    Outcome released = Kmxctl({"debug", "block-name", "8"});
    EXPECT_EQ(released.status, 1);
    EXPECT_NE(released.output.find("KMXDEBUG_STATUS_RELEASE_DRIVER"), std::string::npos);
    EXPECT_EQ(Kmxctl({"debug", "block-name", "2"}).status, 1);

    EXPECT_EQ(Kmxctl({"debug", "device-id", "-c", "2"}).output,
              "USB2 device id 0x0DA50513 0x00000100\n");
    EXPECT_EQ(Kmxctl({"debug", "usb-command", "-c", "1", "0", "1", "0x20", "c0ffee"}).status, 0);
    EXPECT_EQ(Kmxctl({"debug", "usb-command", "-c", "1", "0", "0", "0x20", "--length", "3"}).output,
              "c0 ff ee\n");
    EXPECT_EQ(
        Kmxctl({"debug", "usb-transfer", "-c", "1", "0x81", "0x21", "--length", "2", "--json"})
            .output,
        "{\"data\":\"ff ee\"}\n");
    EXPECT_EQ(Kmxctl({"debug", "set-interface", "-c", "1", "0", "2"}).status, 0);
    EXPECT_EQ(Kmxctl({"debug", "set-interface", "-c", "1", "0", "9"}).status, 1);

    Outcome descriptor = Kmxctl({"debug", "descriptor", "notification"});
    EXPECT_EQ(descriptor.output,
              "0  Removal  {00A242B0-920E-11D3-A08F-00A024AD71C2} id 0, 0 registered\n");
    Outcome property = Kmxctl({"debug", "descriptor", "property", "0", "-c", "2", "--json"});
    EXPECT_NE(property.output.find("\"set\":\"{2BBD8342-6AA2-11D3-A076-00A024AD71C2}\",\"id\":16,"
                                   "\"size\":8,\"access\":\"read-only\""),
              std::string::npos)
        << property.output;
    EXPECT_NE(property.output.find("\"value\":\"60 01 00 00 20 01 00 00\""), std::string::npos);
}

TEST_F(KmxctlTest, TracingShowsTheChosenChannelsCallsWithArgumentsAndResults) {
    setenv("KMX512_TRACE", "registry,api", 1);
    Outcome traced = Kmxctl({"debug", "version"});
    unsetenv("KMX512_TRACE");
    ASSERT_EQ(traced.status, 0) << traced.output;
    EXPECT_TRUE(std::regex_search(
        traced.output,
        std::regex("(^|\n)[0-9]+:[0-9]+:trace:api:KMXDebug_GetVersion\\(0x[0-9a-f]+, "
                   "0x[0-9a-f]+, 0x[0-9a-f]+, 0x10\\) = 0\n")))
        << traced.output;
    EXPECT_NE(traced.output.find(":trace:registry:RegCreateKeyExA(0x80000002, \"Software\\\\Brelix"
                                 "\\\\USB Camera (KMX512)\", 0, "),
              std::string::npos);
    EXPECT_EQ(traced.output.find(":trace:kernel:"), std::string::npos);
    EXPECT_EQ(Kmxctl({"debug", "version"}).output.find("trace:"), std::string::npos);
}

TEST_F(KmxctlTest, LockHoldsUntilInterrupted) {
    ChildProcess holder(ProgramPath("kmxctl"), {"lock", "-c", "1"});
    EXPECT_EQ(holder.ReadLine(), "USB1 locked; interrupt to release it");

    Outcome other = Kmxctl({"lock", "-c", "2"});
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.output, "kmxctl lock: locking USB2: KMXPI_STATUS_IN_USE\n");
    EXPECT_EQ(Kmxctl({"unlock", "-c", "1"}).status, 1);
    Outcome list = Kmxctl({"list"});
    EXPECT_NE(list.output.find("1    USB1   yes     yes    "), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("capture lock: USB1, held by process " +
                               std::to_string(holder.Pid()) + "\n"),
              std::string::npos)
        << list.output;

    holder.Kill(SIGINT);
    EXPECT_EQ(holder.ReadLine(), "USB1 released");
    EXPECT_EQ(ExitStatus(holder.Wait()), 0);
    Outcome unlock = Kmxctl({"unlock", "-c", "1", "--json"});
    EXPECT_EQ(unlock.status, 0);
    EXPECT_EQ(unlock.output, "{\"capture_lock\":\"free\"}\n");
    EXPECT_EQ(Kmxctl({"abort", "-c", "2"}).output, "capture on USB2 aborted\n");
}

TEST_F(KmxctlTest, AKilledHoldersLockShowsStaleUntilUnlockClearsIt) {
    // The lock record lives while some process has the library loaded.
    ChildProcess watch(ProgramPath("kmxctl"), {"watch"});
    ASSERT_EQ(watch.ReadLine(), "watching for new cameras and wake-ups; interrupt to stop");
    ChildProcess holder(ProgramPath("kmxctl"), {"lock", "-c", "2"});
    ASSERT_EQ(holder.ReadLine(), "USB2 locked; interrupt to release it");
    const std::string holder_process = std::to_string(holder.Pid());
    holder.Kill(SIGKILL);
    holder.Wait();
    Sleep(1300);  // past the heartbeat's limit
    Outcome list = Kmxctl({"list"});
    EXPECT_NE(list.output.find("2    USB2   yes     stale  "), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("capture lock: USB2, left by process " + holder_process + " (stale"),
              std::string::npos)
        << list.output;
    Outcome unlock = Kmxctl({"unlock", "-c", "2"});
    EXPECT_EQ(unlock.status, 0);
    EXPECT_EQ(unlock.output, "the capture lock is free: cleared the stale lock that process " +
                                 holder_process + " left on USB2\n");
    EXPECT_NE(Kmxctl({"list"}).output.find("capture lock: free\n"), std::string::npos);
}

TEST_F(KmxctlTest, WatchPrintsNewCamerasAndWakeUps) {
    ChildProcess watch(ProgramPath("kmxctl"), {"watch", "--count", "2", "--json"});
    EXPECT_EQ(watch.ReadLine(), "{\"event\":\"watching\"}");
    ASSERT_EQ(Camd({"plug", "minimal", "--serial", "T3"}).status, 0);
    EXPECT_EQ(watch.ReadLine(), "{\"event\":\"new-camera\",\"new\":[3],\"connected\":[1,2,3]}");
    ASSERT_EQ(Camd({"wake"}).status, 0);
    EXPECT_EQ(watch.ReadLine(), "{\"event\":\"woke-system\"}");
    EXPECT_EQ(ExitStatus(watch.Wait()), 0);
}

TEST_F(KmxctlTest, ErrorsShowTheMaskWithMeaningsAndClearIt) {
    Outcome none = Kmxctl({"errors"});
    EXPECT_EQ(none.output, "error mask 0x00000000\n  no errors recorded\n");
    SetMachineDword("DebugUserModeErr", 80);
    Outcome errors = Kmxctl({"errors"});
    EXPECT_EQ(errors.output,
              "error mask 0x00000050\n  16  the codec failed on a frame\n  64  the scaler plug-in "
              "failed to load or lacks an entry point\n");
    Outcome json = Kmxctl({"errors", "--clear", "--json"});
    EXPECT_EQ(json.output,
              "{\"mask\":80,\"errors\":[{\"bit\":16,\"meaning\":\"the codec failed on a frame\"},"
              "{\"bit\":64,\"meaning\":\"the scaler plug-in failed to load or lacks an entry "
              "point\"}],\"cleared\":true}\n");
    EXPECT_EQ(Kmxctl({"errors"}).output, "error mask 0x00000000\n  no errors recorded\n");
}

TEST_F(KmxctlTest, RegistryKeysRoundTripThroughARegFile) {
    ASSERT_EQ(Kmxctl({"list"}).status, 0);  // lists the cameras under the user's key
    SetMachineDword("DebugUserMode", 0x1234);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    // Not "LanguageName": every run of the tool starts the library, which
    // sets that value to a language of its language file.
    const char language[] = "Deutsch \"DE\"";
    const BYTE binary[40] = {1, 2, 3};
    ASSERT_EQ(RegSetValueExA(key, "Note", 0, REG_SZ, reinterpret_cast<const BYTE*>(language),
                             sizeof language),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
    RegCloseKey(key);

    std::string file = kmxtest::TestDirectory() + "/settings.reg";
    ASSERT_EQ(Kmxctl({"reg", "export", file}).status, 0);
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Brelix\\USB Camera (KMX512)]\r\n"
                        "\"DebugUserMode\"=dword:00001234\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"Note\"=\"Deutsch \\\"DE\\\"\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Brelix\\USB Camera (KMX512)\\Devices]\r\n"
                        "\"1\"=\"\\\\\\\\?\\\\usb#"),
              std::string::npos);

    // Everything comes back after the keys are gone.
    ASSERT_EQ(
        RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kSettingsKeyPath) + "\\Devices").c_str()),
        ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath), ERROR_SUCCESS);
    Outcome imported = Kmxctl({"reg", "import", file});
    ASSERT_EQ(imported.status, 0) << imported.output;
    DWORD type = 0;
    EXPECT_EQ(Value(HKEY_CURRENT_USER, kSettingsKeyPath, "Note", &type),
              std::vector<BYTE>(language, language + sizeof language));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Value(HKEY_CURRENT_USER, kSettingsKeyPath, "Blob", &type),
              std::vector<BYTE>(binary, binary + sizeof binary));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_TRUE(Value(HKEY_CURRENT_USER, std::string(kSettingsKeyPath) + "\\Devices", "2", &type));

    // The registry editor writes UTF-16 files.
    std::string wide = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Brelix\\USB Camera (KMX512)]\r\n"
                              "\"Wide\"=dword:0000002a\r\n"))
        wide += std::string{c, '\0'};
    std::ofstream(file, std::ios::binary) << wide;
    ASSERT_EQ(Kmxctl({"reg", "import", file}).status, 0);
    EXPECT_EQ(Value(HKEY_CURRENT_USER, kSettingsKeyPath, "Wide", &type),
              (std::vector<BYTE>{42, 0, 0, 0}));

    // A file that reaches beyond the camera's keys is refused before anything is written.
    std::ofstream(file) << "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Brelix\\USB Camera (KMX512)]\n"
                           "\"Note\"=\"English\"\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Other]\n\"x\"=dword:1\n";
    Outcome foreign = Kmxctl({"reg", "import", file});
    EXPECT_EQ(foreign.status, 1);
    EXPECT_NE(foreign.output.find("settings.reg:6: [HKEY_CURRENT_USER\\Software\\Other] is not"),
              std::string::npos)
        << foreign.output;
    EXPECT_EQ(Value(HKEY_CURRENT_USER, kSettingsKeyPath, "Note", &type),
              std::vector<BYTE>(language, language + sizeof language));
    std::ofstream(file) << "Windows Registry Editor Version 5.00\n"
                           "[HKEY_CURRENT_USER\\Software\\Brelix\\USB Camera (KMX512)]\n"
                           "\"Bad\"=hex:0\n";
    Outcome malformed = Kmxctl({"reg", "import", file});
    EXPECT_EQ(malformed.status, 1);
    EXPECT_EQ(malformed.output.rfind("kmxctl reg: ", 0), 0u) << malformed.output;
    EXPECT_NE(malformed.output.find("settings.reg:3:"), std::string::npos) << malformed.output;
    EXPECT_EQ(malformed.output.find("usage"), std::string::npos) << malformed.output;
}

TEST_F(KmxctlTest, RegImportWritesTheWholeFileOrNothing) {
    const std::string settings = std::string("[HKEY_CURRENT_USER\\") + kSettingsKeyPath + "]\n";
    const std::string machine = std::string("[HKEY_LOCAL_MACHINE\\") + kSettingsKeyPath + "]\n";
    const std::string file = kmxtest::TestDirectory() + "/limits.reg";
    std::ofstream(file) << "Windows Registry Editor Version 5.00\n"
                        << settings << "\"LanguageName\"=\"English\"\n";
    ASSERT_EQ(Kmxctl({"reg", "import", file}).status, 0);
    DWORD type = 0;
    const std::vector<BYTE> english = {'E', 'n', 'g', 'l', 'i', 's', 'h', 0};

    // What Windows would refuse is found before anything is written.
    std::string deep = settings.substr(0, settings.size() - 2);
    for (int level = 0; level < 512; ++level) deep += "\\k";
    for (const std::string& refused :
         {settings + "\"" + std::string(16384, 'v') + "\"=dword:1\n",
          settings.substr(0, settings.size() - 2) + "\\" + std::string(256, 'k') + "]\n",
          deep + "]\n"}) {
        std::ofstream(file) << "Windows Registry Editor Version 5.00\n"
                            << settings << "\"LanguageName\"=\"Deutsch\"\n"
                            << refused;
        Outcome outcome = Kmxctl({"reg", "import", file});
        EXPECT_EQ(outcome.status, 1) << outcome.output;
        EXPECT_NE(outcome.output.find("kmxctl reg: " + file + ":"), std::string::npos)
            << outcome.output;
        EXPECT_EQ(Value(HKEY_CURRENT_USER, kSettingsKeyPath, "LanguageName", &type), english);
    }

    // A write that fails half-way (the machine's hive held by a stuck
    // process) takes back what was written before it.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(getenv("KMX512_HKLM"), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::ofstream(file) << "Windows Registry Editor Version 5.00\n"
                        << settings << "\"LanguageName\"=\"Deutsch\"\n"
                        << "\"Added\"=dword:1\n"
                        << machine << "\"DebugUserMode\"=dword:1\n";
    Outcome held = Kmxctl({"reg", "import", file});
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(held.status, 1);
    EXPECT_NE(held.output.find("nothing was imported, the keys are as they were"),
              std::string::npos)
        << held.output;
    EXPECT_EQ(Value(HKEY_CURRENT_USER, kSettingsKeyPath, "LanguageName", &type), english);
    EXPECT_EQ(Value(HKEY_CURRENT_USER, kSettingsKeyPath, "Added", &type), std::nullopt);
}

TEST(KmxctlDriver, InstallsTheCaptureDriverAsCaptureApplicationsFindIt) {
    Outcome installed = Kmxctl({"driver", "install", "--identity", "0x05120002:0x00010215"});
    ASSERT_EQ(installed.status, 0) << installed.output;
    EXPECT_EQ(installed.output,
              "installed as msvideo (driver index 0): kmxvfw32.dll 0x05120002 0x00010215\n"
              "installed the MJPG codec as vidc.MJPG: kmxmjpg.dll\n");
    ASSERT_EQ(Kmxctl({"driver", "install", "--slot", "3"}).status, 0);
    // Players find the codec for what the camera sends.
    ICINFO codec{};
    ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('M', 'J', 'P', 'G'), &codec));
    EXPECT_EQ(std::u16string(codec.szDriver), u"kmxmjpg.dll");
    char name[64] = {}, version[64] = {};
    ASSERT_TRUE(capGetDriverDescriptionA(3, name, sizeof name, version, sizeof version));
    EXPECT_STREQ(name, "USB Camera (KMX512) Video Capture");
    EXPECT_EQ(Kmxctl({"driver", "list"}).output,
              "0  msvideo  USB Camera (KMX512) Video Capture  (kmxvfw32.dll 0x05120002 "
              "0x00010215)\n"
              "3  msvideo3  USB Camera (KMX512) Video Capture  (kmxvfw32.dll)\n");
    EXPECT_EQ(Kmxctl({"driver", "install", "--slot", "10"}).status, 2);

    EXPECT_EQ(Kmxctl({"driver", "uninstall"}).output,
              "removed msvideo\nremoved msvideo3\nremoved vidc.MJPG\n");
    EXPECT_FALSE(capGetDriverDescriptionA(0, name, sizeof name, version, sizeof version));
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('M', 'J', 'P', 'G'), &codec));
    EXPECT_EQ(Kmxctl({"driver", "list"}).output, "no capture driver is installed\n");

    // Another MJPG codec stays where it is, on installing and uninstalling.
    HKEY drivers = nullptr;
    std::string path = std::string(KMXWIN_DRIVERS_KEY) + "\\" + KMXWIN_DRIVERS32_SECTION;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &drivers),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(drivers, KMXMJPG_CODEC_ALIAS, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>("other.dll"), 10),
              ERROR_SUCCESS);
    RegCloseKey(drivers);
    EXPECT_EQ(Kmxctl({"driver", "install"}).output,
              "installed as msvideo (driver index 0): kmxvfw32.dll\n"
              "vidc.MJPG names another codec, left in place: other.dll\n");
    EXPECT_EQ(Kmxctl({"driver", "uninstall"}).output, "removed msvideo\n");
    ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('M', 'J', 'P', 'G'), &codec));
    EXPECT_EQ(std::u16string(codec.szDriver), u"other.dll");
}

TEST(KmxctlDriver, DriverInfoWritesTheDialogAsAPicture) {
    const std::string& directory = kmxtest::TestDirectory();
    Outcome shown = Kmxctl({"driver-info", "--snapshot", directory});
    ASSERT_EQ(shown.status, 0) << shown.output;
    std::string picture = directory + "/driver-information.png";
    // What follows the line is a sanitizer's report on the fonts, if any.
    EXPECT_EQ(shown.output.rfind("wrote " + picture + "\n", 0), 0u) << shown.output;
    std::ifstream file(picture, std::ios::binary);
    char signature[8] = {};
    file.read(signature, sizeof signature);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

}  // namespace
