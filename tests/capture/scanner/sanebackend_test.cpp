// The SANE binding against SANE's own test back end, each picture checked
// against what the scanimage tool gets from the same device.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

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

// The test device stops its reader thread abruptly on a fault, at times while
// that thread holds the allocator's lock, and the next allocation then waits
// for ever. So each fault is tried in a child process, which exits with what
// check returns; a child still running after 5 s (a scan takes under a tenth
// of a second) is killed and the check run again, up to 5 times. -1 when no
// try finished.
int InChildProcess(const std::function<int()>& check) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) _exit(check());
    for (int waited = 0; waited < 500; ++waited) {
      int status = 0;
      if (waitpid(child, &status, WNOHANG) == child)
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      usleep(10000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  return -1;
}

TEST_F(SaneBackendTest, DeviceFaultsAreToldAndCancelIsNoFault) {
  // 0 when all holds, else the number of the first check that failed.
  const int jammed = InChildProcess([this] {
    if (!session_->SetText("read-return-value", "SANE_STATUS_JAMMED").empty()) return 1;
    const ScanOutcome o = Scan();
    std::fprintf(stderr, "jammed: %s\n", o.Error.c_str());
    if (o.Result != ScanOutcome::Kind::Failed) return 2;
    if (o.Error.find("застряла бумага") == std::string::npos) return 3;
    if (o.Error.find("(Document feeder jammed)") == std::string::npos) return 4;
    if (!o.Image.Empty()) return 5;
    // The device is usable again after every fault.
    if (!session_->SetText("read-return-value", "Default").empty()) return 6;
    return Scan().Result == ScanOutcome::Kind::Done ? 0 : 7;
  });
  EXPECT_EQ(jammed, 0) << "1, 6 option refused; 2 not failed; 3 no Russian text; "
                          "4 no device text; 5 an image; 7 the next scan failed";
  const int cancelled = InChildProcess([this] {
    if (!session_->SetText("read-return-value", "SANE_STATUS_CANCELLED").empty()) return 1;
    if (Scan().Result != ScanOutcome::Kind::Cancelled) return 2;
    if (!session_->SetText("read-return-value", "Default").empty()) return 3;
    return Scan().Result == ScanOutcome::Kind::Done ? 0 : 4;
  });
  EXPECT_EQ(cancelled, 0) << "1, 3 option refused; 2 not cancelled; 4 the next scan failed";
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
