// The SANE binding against SANE's own test back end, each picture checked
// against what the scanimage tool gets from the same device.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "capture/run/projectnames.h"
#include "capture/scanner/scanner.h"
#include "capture/scanner/scansettings.h"
#include "support/sanetest.h"
#include "support/testimages.h"

namespace {

constexpr char kLibrary[] = "libsane.so.1";

class SaneBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    backend_ = LoadSaneBackend(kLibrary, error);
    ASSERT_TRUE(backend_) << error;
    session_ = backend_->Open("test:0", error);
    ASSERT_TRUE(session_) << error;
  }
  void TearDown() override {
    session_.reset();
    backend_.reset();
  }

  void Set(const std::string& name, const std::string& value) {
    ASSERT_EQ(session_->SetText(name, value), "") << name;
  }
  void Set(const std::string& name, double value) {
    ASSERT_EQ(session_->SetNumber(name, value), "") << name;
  }

  ScanOutcome Scan() {
    std::atomic<bool> cancel{false};
    return session_->Scan(nullptr, cancel);
  }

  // Our picture equals scanimage's with the same options.
  void ExpectSameAsScanimage(const std::vector<std::string>& options) {
    const ScanOutcome outcome = Scan();
    ASSERT_EQ(outcome.Result, ScanOutcome::Kind::Done) << outcome.Error;
    const std::optional<Bitmap> reference = ScanimageReference(options);
    ASSERT_TRUE(reference) << "scanimage failed";
    ASSERT_EQ(outcome.Image.Width(), reference->Width());
    ASSERT_EQ(outcome.Image.Height(), reference->Height());
    EXPECT_TRUE(outcome.Image == *reference);
  }

  SaneTestConfig config_;
  std::unique_ptr<ScannerBackend> backend_;
  std::unique_ptr<ScannerSession> session_;
};

TEST_F(SaneBackendTest, ListsTheDevicesAndTheirOptions) {
  const std::vector<ScannerDevice> devices = backend_->Devices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].Name, "test:0");
  const std::vector<ScanOption> options = session_->Options();
  const ScanOption* mode = FindScanOption(options, "mode");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->Text, "Gray");
  EXPECT_EQ(mode->Strings, (std::vector<std::string>{"Gray", "Color"}));
  const ScanOption* resolution = FindScanOption(options, "resolution");
  ASSERT_NE(resolution, nullptr);
  EXPECT_EQ(resolution->Type, ScanValueType::Fixed);
  ASSERT_TRUE(resolution->Range);
  EXPECT_DOUBLE_EQ(resolution->Range->Max, 1200);  // a real number, not 16.16
  Set("resolution", 75);
  EXPECT_DOUBLE_EQ(FindScanOption(session_->Options(), "resolution")->Number, 75);

  const ScanCapabilities caps = DescribeScanner(options);
  // The device has no line-art mode: grey at one bit a sample stands in.
  EXPECT_EQ(caps.Colours,
            (std::vector<ScanColour>{ScanColour::Colour, ScanColour::Grey, ScanColour::LineArt}));
  EXPECT_EQ(caps.CurrentColour, ScanColour::Grey);
  ASSERT_TRUE(caps.HasArea);
  EXPECT_EQ(caps.AreaUnit, ScanUnit::Mm);
  EXPECT_EQ(caps.Area, (ScanArea{0, 0, 80, 100}));
  EXPECT_EQ(caps.FullArea, (ScanArea{0, 0, 200, 200}));
}

TEST_F(SaneBackendTest, EveryModeArrivesAsTheSamePictureScanimageGets) {
  Set("test-picture", "Color pattern");
  Set("resolution", 30.0);
  for (const auto& [colour, depth, mode] :
       {std::tuple{ScanColour::Colour, 8.0, "Color"}, std::tuple{ScanColour::Colour, 16.0, "Color"},
        std::tuple{ScanColour::Grey, 8.0, "Gray"}, std::tuple{ScanColour::Grey, 16.0, "Gray"},
        std::tuple{ScanColour::LineArt, 1.0, "Gray"}}) {
    SCOPED_TRACE(std::string(mode) + " " + std::to_string(depth));
    ScanChoices choices;
    choices.Colour = colour;
    choices.Depth = depth;
    ASSERT_EQ(ApplyScanChoices(*session_, choices), "");
    const std::vector<ScanOption> options = session_->Options();
    EXPECT_EQ(FindScanOption(options, "mode")->Text, mode);
    EXPECT_EQ(FindScanOption(options, "depth")->Number, depth);
    ExpectSameAsScanimage({std::string("--mode=") + mode, "--depth=" + std::to_string(int(depth)),
                           "--resolution=30", "--test-picture=Color pattern"});
  }
}

