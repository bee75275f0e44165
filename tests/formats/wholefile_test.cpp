// Whole-file writes: a failure names the system's reason and replaces nothing.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "formats/wholefile.h"
#include "imagefiles/imagefiles.h"
#include "support/testfiles.h"
#include "support/testimages.h"

namespace fs = std::filesystem;

namespace {

size_t EntriesIn(const std::string& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

class WholeFile : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(dir_); }
  std::string dir_ = MakeTempDir("wholefile");
};

TEST_F(WholeFile, StagedFileReplacesOnlyOnCommit) {
  const std::string target = dir_ + "/report.json";
  ASSERT_EQ(WriteFileWhole(target, "old"), "");
  {
    StagedFile staged;
    ASSERT_EQ(staged.Stage(target, "new"), "");
    EXPECT_EQ(ReadAll(target), "old");
  }  // dropped: the temporary goes
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_EQ(EntriesIn(dir_), 1u);
  StagedFile staged;
  ASSERT_EQ(staged.Stage(target, "new"), "");
  ASSERT_EQ(staged.Commit(), "");
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_EQ(EntriesIn(dir_), 1u);
}

TEST_F(WholeFile, FailuresNameTheSystemsReason) {
  EXPECT_EQ(WriteFileWhole(dir_ + "/missing/report.json", "x"), "No such file or directory");
  fs::create_directory(dir_ + "/folder.json");
  EXPECT_EQ(WriteFileWhole(dir_ + "/folder.json", "x"), "Is a directory");
  EXPECT_EQ(EntriesIn(dir_), 1u);  // only the folder; no temporary left
}

// A file-size limit stands in for a full disk: the write fails midway with a
// reason from the system. Run in a child so the limit ends with it.
TEST_F(WholeFile, WriteFailingMidwayNamesTheReasonForEveryWriter) {
  const Bitmap picture = TexturedBitmap(300, 200, 2);
  for (const char* name : {"m.bmp", "m.png", "m.tif", "r.json"}) {
    SCOPED_TRACE(name);
    const std::string target = dir_ + "/" + name;
    ASSERT_EQ(WriteFileWhole(target, "previous"), "");
    const std::string reasonFile = dir_ + "/reason.txt";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{4096, 4096};
      setrlimit(RLIMIT_FSIZE, &limit);
      std::string reason;
      if (std::string(name) == "r.json") {
        reason = WriteFileWhole(target, std::string(20000, 'x'));
      } else {
        reason = PixSaveImage(target, picture).Detail;
      }
      std::ofstream(reasonFile) << reason;
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(ReadAll(reasonFile), "File too large");
    EXPECT_EQ(ReadAll(target), "previous");
    fs::remove(reasonFile);
    EXPECT_EQ(EntriesIn(dir_), 1u) << "a temporary was left";
    fs::remove(target);
  }
}

}  // namespace
