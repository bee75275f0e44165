// Staged saves: what a save does to the name it is given, and what a killed
// save leaves behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "formats/wholefile.h"
#include "support/testfiles.h"
#include "support/testimages.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class FileCommit : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { StagedFile::AllowUnnamedTemporaries(GetParam()); }
  void TearDown() override {
    StagedFile::AllowUnnamedTemporaries(true);
    ClearProtectedFiles();
    fs::remove_all(dir_);
  }
  std::string dir_ = MakeTempDir("filecommit");
};

TEST_P(FileCommit, WritesThroughLinksAndKeepsTheMode) {
  const std::string real = dir_ + "/real.json", link = dir_ + "/link.json";
  ASSERT_EQ(WriteFileWhole(real, "old"), "");
  ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
  fs::create_symlink("real.json", link);
  ASSERT_EQ(WriteFileWhole(link, "new"), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadAll(real), "new");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // A dangling link makes its target.
  fs::create_symlink("made.json", dir_ + "/dangling.json");
  ASSERT_EQ(WriteFileWhole(dir_ + "/dangling.json", "made"), "");
  EXPECT_EQ(ReadAll(dir_ + "/made.json"), "made");
  EXPECT_TRUE(fs::is_symlink(dir_ + "/dangling.json"));
  EXPECT_EQ(Entries(dir_),
            (std::vector<std::string>{"dangling.json", "link.json", "made.json", "real.json"}));
}

TEST_P(FileCommit, DevicesAndFifosAreWrittenInPlace) {
  ASSERT_EQ(WriteFileWhole("/dev/null", "discarded"), "");
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  const std::string fifo = dir_ + "/pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Nobody reads: refused at once, never a hang.
  EXPECT_EQ(WriteFileWhole(fifo, "x"), "nobody reads the FIFO");
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(WriteFileWhole(fifo, "through the pipe"), "");
  char got[64] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 16);
  EXPECT_STREQ(got, "through the pipe");
  ::close(reader);
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"pipe"});
}

TEST_P(FileCommit, NewNamesAreCreatedExclusivelyAndInputsNeverReplaced) {
  const std::string taken = dir_ + "/P_0000.bmp";
  ASSERT_EQ(WriteFileWhole(taken, "another run's"), "");
  StagedFile staged;
  ASSERT_EQ(staged.Stage(taken, "ours"), "");
  EXPECT_EQ(staged.CommitNew(), "File exists");
  EXPECT_TRUE(staged.Clashed());
  ASSERT_EQ(staged.CommitNew("P_0001.bmp"), "");
  EXPECT_FALSE(staged.Clashed());
  EXPECT_EQ(ReadAll(taken), "another run's");
  EXPECT_EQ(ReadAll(dir_ + "/P_0001.bmp"), "ours");

  ProtectFromReplacement(taken);
  EXPECT_EQ(WriteFileWhole(dir_ + "/./P_0000.bmp", "x"), "it is one of the run's inputs");
  EXPECT_EQ(CheckSaveTarget(taken), "it is one of the run's inputs");
  EXPECT_EQ(ReadAll(taken), "another run's");
  EXPECT_EQ(CheckSaveTarget(dir_), "Is a directory");
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"P_0000.bmp", "P_0001.bmp"}));
}

// A save killed halfway leaves nothing with an unnamed temporary; a named
// one is removed by a later run's save into that folder, its owner gone.
TEST_P(FileCommit, AKilledSaveLeavesNothingBehind) {
  const std::string target = dir_ + "/mosaic.bmp";
  ASSERT_EQ(WriteFileWhole(target, "previous"), "");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    StagedFile staged;
    staged.Open(target);
    staged.Write(std::string(1 << 20, 'x').data(), 1 << 20);
    ::raise(SIGKILL);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadAll(target), "previous");
  const size_t left = Entries(dir_).size();
  EXPECT_EQ(left, GetParam() ? 1u : 2u);
  // What the first save of a later run into the folder does.
  EXPECT_EQ(RemoveAbandonedTemps(dir_, true), GetParam() ? 0 : 1);
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"mosaic.bmp"});
  // A hidden temporary of a live process is left alone.
  const std::string live = HiddenTempName(target);
  std::ofstream(live) << "in progress";
  EXPECT_EQ(RemoveAbandonedTemps(dir_, true), 0);
  EXPECT_TRUE(fs::exists(live));
}

INSTANTIATE_TEST_SUITE_P(Temporaries, FileCommit, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "Unnamed" : "Named"; });

}  // namespace
