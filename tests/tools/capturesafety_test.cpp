// The capture runner as a hostile user tries it: odd report names, names
// that are not UTF-8, folders that already hold frames, runs at once, inputs
// named like frames, unbounded inputs and a camera path that makes nonsense.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <set>

#include <nlohmann/json.hpp>

#include "capture/simulated/simulatedcameraspec.h"
#include "capturecli.h"
#include "capturejob.h"
#include "formats/filecommit.h"
#include "formats/utf8text.h"
#include "imagefiles/bmpreader.h"
#include "imagefiles/imagefiles.h"
#include "support/testfiles.h"
#include "support/testimages.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Spawned {
  pid_t Pid = -1;
  std::string Out, Err;  // files the streams go to
};

// argv as raw bytes: names that are not UTF-8 must reach the program as they are.
Spawned Start(const std::vector<std::string>& args, const std::string& streams) {
  Spawned s{-1, streams + ".out", streams + ".err"};
  std::vector<char*> argv{const_cast<char*>(QUILTOR_CAPTURE_EXE)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, s.Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, s.Err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn(&s.Pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  return s;
}

struct Finished {
  int Status = -1;  // -1: killed by a signal
  std::string Out, Err;
};

Finished Wait(const Spawned& s) {
  int status = 0;
  waitpid(s.Pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(s.Out), ReadAll(s.Err)};
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class CaptureSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PixSaveImage(picture, slide));
    // Three 320 x 240 fields to the right, 200 pixels apart, a step between.
    std::ofstream(path) << "0 0\n100 0\n200 0\n300 0\n400 0\n";
  }
  void TearDown() override {
    ClearProtectedFiles();
    fs::remove_all(dir);
  }
  std::vector<std::string> Run3(std::vector<std::string> more) const {
    std::vector<std::string> args{"--simulate",   picture,   "--path",      path,
                                  "--size",       "320x240", "--frames-at", "0,2,4",
                                  "--directions", "1,1",     "--quiet"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  Finished Capture(const std::vector<std::string>& more) const {
    return Wait(Start(Run3(more), dir + "/run"));
  }
  CaptureOptions Options() const {
    CaptureOptions o;
    o.Simulate = picture;
    o.PathFile = path;
    o.Size = {320, 240};
    o.FramesAt = {0, 2, 4};
    o.Directions = {1, 1};
    o.Stitch.Auto = false;
    o.Stitch.Output = dir + "/m.bmp";
    return o;
  }

  std::string dir = MakeTempDir("capturesafety");
  Bitmap slide = TexturedBitmap(800, 400, 21);
  std::string picture = dir + "/slide.bmp", path = dir + "/walk.txt";
};

TEST_F(CaptureSafety, ReportsGoToDevicesStandardOutputAndNeverLate) {
  const Finished toNull = Capture({"-o", dir + "/m.bmp", "--report", "/dev/null"});
  ASSERT_EQ(toNull.Status, 0) << toNull.Err;
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  const Finished toStdout = Capture({"-o", dir + "/m.bmp", "--report", "-"});
  ASSERT_EQ(toStdout.Status, 0) << toStdout.Err;
  EXPECT_EQ(nlohmann::json::parse(toStdout.Out).at("images").size(), 3u);
  // A report that names a folder is refused before the mosaic is replaced.
  std::ofstream(dir + "/m.bmp") << "previous mosaic";
  fs::create_directory(dir + "/folder.json");
  const Finished folder = Capture({"-o", dir + "/m.bmp", "--report", dir + "/folder.json"});
  EXPECT_EQ(folder.Status, 2);
  EXPECT_NE(folder.Err.find("Is a directory"), std::string::npos) << folder.Err;
  EXPECT_EQ(ReadAll(dir + "/m.bmp"), "previous mosaic");
}

TEST_F(CaptureSafety, NamesThatAreNotUtf8GiveAValidReportAndLeaveNothingStaged) {
  const std::string frames = dir + "/\xcf\xe0\xef\xea\xe0";  // cp1251 "Папка"
  const Finished r = Capture({"--project", "\xd1\xed\xe8\xec\xee\xea", "--save-frames", frames,
                              "-o", dir + "/m.bmp", "--report", dir + "/r.json"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  const std::string text = ReadAll(dir + "/r.json");
  EXPECT_EQ(ValidUtf8(text), text);
  const nlohmann::json report = nlohmann::json::parse(text);
  EXPECT_EQ(report["images"][2]["file"], ValidUtf8(frames + "/\xd1\xed\xe8\xec\xee\xea_0002.bmp"));
  EXPECT_TRUE(fs::exists(frames + "/\xd1\xed\xe8\xec\xee\xea_0002.bmp"));
  EXPECT_EQ(Entries(dir),
            (std::vector<std::string>{"m.bmp", "r.json", "run.err", "run.out", "slide.bmp",
                                      "walk.txt", frames.substr(dir.size() + 1)}));
}

TEST_F(CaptureSafety, ExistingFramesAreRefusedContinuedOrOverwritten) {
  const std::string frames = dir + "/frames";
  const std::vector<std::string> save{"--project", "Demo", "--save-frames",
                                      frames,      "-o",   dir + "/m.bmp"};
  ASSERT_EQ(Capture(save).Status, 0);
  const std::string last = ReadAll(frames + "/Demo_0002.bmp");
  const Finished again = Capture(save);
  EXPECT_EQ(again.Status, 2);
  EXPECT_NE(again.Err.find(frames + "/Demo_0002.bmp"), std::string::npos) << again.Err;
  EXPECT_EQ(ReadAll(frames + "/Demo_0002.bmp"), last);

  std::vector<std::string> continued = save;
  continued.insert(continued.end(), {"--continue", "--report", dir + "/r.json"});
  ASSERT_EQ(Capture(continued).Status, 0);
  EXPECT_EQ(Entries(frames).size(), 6u);
  EXPECT_EQ(nlohmann::json::parse(ReadAll(dir + "/r.json"))["images"][0]["file"],
            frames + "/Demo_0003.bmp");
  std::ofstream(frames + "/Demo_0000.bmp") << "to be replaced";
  std::vector<std::string> overwritten = save;
  overwritten.push_back("--overwrite");
  ASSERT_EQ(Capture(overwritten).Status, 0);
  Bitmap first;
  ASSERT_TRUE(PixLoadImage(frames + "/Demo_0000.bmp", first));
  EXPECT_EQ(first, CropBitmap(slide, 0, 0, 320, 240));
}

// Four runs at once into one folder under one name: every frame file holds
// the picture its own run's report says, and no name is in two reports.
TEST_F(CaptureSafety, RunsAtOnceNeverShareAFrameName) {
  std::vector<Spawned> runs;
  for (int i = 0; i < 4; ++i) {
    const std::string n = std::to_string(i);
    runs.push_back(Start(Run3({"--project", "Demo", "--save-frames", dir + "/frames", "-o",
                               dir + "/m" + n + ".bmp", "--report", dir + "/r" + n + ".json"}),
                         dir + "/run" + n));
  }
  std::set<std::string> named;
  int finished = 0;
  for (int i = 0; i < 4; ++i) {
    const Finished r = Wait(runs[static_cast<size_t>(i)]);
    // A run that started after another's first frame is refused, as the window would ask.
    if (r.Status == 2) continue;
    ASSERT_EQ(r.Status, 0) << r.Err;
    ++finished;
    const auto report = nlohmann::json::parse(ReadAll(dir + "/r" + std::to_string(i) + ".json"));
    for (const auto& image : report["images"]) {
      const std::string file = image["file"];
      EXPECT_TRUE(named.insert(file).second) << file;
      Bitmap frame;
      ASSERT_TRUE(PixLoadImage(file, frame)) << file;
      EXPECT_EQ(frame, CropBitmap(slide, image["origin"][0], image["origin"][1], 320, 240)) << file;
    }
  }
  EXPECT_GE(finished, 1);
  EXPECT_EQ(named.size(), Entries(dir + "/frames").size());
}

TEST_F(CaptureSafety, NoFrameReplacesAnInput) {
  const std::string pics = dir + "/pics", named = pics + "/Demo_0001.bmp";
  fs::create_directory(pics);
  ASSERT_TRUE(PixSaveImage(named, slide));
  const std::string before = ReadAll(named);
  for (const char* mode : {"--overwrite", "--continue"}) {
    CaptureCliOutcome cli;
    std::vector<std::string> args =
        Run3({"--project", "Demo", "--save-frames", pics, mode, "-o", dir + "/m.bmp"});
    args[1] = named;
    args.insert(args.begin(), "quiltor-capture");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    cli = ParseCaptureArgs(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(cli.ExitCode, 2) << mode;
    EXPECT_NE(cli.Message.find("named like a frame"), std::string::npos) << cli.Message;
  }
  // Past the command line, the run itself still refuses to replace it.
  CaptureOptions o = Options();
  o.Simulate = named;
  o.ProjectName = "Demo";
  o.SaveFramesTo = pics;
  o.OverwriteFrames = true;
  const StitchResult result = RunCapture(o, nullptr);
  EXPECT_NE(result.ExitCode, 0);
  EXPECT_NE(result.Error.find("inputs"), std::string::npos) << result.Error;
  EXPECT_EQ(ReadAll(named), before);
}

TEST_F(CaptureSafety, UnboundedInputsAreRefusedAtOnce) {
  const std::string fifo = dir + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(dir + "/huge.txt")
      << std::string(static_cast<size_t>(kMaxCameraPathBytes) + 1, '\n');
  std::ofstream(dir + "/long.txt") << "0 0\n" << std::string(300, ' ') << "5 5\n";
  const std::pair<std::string, std::string> paths[] = {
      {fifo, "not a regular file"},
      {"/dev/zero", "not a regular file"},
      {dir + "/huge.txt", "larger than 4 MiB"},
      {dir + "/long.txt", "line 2: longer than 200 bytes"}};
  for (const auto& [file, words] : paths) {
    CaptureOptions o = Options();
    o.PathFile = file;
    const StitchResult r = RunCapture(o, nullptr);
    EXPECT_EQ(r.ExitCode, 2) << file;
    EXPECT_NE(r.Error.find(words), std::string::npos) << r.Error;
  }
  CaptureOptions beyond = Options();
  beyond.FramesAt = {0, 2, 2147483647 % kMaxLiveFrames};
  const StitchResult r = RunCapture(beyond, nullptr);
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Error.find("live frames 0 to 4"), std::string::npos) << r.Error;
  CaptureOptions tracking = Options();
  tracking.FramesAt.clear();
  tracking.Directions.clear();
  tracking.Tracking = true;
  tracking.LiveFrames = 6;
  EXPECT_EQ(RunCapture(tracking, nullptr).ExitCode, 2);
  for (const char* refused : {"2147483647", "100001", "0"}) {
    const std::vector<const char*> args{"quiltor-capture", "--simulate", "specimen", "--auto",
                                        "--live-frames",   refused,      "-o",       "m.bmp"};
    const CaptureCliOutcome cli = ParseCaptureArgs(static_cast<int>(args.size()), args.data());
    EXPECT_EQ(cli.ExitCode, 2);
    EXPECT_NE(cli.Message.find("not in [1 - 100000]"), std::string::npos) << cli.Message;
  }
  const std::vector<const char*> far{
      "quiltor-capture", "--simulate", "specimen", "--frames-at", "0,2147483647",
      "--directions",    "1",          "-o",       "m.bmp"};
  EXPECT_EQ(ParseCaptureArgs(static_cast<int>(far.size()), far.data()).ExitCode, 2);
}

TEST_F(CaptureSafety, TheSimulatedCameraTellsClampedAndRepeatedViews) {
  std::ofstream(path, std::ios::trunc) << "0 0\n0 0\n200 0\n700 0\n";
  CaptureOptions outside = Options();
  outside.FramesAt = {0, 2, 3};
  StitchResult r = RunCapture(outside, nullptr);
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Error.find("live frame 3 at (700, 0), outside"), std::string::npos) << r.Error;
  CaptureOptions repeated = Options();
  repeated.FramesAt = {0, 1, 2};
  r = RunCapture(repeated, nullptr);
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Error.find("live frames 0 and 1 are both at (0, 0)"), std::string::npos) << r.Error;
  EXPECT_FALSE(fs::exists(dir + "/m.bmp"));
  // Without a path every frame comes from the centre: said per frame.
  CaptureOptions still = Options();
  still.PathFile.clear();
  r = RunCapture(still, nullptr);
  size_t said = 0;
  for (const std::string& w : r.Warnings) said += w.find("same position (240, 80)") != w.npos;
  EXPECT_EQ(said, 2u);
}

TEST_F(CaptureSafety, FailuresCarryTheirTrueReasonInEnglish) {
  std::ofstream(dir + "/huge.bmp", std::ios::binary) << BmpFileHeader(70000, 70000);
  CaptureOptions o = Options();
  o.Simulate = dir + "/huge.bmp";
  const StitchResult tooLarge = RunCapture(o, nullptr);
  EXPECT_EQ(tooLarge.ExitCode, 1);
  EXPECT_NE(tooLarge.Error.find("image too large"), std::string::npos) << tooLarge.Error;
  o.Simulate = dir;
  const StitchResult folder = RunCapture(o, nullptr);
  EXPECT_NE(folder.Error.find("is a folder"), std::string::npos) << folder.Error;
  o.Simulate = picture;
  o.Size = {1024, 768};
  const StitchResult size = RunCapture(o, nullptr);
  EXPECT_EQ(size.ExitCode, 2);
  EXPECT_NE(size.Error.find("800x400 picture gives 320x240"), std::string::npos) << size.Error;
  for (const StitchResult* r : {&tooLarge, &folder, &size}) {
    for (const unsigned char c : r->Error) EXPECT_LT(c, 0x80) << r->Error;  // no Russian
  }
}

}  // namespace
