// kmxcap end to end: recordings as ffprobe reads them, formats, grabs and
// picture sequences, from the camera kmxcap serves itself when no service
// runs, and a kmxcap killed mid-stream that leaves the camera of a running
// service to the next one.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/test_environment.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using kmxtest::ChildProcess;
using kmxtest::ProgramPath;
using kmxtest::TestDirectory;

struct Outcome {
    std::string output;  // standard output and error together
    int status;
};

Outcome RunProgram(const std::string& program, const std::vector<std::string>& words) {
    std::vector<std::string> arguments = {"-c", "exec \"$0\" \"$@\" 2>&1", program};
    arguments.insert(arguments.end(), words.begin(), words.end());
    ChildProcess child("/bin/sh", arguments);
    std::string output;
    while (std::optional<std::string> line = child.ReadLine(std::chrono::seconds(60)))
        output += *line + "\n";
    int status = child.Wait();
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

Outcome Kmxcap(const std::vector<std::string>& words) {
    return RunProgram(ProgramPath("kmxcap"), words);
}

// "codec,width,height,frames" of the first video stream, as ffprobe counts them.
std::string Probe(const std::string& file) {
    return RunProgram("/usr/bin/ffprobe",
                      {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                       "stream=codec_name,width,height,nb_read_frames", "-of", "csv=p=0", file})
        .output;
}

bool HaveFfprobe() {
    return access("/usr/bin/ffprobe", X_OK) == 0;
}

TEST(Kmxcap, RecordingsHoldTheAskedCodecSizeAndFrameCountFromItsOwnCamera) {
    if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
    // No service runs in the test's runtime directory: kmxcap serves its own.
    std::string avi = TestDirectory() + "/rgb.avi", mkv = TestDirectory() + "/mjpg.mkv";
    Outcome rgb =
        Kmxcap({"record", "--format", "rgb24", "--size", "320x240", "--frames", "12", "-o", avi});
    ASSERT_EQ(rgb.status, 0) << rgb.output;
    EXPECT_EQ(Probe(avi), "rawvideo,320,240,12\n");
    Outcome mjpg = Kmxcap({"--json", "record", "--format", "mjpg", "--frames", "7", "-o", mkv});
    ASSERT_EQ(mjpg.status, 0) << mjpg.output;
    EXPECT_NE(mjpg.output.find("\"frames\":7"), std::string::npos) << mjpg.output;
    EXPECT_EQ(Probe(mkv), "mjpeg,640,480,7\n");
    // The same road for a 16-bit client, its records in 16-bit memory.
    std::string sixteen_bit = TestDirectory() + "/16bit.avi";
    Outcome wow = Kmxcap({"record", "--16bit", "--format", "yuy2", "--size", "320x240", "--frames",
                          "5", "-o", sixteen_bit});
    ASSERT_EQ(wow.status, 0) << wow.output;
    EXPECT_EQ(Probe(sixteen_bit), "rawvideo,320,240,5\n");

    // The camera's own format has no place in a container; bad words are usage errors.
    Outcome kmxx = Kmxcap({"record", "--format", "kmxx", "--size", "352x288", "--frames", "1", "-o",
                           TestDirectory() + "/kmxx.avi"});
    EXPECT_EQ(kmxx.status, 1) << kmxx.output;
    EXPECT_NE(kmxx.output.find("cannot go into a container"), std::string::npos) << kmxx.output;
    EXPECT_EQ(Kmxcap({"record", "--frames", "1"}).status, 2);
    EXPECT_EQ(Kmxcap({"record", "--format", "h264", "--frames", "1", "-o", avi}).status, 2);
}

// "WIDTHxHEIGHT" from a PNG file's header, or "" when it is not one.
std::string PngSize(const std::string& file) {
    unsigned char header[24] = {};
    std::ifstream png(file, std::ios::binary);
    if (!png.read(reinterpret_cast<char*>(header), sizeof header) || header[1] != 'P' ||
        std::string(reinterpret_cast<char*>(header + 12), 4) != "IHDR")
        return "";
    auto word = [&](int at) {
        return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
    };
    return std::to_string(word(16)) + "x" + std::to_string(word(20));
}

TEST(Kmxcap, FormatsGrabsAndPictureSequencesFromItsOwnCamera) {
    Outcome formats = Kmxcap({"formats"});
    ASSERT_EQ(formats.status, 0) << formats.output;
    EXPECT_NE(formats.output.find("rgb16 640x480"), std::string::npos) << formats.output;

    std::string grab = TestDirectory() + "/grab.png";
    Outcome grabbed = Kmxcap({"grab", "--size", "320x240", "-o", grab});
    ASSERT_EQ(grabbed.status, 0) << grabbed.output;
    EXPECT_EQ(PngSize(grab), "320x240");

    // A numbered sequence, counted from 1, one picture a frame.
    Outcome sequence = Kmxcap({"record", "--format", "rgb16", "--size", "160x120", "--frames", "3",
                               "-o", TestDirectory() + "/frame%02d.png"});
    ASSERT_EQ(sequence.status, 0) << sequence.output;
    for (const char* name : {"frame01.png", "frame02.png", "frame03.png"})
        EXPECT_EQ(PngSize(TestDirectory() + "/" + name), "160x120") << name;
    EXPECT_EQ(PngSize(TestDirectory() + "/frame04.png"), "");

    // A recording for a time ends at that time, whole frames written.
    std::string raw = TestDirectory() + "/second.raw";
    Outcome timed =
        Kmxcap({"record", "--format", "yuy2", "--size", "160x120", "--seconds", "1", "-o", raw});
    ASSERT_EQ(timed.status, 0) << timed.output;
    std::ifstream frames(raw, std::ios::binary | std::ios::ate);
    EXPECT_GT(frames.tellg(), 0);
    EXPECT_EQ(frames.tellg() % (160 * 120 * 2), 0);
}

TEST(Kmxcap, AKilledRecordingLeavesTheCameraToTheNextOne) {
    ChildProcess service(ProgramPath("kmx512-camd"), {"serve", "--plug", "pantilt:K1"});
    for (;;) {
        std::optional<std::string> line = service.ReadLine();
        ASSERT_TRUE(line) << "the camera service did not start";
        if (*line == "ready") break;
    }
    ASSERT_EQ(RunProgram(ProgramPath("kmxctl"), {"driver", "install"}).status, 0);

    std::string first = TestDirectory() + "/first.avi";
    ChildProcess recording(ProgramPath("kmxcap"), {"record", "--seconds", "600", "-o", first});
    // Streaming once the camera has answered reads; the counters say when.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        std::string frames = RunProgram(ProgramPath("kmx512-camd"), {"frames", "K1"}).output;
        size_t read = frames.find("read ");
        if (read != std::string::npos && std::stoul(frames.substr(read + 5)) > 3) break;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    recording.Kill(SIGKILL);
    recording.Wait();

    // The dead holder's capture lock goes stale; the next one records.
    std::string second = TestDirectory() + "/second.raw";
    Outcome next = Kmxcap({"record", "-c", "1", "--format", "yuy2", "--size", "320x240", "--frames",
                           "5", "-o", second});
    ASSERT_EQ(next.status, 0) << next.output;
    std::ifstream raw(second, std::ios::binary | std::ios::ate);
    EXPECT_EQ(raw.tellg(), std::streamoff{5 * 320 * 240 * 2});
    RunProgram(ProgramPath("kmx512-camd"), {"stop"});
}

TEST(Kmxcap, TheFormatDialogChoosesTheFormatAndIsWrittenAsAPicture) {
    const std::string& directory = kmxtest::TestDirectory();
    std::string frame = directory + "/frame.png";
    Outcome grabbed = Kmxcap({"grab", "--format-dialog", "--snapshot", directory, "-o", frame});
    ASSERT_EQ(grabbed.status, 0) << grabbed.output;
    std::ifstream picture(directory + "/video-format.png", std::ios::binary);
    char signature[8] = {};
    picture.read(signature, sizeof signature);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    EXPECT_EQ(access(frame.c_str(), R_OK), 0);
    EXPECT_EQ(Kmxcap({"grab", "--format-dialog", "--size", "320x240", "-o", frame}).status, 2);
    EXPECT_EQ(Kmxcap({"grab", "--snapshot", directory, "-o", frame}).status, 2);
}

}  // namespace