TEST_F(SaneBackendTest, ThreePassHandHeldAndPaddedScansAreWholePictures) {
  Set("test-picture", "Color pattern");
  Set("mode", "Color");
  Set("resolution", 25.0);
  Set("three-pass", 1.0);
  ExpectSameAsScanimage({"--mode=Color", "--resolution=25", "--test-picture=Color pattern"});
  Set("three-pass", 0.0);
  // A height known only at the end and lines longer than their pixels.
  Set("hand-scanner", 1.0);
  Set("read-limit", 1.0);
  Set("read-limit-size", 1000.0);
  const ScanOutcome outcome = Scan();
  ASSERT_EQ(outcome.Result, ScanOutcome::Kind::Done) << outcome.Error;
  const std::optional<Bitmap> reference = ScanimageReference(
      {"--mode=Color", "--resolution=25", "--test-picture=Color pattern", "--hand-scanner=yes"});
  ASSERT_TRUE(reference);
  ASSERT_EQ(outcome.Image.Width(), reference->Width());
  ASSERT_EQ(outcome.Image.Height(), reference->Height());
  EXPECT_TRUE(outcome.Image == *reference);
}

TEST_F(SaneBackendTest, PaddingAtTheEndOfEachLineIsLeftOut) {
  Set("test-picture", "Grid");
  Set("resolution", 25.0);
  Set("ppl-loss", 7.0);
  const ScanOutcome outcome = Scan();
  ASSERT_EQ(outcome.Result, ScanOutcome::Kind::Done) << outcome.Error;
  // The device sends the lines it would without the loss and tells 7 pixels
  // fewer (scanimage itself writes the padding into its picture).
  const std::optional<Bitmap> full =
      ScanimageReference({"--mode=Gray", "--resolution=25", "--test-picture=Grid"});
  ASSERT_TRUE(full);
  ASSERT_EQ(outcome.Image.Width(), full->Width() - 7);
  EXPECT_TRUE(outcome.Image == CropBitmap(*full, 0, 0, full->Width() - 7, full->Height()));
}

TEST_F(SaneBackendTest, ScanAreaAndResolutionDecideThePictureSize) {
  ScanChoices choices;
  choices.Resolution = 127;                 // five dots a millimetre
  choices.Area = ScanArea{10, 20, 60, 45};  // 50 by 25 mm
  ASSERT_EQ(ApplyScanChoices(*session_, choices), "");
  EXPECT_EQ(DescribeScanner(session_->Options()).Area, *choices.Area);
  const ScanOutcome outcome = Scan();
  ASSERT_EQ(outcome.Result, ScanOutcome::Kind::Done) << outcome.Error;
  EXPECT_EQ(outcome.Image.Width(), 250);
  EXPECT_EQ(outcome.Image.Height(), 125);
}

// What a scan in a child process gave.
struct ChildScan {
  ScanOutcome::Kind Result = ScanOutcome::Kind::Failed;
  bool ImageEmpty = false;
  std::string Error;
};

// The test device stops its reader thread abruptly on a fault, at times while
// that thread holds the allocator's lock, and the next allocation then waits
// for ever. So each fault, and the scan after it, runs in a child process
// that writes what it saw with no allocation after the fault and leaves
// at once; a child that hangs is killed and the whole try made again.
std::optional<std::vector<ChildScan>> ScansInChild(ScannerSession& session,
                                                   const std::vector<std::string>& statuses) {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    close(fds[0]);
    for (const std::string& status : statuses) {
      if (!session.SetText("read-return-value", status).empty()) _exit(1);
      std::atomic<bool> cancel{false};
      const ScanOutcome o = session.Scan(nullptr, cancel);
      const char head[2] = {static_cast<char>(o.Result), static_cast<char>(o.Image.Empty())};
      const uint32_t size = static_cast<uint32_t>(o.Error.size());
      if (write(fds[1], head, 2) != 2 || write(fds[1], &size, 4) != 4 ||
          write(fds[1], o.Error.data(), size) != static_cast<ssize_t>(size)) {
        _exit(1);
      }
    }
    _exit(0);
  }
  close(fds[1]);
  std::string said;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fds[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char chunk[512];
    const ssize_t n = read(fds[0], chunk, sizeof chunk);
    if (n <= 0) break;
    said.append(chunk, static_cast<size_t>(n));
  }
  close(fds[0]);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  std::vector<ChildScan> scans;
  size_t at = 0;
  while (said.size() - at >= 6) {
    ChildScan scan;
    scan.Result = static_cast<ScanOutcome::Kind>(said[at]);
    scan.ImageEmpty = said[at + 1] != 0;
    uint32_t size = 0;
    std::memcpy(&size, said.data() + at + 2, 4);
    if (said.size() - at - 6 < size) break;
    scan.Error = said.substr(at + 6, size);
    scans.push_back(std::move(scan));
    at += 6 + size;
  }
  if (scans.size() != statuses.size()) return std::nullopt;
  return scans;
}

std::optional<std::vector<ChildScan>> ScansInChildTried(ScannerSession& session,
                                                        const std::vector<std::string>& statuses) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (auto scans = ScansInChild(session, statuses)) return scans;
  }
  return std::nullopt;
}

