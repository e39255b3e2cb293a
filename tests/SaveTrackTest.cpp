// Loading and saving through the file system: path rules, and a save that fails never harms
// the file that was there and leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "examples/SampleTracks.h"
#include "tests/TrackBytes.h"
#include "trackio/TrackFile.h"

namespace qu {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

class SaveTrackTest : public ::testing::Test {
 protected:
  test::TempFolder folder_;
  TrackModel sample_ = samples::MakeSampleTrack();
  Bytes sampleBytes_ = test::Serialize(sample_);
};

TEST_F(SaveTrackTest, SaveAppendsTheExtensionOnlyWhenMissing) {
  ASSERT_TRUE(SaveTrack(folder_.File("track"), sample_).ok());
  ASSERT_TRUE(SaveTrack(folder_.File("other.Qutrack"), sample_).ok());
  EXPECT_EQ(folder_.Entries(), (std::vector<std::string>{"other.Qutrack", "track.qutrack"}));
  EXPECT_EQ(test::ReadBytes(folder_.File("track.qutrack")), sampleBytes_);
}

TEST_F(SaveTrackTest, SavingOverALongerFileLeavesExactlyTheNewBytes) {
  const std::string path = folder_.File("track.qutrack");
  test::WriteBytes(path, Bytes(100000, 0x5A));
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(SaveTrack(path, sample_).ok());
  EXPECT_EQ(test::ReadBytes(path), sampleBytes_);
#ifndef _WIN32  // no permission bits there
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"track.qutrack"});
}

TEST_F(SaveTrackTest, SavingThroughALinkReplacesTheFileItPointsTo) {
  const std::string real = folder_.File("real.qutrack");
  const std::string link = folder_.File("link.qutrack");
  test::WriteBytes(real, Bytes{1, 2, 3});
  std::error_code made;
  fs::create_symlink(real, link, made);
  if (made) GTEST_SKIP() << "no symbolic links here: " << made.message();
  ASSERT_TRUE(SaveTrack(link, sample_).ok());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(test::ReadBytes(real), sampleBytes_);
}

TEST_F(SaveTrackTest, FailedSavesHarmNothingAndLeaveNoStrayFile) {
  const std::string existing = folder_.File("keep.qutrack");
  const Bytes old = {9, 8, 7, 6};
  test::WriteBytes(existing, old);
  fs::create_directory(folder_.path() / "folder.qutrack");
  const auto before = folder_.Entries();

  const std::vector<std::string> targets = {
      folder_.File("missing/track.qutrack"),  // no such folder
      folder_.File("folder.qutrack"),         // the target is a folder
      existing + "/track.qutrack",            // a path through a file
      "/proc/qu-vellumar-test.qutrack",       // a folder nobody may create files in
      "",                                     // no name at all
  };
  for (const auto& target : targets) {
    const Status status = SaveTrack(target, sample_);
    EXPECT_FALSE(status.ok()) << target;
    EXPECT_FALSE(status.reason().empty());
  }
  EXPECT_EQ(test::ReadBytes(existing), old);
  EXPECT_EQ(folder_.Entries(), before);
  EXPECT_FALSE(fs::exists("/proc/qu-vellumar-test.qutrack"));
}

TEST_F(SaveTrackTest, AFolderIsRefusedBeforeTheExtensionIsAppended) {
  fs::create_directory(folder_.path() / "outdir");
  const std::string outdir = folder_.File("outdir");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {outdir, "'" + outdir + "' is a folder"},
      {outdir + "/", "'" + outdir + "/' is a folder"},
      {outdir + "/.", "'" + outdir + "/.' is a folder"},
      {folder_.File("none/"), "'" + folder_.File("none/") + "' names a folder, not a file"},
  };
  for (const auto& [path, reason] : cases) EXPECT_EQ(SaveTrack(path, sample_).reason(), reason);
  EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"outdir"});
  EXPECT_TRUE(fs::is_empty(outdir));
}

TEST_F(SaveTrackTest, AModelThatCannotBeWrittenIsRefusedBeforeTouchingTheFile) {
  const std::string path = folder_.File("keep.qutrack");
  test::WriteBytes(path, sampleBytes_);
  TrackModel broken = sample_;
  broken.tera.Grid.pop_back();  // no longer Columns x Rows values
  const Status status = SaveTrack(path, broken);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), "terrain grid holds 47 values but is 8 x 6");
  EXPECT_EQ(test::ReadBytes(path), sampleBytes_);
}

TEST_F(SaveTrackTest, LoadChecksNameExistenceAndExtension) {
  const std::string good = folder_.File("track.QUTRACK");
  test::WriteBytes(good, sampleBytes_);
  const std::string wrongName = folder_.File("track.qutrack.bak");
  test::WriteBytes(wrongName, sampleBytes_);

  struct Case {
    std::string path;
    std::string reason;  // empty when the load succeeds
  };
  const std::vector<Case> cases = {
      {good, ""},
      {"", "no file name given"},
      {folder_.File("none.qutrack"), "no file at '" + folder_.File("none.qutrack") + "'"},
      {folder_.path().string(), "'" + folder_.path().string() + "' is a folder"},
      {wrongName, "'" + wrongName + "' does not end in .qutrack"},
  };
  for (const auto& c : cases) {
    TrackModel model;
    model.info.InfoText = "kept";
    const Status status = LoadTrack(c.path, model);
    EXPECT_EQ(status.reason(), c.reason) << c.path;
    EXPECT_EQ(model.info.InfoText, c.reason.empty() ? sample_.info.InfoText : "kept");
  }
}

TEST_F(SaveTrackTest, LoadReasonsStartWithThePath) {
  const std::string path = folder_.File("short.qutrack");
  test::WriteBytes(path, Bytes(sampleBytes_.begin(), sampleBytes_.begin() + 40));
  TrackModel model;
  const Status status = LoadTrack(path, model);
  EXPECT_EQ(status.reason().rfind("'" + path + "': file ends inside TRCK at offset", 0), 0u)
      << status.reason();
}

TEST_F(SaveTrackTest, NonAsciiPathsWork) {
  const std::string path = folder_.File("Achterbahn-Überschlag-过山车.qutrack");
  ASSERT_TRUE(SaveTrack(path, sample_).ok());
  TrackModel model;
  ASSERT_TRUE(LoadTrack(path, model).ok());
  EXPECT_EQ(test::Serialize(model), sampleBytes_);
}

}  // namespace
}  // namespace qu
