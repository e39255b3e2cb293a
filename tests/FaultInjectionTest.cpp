// Saving when a step of the file system fails or the process dies in the middle: the failure
// is reported, an existing file holds exactly its old bytes or exactly the new ones, and no
// temporary file is left behind by a failure.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "tests/TrackBytes.h"
#include "trackio/FileAccess.h"

namespace qu {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

std::error_code Code(std::errc error) {
  return std::make_error_code(error);
}

enum class Fault { kCreate, kWriteHalf, kDiskFull, kFlushFile, kClose, kRename, kFlushFolder };

// The real operations, with one step made to fail the way the system would fail it.
class FaultyOps : public FileOps {
 public:
  explicit FaultyOps(Fault fault) : fault_(fault) {}

  std::error_code CreateNew(const fs::path& path, FileHandle& file) override {
    if (fault_ == Fault::kCreate) return Code(std::errc::permission_denied);
    return FileOps::CreateNew(path, file);
  }
  std::error_code Write(FileHandle file, const std::uint8_t* data, std::size_t size) override {
    if (fault_ == Fault::kWriteHalf) {
      EXPECT_FALSE(FileOps::Write(file, data, size / 2));
      return Code(std::errc::io_error);
    }
    if (fault_ == Fault::kDiskFull) return Code(std::errc::no_space_on_device);
    return FileOps::Write(file, data, size);
  }
  std::error_code FlushToDisk(FileHandle file) override {
    return fault_ == Fault::kFlushFile ? Code(std::errc::io_error) : FileOps::FlushToDisk(file);
  }
  std::error_code Close(FileHandle file) override {
    const std::error_code closed = FileOps::Close(file);  // the file is closed either way
    return fault_ == Fault::kClose ? Code(std::errc::io_error) : closed;
  }
  std::error_code Rename(const fs::path& from, const fs::path& to) override {
    // Only the first rename fails: putting the old file back must still work.
    if (fault_ == Fault::kRename && renames_++ == 0) return Code(std::errc::permission_denied);
    return FileOps::Rename(from, to);
  }
  std::error_code FlushFolder(const fs::path& folder) override {
    return fault_ == Fault::kFlushFolder ? Code(std::errc::io_error) : FileOps::FlushFolder(folder);
  }

 private:
  Fault fault_;
  int renames_ = 0;
};

struct FaultCase {
  const char* name;
  Fault fault;
  const char* reason;  // the start of the reported reason
};

class FaultInjectionTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  test::TempFolder folder_;
  const Bytes newBytes_ = Bytes(100000, 0x42);
};

TEST_P(FaultInjectionTest, TheOldFileSurvivesAndNothingIsLeftBehind) {
  const std::string target = folder_.File("track.qutrack");
  const Bytes old = {1, 2, 3, 4, 5};
  test::WriteBytes(target, old);
  FaultyOps ops(GetParam().fault);
  const Status status = WriteFileAtomically(target, newBytes_, ops);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.reason().rfind(GetParam().reason, 0), 0u) << status.reason();
  EXPECT_EQ(test::ReadBytes(target), old);
  EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"track.qutrack"});
}

TEST_P(FaultInjectionTest, NoFileAppearsWhenThereWasNone) {
  FaultyOps ops(GetParam().fault);
  EXPECT_FALSE(WriteFileAtomically(folder_.File("new.qutrack"), newBytes_, ops).ok());
  EXPECT_TRUE(folder_.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, FaultInjectionTest,
    ::testing::Values(FaultCase{"Create", Fault::kCreate, "cannot create a file in folder"},
                      FaultCase{"WriteHalf", Fault::kWriteHalf, "cannot write"},
                      FaultCase{"DiskFull", Fault::kDiskFull, "cannot write"},
                      FaultCase{"FlushFile", Fault::kFlushFile, "cannot flush"},
                      FaultCase{"Close", Fault::kClose, "cannot write"},
                      FaultCase{"Rename", Fault::kRename, "cannot replace"},
                      FaultCase{"FlushFolder", Fault::kFlushFolder, "cannot flush folder"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultInjection, WithoutFaultsTheSameOperationsSucceed) {
  test::TempFolder folder;
  const std::string target = folder.File("track.qutrack");
  test::WriteBytes(target, {1, 2, 3});
  ASSERT_TRUE(WriteFileAtomically(target, Bytes(5000, 7), RealFileOps()).ok());
  EXPECT_EQ(test::ReadBytes(target), Bytes(5000, 7));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"track.qutrack"});
}

// Steps that only keep what can be kept: when they fail, the save still succeeds.
class RefusingOps : public FileOps {
 public:
  std::error_code SetOwner(FileHandle, std::uint32_t, std::uint32_t) override {
    return Code(std::errc::operation_not_permitted);
  }
  std::error_code SetMode(FileHandle, std::uint32_t) override {
    return Code(std::errc::operation_not_permitted);
  }
  std::error_code Link(const fs::path&, const fs::path&) override {
    return Code(std::errc::operation_not_permitted);
  }
};

TEST(FaultInjection, KeepingOwnerModeAndABackupNameIsBestEffort) {
  test::TempFolder folder;
  const std::string target = folder.File("track.qutrack");
  test::WriteBytes(target, {1, 2, 3});
  RefusingOps ops;
  ASSERT_TRUE(WriteFileAtomically(target, Bytes(5000, 7), ops).ok());
  EXPECT_EQ(test::ReadBytes(target), Bytes(5000, 7));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"track.qutrack"});
}

