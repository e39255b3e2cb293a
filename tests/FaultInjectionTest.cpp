// Saving when a step of the file system fails: the failure is reported, an existing file stays
// byte for byte as it was, and no temporary file is left behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "FileAccess.h"
#include "TrackBytes.h"

namespace qu {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

enum class Fault { kCreate, kWriteHalf, kDiskFull, kFlush, kClose, kRename };

// The real operations, with one step made to fail the way the system would fail it.
class FaultyOps : public FileOps {
 public:
  explicit FaultyOps(Fault fault) : fault_(fault) {}

  std::FILE* CreateNew(const fs::path& path) override {
    if (fault_ == Fault::kCreate) return Fail<std::FILE*>(EACCES, nullptr);
    return FileOps::CreateNew(path);
  }
  std::size_t Write(std::FILE* file, const std::uint8_t* data, std::size_t size) override {
    if (fault_ == Fault::kWriteHalf) return Fail(EIO, FileOps::Write(file, data, size / 2));
    if (fault_ == Fault::kDiskFull) return Fail<std::size_t>(ENOSPC, 0);
    return FileOps::Write(file, data, size);
  }
  int Flush(std::FILE* file) override {
    const int result = FileOps::Flush(file);
    return fault_ == Fault::kFlush ? Fail(EIO, EOF) : result;
  }
  int Close(std::FILE* file) override {
    const int result = FileOps::Close(file);  // the stream is gone either way
    return fault_ == Fault::kClose ? Fail(EIO, EOF) : result;
  }
  void Rename(const fs::path& from, const fs::path& to, std::error_code& error) override {
    if (fault_ == Fault::kRename) {
      error = std::make_error_code(std::errc::permission_denied);
      return;
    }
    FileOps::Rename(from, to, error);
  }

 private:
  template <typename T>
  static T Fail(int code, T result) {
    errno = code;
    return result;
  }
  Fault fault_;
};

struct FaultCase {
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

INSTANTIATE_TEST_SUITE_P(EveryStep, FaultInjectionTest,
                         ::testing::Values(FaultCase{Fault::kCreate,
                                                     "cannot create a file in folder"},
                                           FaultCase{Fault::kWriteHalf, "cannot write"},
                                           FaultCase{Fault::kDiskFull, "cannot write"},
                                           FaultCase{Fault::kFlush, "cannot write"},
                                           FaultCase{Fault::kClose, "cannot write"},
                                           FaultCase{Fault::kRename, "cannot replace"}));

TEST(FaultInjection, WithoutFaultsTheSameOperationsSucceed) {
  test::TempFolder folder;
  const std::string target = folder.File("track.qutrack");
  test::WriteBytes(target, {1, 2, 3});
  ASSERT_TRUE(WriteFileAtomically(target, Bytes(5000, 7), RealFileOps()).ok());
  EXPECT_EQ(test::ReadBytes(target), Bytes(5000, 7));
}

TEST(FaultInjection, AReadOnlyFolderRefusesTheSave) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  test::TempFolder folder;
  const std::string target = folder.File("track.qutrack");
  test::WriteBytes(target, {1, 2, 3});
  fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
  const Status status = WriteFileAtomically(target, Bytes(10, 0));
  fs::permissions(folder.path(), fs::perms::owner_all);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(test::ReadBytes(target), (Bytes{1, 2, 3}));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"track.qutrack"});
}

}  // namespace
}  // namespace qu