TEST_F(SaneBackendTest, DeviceFaultsAreToldAndCancelIsNoFault) {
  const auto jammed = ScansInChildTried(*session_, {"SANE_STATUS_JAMMED", "Default"});
  ASSERT_TRUE(jammed);
  EXPECT_EQ((*jammed)[0].Result, ScanOutcome::Kind::Failed);
  EXPECT_NE((*jammed)[0].Error.find("застряла бумага"), std::string::npos) << (*jammed)[0].Error;
  EXPECT_NE((*jammed)[0].Error.find("(Document feeder jammed)"), std::string::npos)
      << (*jammed)[0].Error;
  EXPECT_TRUE((*jammed)[0].ImageEmpty);
  // The device is usable again after every fault.
  EXPECT_EQ((*jammed)[1].Result, ScanOutcome::Kind::Done) << (*jammed)[1].Error;
  EXPECT_FALSE((*jammed)[1].ImageEmpty);
  const auto cancelled = ScansInChildTried(*session_, {"SANE_STATUS_CANCELLED", "Default"});
  ASSERT_TRUE(cancelled);
  EXPECT_EQ((*cancelled)[0].Result, ScanOutcome::Kind::Cancelled);
  EXPECT_EQ((*cancelled)[1].Result, ScanOutcome::Kind::Done) << (*cancelled)[1].Error;
}

TEST_F(SaneBackendTest, CancelMidwayStopsTheScanAndTheNextOneWorks) {
  Set("resolution", 200.0);
  Set("read-limit", 1.0);
  Set("read-limit-size", 4096.0);
  std::atomic<bool> cancel{false};
  int calls = 0;
  const ScanOutcome cancelled = session_->Scan(
      [&](int percent) {
        ++calls;
        if (percent >= 10) cancel = true;
      },
      cancel);
  EXPECT_EQ(cancelled.Result, ScanOutcome::Kind::Cancelled);
  EXPECT_GT(calls, 0);
  EXPECT_TRUE(cancelled.Image.Empty());
  int last = -1;
  std::atomic<bool> never{false};
  const ScanOutcome done = session_->Scan([&](int percent) { last = percent; }, never);
  EXPECT_EQ(done.Result, ScanOutcome::Kind::Done);
  EXPECT_EQ(last, 100);
}

TEST(ScanStatusText, EveryFaultASaneDeviceReportsIsWordedForTheUser) {
  // The codes as the SANE standard numbers them.
  const std::pair<int, const char*> texts[] = {
      {1, "не поддерживает"}, {2, "прервано"},
      {3, "занят"},           {4, "не принял"},
      {5, "закончил"},        {6, "застряла бумага"},
      {7, "нет документов"},  {8, "Крышка сканера открыта"},
      {9, "Ошибка связи"},    {10, "не хватило памяти"},
      {11, "Нет доступа"},    {12, "не прогрелась"},
      {13, "заблокирован"},   {99, "код 99"},
  };
  for (const auto& [status, words] : texts) {
    EXPECT_NE(ScanStatusText(status).find(words), std::string::npos) << status;
  }
}

TEST(SaneLibrary, AMissingOrForeignLibraryIsToldNotFatal) {
  std::string error;
  EXPECT_FALSE(LoadSaneBackend("/nonexistent/libsane.so.1", error));
  EXPECT_NE(error.find("libsane1"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(LoadSaneBackend("libm.so.6", error));
  EXPECT_NE(error.find("sane_init"), std::string::npos) << error;
}

TEST(SaneLibrary, AnUnknownDeviceIsToldWhenOpened) {
  SaneTestConfig config;
  std::string error;
  std::unique_ptr<ScannerBackend> backend = LoadSaneBackend(kLibrary, error);
  ASSERT_TRUE(backend) << error;
  EXPECT_FALSE(backend->Open("nosuch:7", error));
  EXPECT_NE(error.find("nosuch:7"), std::string::npos) << error;
}

TEST(NextScanFileName, NumbersEveryScanAndPassesOverFilesThatExist) {
  const std::string dir = MakeTempDir("scannames");
  const std::string base = dir + "/Scan.jpg";
  int counter = 0;
  EXPECT_EQ(NextScanFileName(base, counter, true), dir + "/Scan0.jpg");
  EXPECT_EQ(counter, 1);
  std::ofstream(dir + "/Scan1.jpg") << "earlier run";
  std::ofstream(dir + "/Scan2.jpg") << "earlier run";
  EXPECT_EQ(NextScanFileName(base, counter, true), dir + "/Scan3.jpg");
  EXPECT_EQ(counter, 4);
  // Without numbering the one file is the user's choice to overwrite.
  std::ofstream(base) << "old";
  EXPECT_EQ(NextScanFileName(base, counter, false), base);
  EXPECT_EQ(counter, 5);
  counter = 0;
  EXPECT_EQ(NextScanFileName(dir + "/Scan", counter, true), dir + "/Scan0");
  std::filesystem::remove_all(dir);
}

}  // namespace