#ifndef _WIN32  // the crashed saves run in forked processes
// The real operations, with the process ended at one step as a crash or a power cut would
// end it: before the step, and for a write also halfway through it.
class CrashingOps : public FileOps {
 public:
  static constexpr int kCrashed = 86;
  explicit CrashingOps(int stopAt) : stopAt_(stopAt) {}
  const std::vector<std::string>& steps() const { return steps_; }

  std::error_code Inspect(const fs::path& p, FileInfo& info) override {
    Step("inspect");
    return FileOps::Inspect(p, info);
  }
  std::error_code CheckWritable(const fs::path& p) override {
    Step("check writable");
    return FileOps::CheckWritable(p);
  }
  std::error_code CreateNew(const fs::path& p, FileHandle& file) override {
    Step("create");
    return FileOps::CreateNew(p, file);
  }
  std::error_code SetOwner(FileHandle file, std::uint32_t owner, std::uint32_t group) override {
    Step("set owner");
    return FileOps::SetOwner(file, owner, group);
  }
  std::error_code SetMode(FileHandle file, std::uint32_t mode) override {
    Step("set mode");
    return FileOps::SetMode(file, mode);
  }
  std::error_code Write(FileHandle file, const std::uint8_t* data, std::size_t size) override {
    Step("write");
    Step("write half", [&] { (void)FileOps::Write(file, data, size / 2); });
    return FileOps::Write(file, data, size);
  }
  std::error_code FlushToDisk(FileHandle file) override {
    Step("flush");
    return FileOps::FlushToDisk(file);
  }
  std::error_code Close(FileHandle file) override {
    Step("close");
    return FileOps::Close(file);
  }
  std::error_code Link(const fs::path& from, const fs::path& to) override {
    Step("link");
    return FileOps::Link(from, to);
  }
  std::error_code Rename(const fs::path& from, const fs::path& to) override {
    Step("rename");
    return FileOps::Rename(from, to);
  }
  std::error_code FlushFolder(const fs::path& folder) override {
    Step("flush folder");
    return FileOps::FlushFolder(folder);
  }
  std::error_code Remove(const fs::path& p) override {
    Step("remove");
    return FileOps::Remove(p);
  }

 private:
  void Step(
      const char* name, const std::function<void()>& partly = [] {}) {
    if (static_cast<int>(steps_.size()) == stopAt_) {
      partly();
      _exit(kCrashed);
    }
    steps_.emplace_back(name);
  }
  int stopAt_;
  std::vector<std::string> steps_;
};

// Saves `bytes` in a child process that ends at step `stopAt`; true when it ended there.
bool SaveAndCrash(const std::string& target, const Bytes& bytes, int stopAt) {
  const pid_t child = fork();
  if (child == 0) {
    CrashingOps ops(stopAt);
    _exit(WriteFileAtomically(target, bytes, ops).ok() ? 0 : 1);
  }
  int raw = 0;
  EXPECT_EQ(waitpid(child, &raw, 0), child);
  EXPECT_TRUE(WIFEXITED(raw));
  const int code = WEXITSTATUS(raw);
  EXPECT_TRUE(code == CrashingOps::kCrashed || code == 0) << "save failed at step " << stopAt;
  return code == CrashingOps::kCrashed;
}

TEST(CrashConsistency, AtEveryStepTheTargetHoldsTheOldOrTheNewBytes) {
  const Bytes old(3000, 0x11), fresh(70000, 0x22), later(500, 0x33);
  for (const bool existed : {true, false}) {
    // The steps of an uninterrupted save, to know which side of the rename each stop is on.
    std::vector<std::string> steps;
    {
      test::TempFolder folder;
      if (existed) test::WriteBytes(folder.File("t.qutrack"), old);
      CrashingOps ops(-1);
      ASSERT_TRUE(WriteFileAtomically(folder.File("t.qutrack"), fresh, ops).ok());
      steps = ops.steps();
    }
    const auto rename = std::find(steps.begin(), steps.end(), "rename") - steps.begin();
    for (int stop = 0; stop <= static_cast<int>(steps.size()); ++stop) {
      SCOPED_TRACE(testing::Message()
                   << (existed ? "replacing" : "creating") << ", stopped at "
                   << (stop < static_cast<int>(steps.size()) ? steps[stop] : "the end"));
      test::TempFolder folder;
      const std::string target = folder.File("t.qutrack");
      if (existed) test::WriteBytes(target, old);
      const bool crashed = SaveAndCrash(target, fresh, stop);
      EXPECT_EQ(crashed, stop < static_cast<int>(steps.size()));

      const bool renamed = stop > rename;
      if (renamed) {
        EXPECT_EQ(test::ReadBytes(target), fresh);
      } else if (existed) {
        EXPECT_EQ(test::ReadBytes(target), old);
      } else {
        EXPECT_FALSE(fs::exists(target));
      }

      // Whatever the crash left behind does not stop a later save, which leaves it alone.
      std::set<std::string> strays;
      for (const auto& name : folder.Entries()) {
        if (name != "t.qutrack") strays.insert(name);
      }
      ASSERT_TRUE(WriteFileAtomically(target, later).ok());
      EXPECT_EQ(test::ReadBytes(target), later);
      const auto entries = folder.Entries();
      const std::set<std::string> after(entries.begin(), entries.end());
      strays.insert("t.qutrack");
      EXPECT_EQ(after, strays);
    }
  }
}

#endif

}  // namespace
}  // namespace qu
