// What a save does with each kind of target, and what a load reports for files it cannot read,
// tried as an ordinary user: when the tests run as the superuser, the saves and loads run in a
// child process that has given up its privileges, since permissions do not bind the superuser.
// POSIX systems only: users, modes, special files and forks (WindowsFileTest.cpp has Windows's).
#ifndef _WIN32
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include "tests/TrackBytes.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackFile.h"

namespace qu {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

struct User {
  uid_t uid;
  gid_t gid;
  bool drop;  // whether the child must give up the superuser's privileges
};

// The user to run as: this process's own when it is not the superuser, else "nobody".
std::optional<User> OrdinaryUser() {
  if (geteuid() != 0) return User{geteuid(), getegid(), false};
  const passwd* entry = getpwnam("nobody");
  if (!entry) return std::nullopt;
  return User{entry->pw_uid, entry->pw_gid, true};
}

#define REQUIRE_ORDINARY_USER(user)                \
  const std::optional<User> user = OrdinaryUser(); \
  if (!user) GTEST_SKIP() << "running as the superuser and no user 'nobody' to become"

// Gives the folder and everything in it to `user`, so that the child can work there.
void GiveAway(const fs::path& folder, const User& user) {
  if (!user.drop) return;
  ASSERT_EQ(lchown(folder.c_str(), user.uid, user.gid), 0);
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!fs::is_character_file(entry.symlink_status())) {
      ASSERT_EQ(lchown(entry.path().c_str(), user.uid, user.gid), 0) << entry.path();
    }
  }
}

// Runs `body` in a forked child as `user` and returns the text it returns.
std::string RunAs(const User& user, const std::function<std::string()>& body) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    std::string text;
    if (user.drop && (setgroups(0, nullptr) != 0 || setgid(user.gid) != 0 ||
                      setuid(user.uid) != 0 || geteuid() == 0)) {
      text = "could not become user " + std::to_string(user.uid);
    } else {
      alarm(30);  // a save that blocks on a pipe would otherwise hang the suite
      text = body();
    }
    const char* data = text.data();
    for (std::size_t left = text.size(); left > 0;) {
      const ssize_t n = write(pipeEnds[1], data, left);
      if (n <= 0) break;
      data += n;
      left -= static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(pipeEnds[1]);
  std::string text;
  char chunk[512];
  for (ssize_t n; (n = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) {
    text.append(chunk, static_cast<std::size_t>(n));
  }
  close(pipeEnds[0]);
  int raw = 0;
  waitpid(child, &raw, 0);
  if (!WIFEXITED(raw) || WEXITSTATUS(raw) != 0) return "the child process died: " + text;
  return text;
}

// Gives the folder and its files back to the superuser, and lets everyone add files to it.
void KeepForTheSuperuserInStickyFolder(const fs::path& folder) {
  ASSERT_EQ(lchown(folder.c_str(), 0, 0), 0);
  for (const auto& entry : fs::directory_iterator(folder)) {
    ASSERT_EQ(lchown(entry.path().c_str(), 0, 0), 0);
  }
  ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
}

std::uint32_t ModeOf(const fs::path& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The real operations, noting the new file's mode when it is created (before it is given the
// target's mode) and when its bytes are written.
class ModeNotingOps : public FileOps {
 public:
  std::uint32_t created = 0, written = 0;

  std::error_code SetMode(FileHandle file, std::uint32_t mode) override {
    created = OpenFileMode(file);
    return FileOps::SetMode(file, mode);
  }
  std::error_code Write(FileHandle file, const std::uint8_t* data, std::size_t size) override {
    written = OpenFileMode(file);
    return FileOps::Write(file, data, size);
  }

 private:
  std::uint32_t OpenFileMode(FileHandle file) {
    FileInfo info;
    return InspectOpen(file, info) ? 0 : info.mode;
  }
};

const Bytes kOld = {1, 2, 3, 4, 5};
const Bytes kNew(20000, 0x6B);
const std::string kLongName = std::string(242, 'n') + ".qutrack";  // 250 bytes

void MakeFile(const fs::path& path, fs::perms mode) {
  test::WriteBytes(path.string(), kOld);
  fs::permissions(path, mode);
}

constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kShared = kPrivate | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kReadOnly =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;

// Stands for the mode a newly created file gets: 0666 less the file-creation mask.
constexpr std::uint32_t kNewFileMode = 01000000;

struct TargetCase {
  const char* name;
  // Builds the target in the folder, as the test process; false where the system refuses.
  std::function<bool(const fs::path&)> make;
  std::string save;     // the path saved to, inside the folder
  std::string reason;   // the reason of a refusal, PATH standing for the path; empty: saved
  std::uint32_t mode;   // for a save: the new file's mode from the moment its bytes are written
  std::string created;  // the name a save adds to the folder, if any
  std::function<void(const fs::path&)> check;  // the target afterwards
};

bool Saved(const fs::path& path) {
  return test::ReadBytes(path.string()) == kNew;
}
bool Kept(const fs::path& path) {
  return test::ReadBytes(path.string()) == kOld;
}

std::vector<TargetCase> TargetCases() {
  return {
      {"PrivateFile", [](auto& f) { return MakeFile(f / "a.qutrack", kPrivate), true; },
       "a.qutrack", "", 0600, "",
       [](auto& f) {
         EXPECT_TRUE(Saved(f / "a.qutrack"));
         EXPECT_EQ(ModeOf(f / "a.qutrack"), 0600u);
       }},
      {"SharedFile", [](auto& f) { return MakeFile(f / "a.qutrack", kShared), true; }, "a.qutrack",
       "", 0644, "",
       [](auto& f) {
         EXPECT_TRUE(Saved(f / "a.qutrack"));
         EXPECT_EQ(ModeOf(f / "a.qutrack"), 0644u);
       }},
      {"LongName", [](auto& f) { return MakeFile(f / kLongName, kShared), true; }, kLongName, "",
       0644, "", [](auto& f) { EXPECT_TRUE(Saved(f / kLongName)); }},
      {"ReadOnlyFile", [](auto& f) { return MakeFile(f / "r.qutrack", kReadOnly), true; },
       "r.qutrack", "'PATH' is read-only", 0, "",
       [](auto& f) {
         EXPECT_TRUE(Kept(f / "r.qutrack"));
         EXPECT_EQ(ModeOf(f / "r.qutrack"), 0444u);
       }},
      {"Fifo", [](auto& f) { return mkfifo((f / "p.qutrack").c_str(), 0600) == 0; }, "p.qutrack",
       "'PATH' is not a regular file", 0, "",
       [](auto& f) { EXPECT_TRUE(fs::is_fifo(f / "p.qutrack")); }},
      {"PrivateDevice",
       [](auto& f) { return mknod((f / "d.qutrack").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; },
       "d.qutrack", "'PATH' is not a regular file", 0, "",
       [](auto& f) { EXPECT_TRUE(fs::is_character_file(f / "d.qutrack")); }},
      {"Folder", [](auto& f) { return fs::create_directory(f / "d.qutrack"); }, "d.qutrack",
       "'PATH' is a folder", 0, "", [](auto& f) { EXPECT_TRUE(fs::is_empty(f / "d.qutrack")); }},
      {"PathEndingInSeparator", [](auto& f) { return fs::create_directory(f / "dir"); }, "dir/",
       "'PATH' is a folder", 0, "", [](auto& f) { EXPECT_TRUE(fs::is_empty(f / "dir")); }},
      {"MissingFolderEndingInSeparator", [](auto&) { return true; }, "dir/",
       "'PATH' names a folder, not a file", 0, "", [](auto&) {}},
      {"LiveLink",
       [](auto& f) {
         MakeFile(f / "real.qutrack", kShared);
         fs::create_symlink("real.qutrack", f / "l.qutrack");
         return true;
       },
       "l.qutrack", "", 0644, "",
       [](auto& f) {
         EXPECT_TRUE(fs::is_symlink(f / "l.qutrack"));
         EXPECT_TRUE(Saved(f / "real.qutrack"));
       }},
      {"DanglingLink",
       [](auto& f) {
         fs::create_symlink("made.qutrack", f / "l.qutrack");
         return true;
       },
       "l.qutrack", "", kNewFileMode, "made.qutrack",
       [](auto& f) {
         EXPECT_TRUE(fs::is_symlink(f / "l.qutrack"));
         EXPECT_TRUE(Saved(f / "made.qutrack"));
       }},
      {"LinkToReadOnlyFile",
       [](auto& f) {
         MakeFile(f / "r.qutrack", kReadOnly);
         fs::create_symlink("r.qutrack", f / "l.qutrack");
         return true;
       },
       "l.qutrack", "'PATH' is read-only", 0, "",
       [](auto& f) {
         EXPECT_TRUE(fs::is_symlink(f / "l.qutrack"));
         EXPECT_TRUE(Kept(f / "r.qutrack"));
       }},
      {"ReadOnlyFolder",
       [](auto& f) {
         fs::create_directory(f / "locked");
         MakeFile(f / "locked" / "a.qutrack", kShared);
         return true;
       },
       "locked/a.qutrack", "cannot create a file in folder 'FOLDER/locked': permission denied", 0,
       "", [](auto& f) { EXPECT_TRUE(Kept(f / "locked" / "a.qutrack")); }},
      // A file of the superuser's, writable by all, in a folder like /tmp: the rename would be
      // refused, and a second name of the file made on the way could never be removed.
      {"OtherUsersFileInStickyFolder",
       [](auto& f) {
         if (geteuid() != 0) return false;  // only the superuser can give the file away
         fs::create_directory(f / "sticky");
         MakeFile(f / "sticky" / "r.qutrack",
                  fs::perms::all &
                      ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
         return true;
       },
       "sticky/r.qutrack",
       "cannot replace 'PATH': it belongs to another user, and only a file's owner may replace it "
       "in the sticky folder 'FOLDER/sticky'",
       0, "",
       [](auto& f) {
         EXPECT_TRUE(Kept(f / "sticky" / "r.qutrack"));
         EXPECT_EQ(std::distance(fs::directory_iterator(f / "sticky"), fs::directory_iterator()),
                   1);
       }},
      // A link to a name of a descriptor leads to whatever the descriptor is open on.
      {"LinkToStandardOutput",
       [](auto& f) { return fs::create_symlink("/dev/stdout", f / "l.svg"), true; }, "l.svg",
       "'PATH' is a descriptor of this process, not a file to replace", 0, "",
       [](auto& f) { EXPECT_TRUE(fs::is_symlink(f / "l.svg")); }},
  };
}

class SaveTargetTest : public ::testing::TestWithParam<TargetCase> {
 protected:
  test::TempFolder folder_;
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TEST_P(SaveTargetTest, EachKindOfTargetIsSavedOrRefusedWithNothingLeftBehind) {
  REQUIRE_ORDINARY_USER(user);
  const TargetCase& c = GetParam();
  const fs::path& folder = folder_.path();
  if (!c.make(folder)) GTEST_SKIP() << "this system does not permit making the target";
  GiveAway(folder, *user);
  if (fs::exists(folder / "locked"))
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  if (fs::exists(folder / "sticky")) KeepForTheSuperuserInStickyFolder(folder / "sticky");
  std::vector<std::string> expected = folder_.Entries();
  if (!c.created.empty()) expected.push_back(c.created);
  std::sort(expected.begin(), expected.end());

  const std::string path = (folder / c.save).string();
  const std::string outcome = RunAs(*user, [&] {
    ModeNotingOps ops;
    const Status status = WriteFileAtomically(path, kNew, ops);
    char modes[32];
    std::snprintf(modes, sizeof modes, "%o %o", ops.created, ops.written);
    return status.reason() + "\n" + modes;
  });
  if (fs::exists(folder / "locked")) fs::permissions(folder / "locked", fs::perms::owner_all);

  const std::string expectedReason =
      Replace(Replace(c.reason, "PATH", path), "FOLDER", folder.string());
  const auto newline = outcome.find('\n');
  ASSERT_NE(newline, std::string::npos) << outcome;
  EXPECT_EQ(outcome.substr(0, newline), expectedReason);
  if (c.reason.empty()) {
    // Private from its creation, and given the target's mode before any byte was written.
    const mode_t mask = umask(0);
    umask(mask);
    char modes[32];
    std::snprintf(modes, sizeof modes, "600 %o", c.mode == kNewFileMode ? 0666 & ~mask : c.mode);
    EXPECT_EQ(outcome.substr(newline + 1), modes);
  }
  EXPECT_EQ(folder_.Entries(), expected);
  c.check(folder);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SaveTargetTest, ::testing::ValuesIn(TargetCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SaveOwnership, TheOwnerAndGroupAreKeptWherePermitted) {
  if (geteuid() != 0) GTEST_SKIP() << "only the superuser may give files to another user";
  REQUIRE_ORDINARY_USER(user);
  test::TempFolder folder;
  const fs::path target = folder.path() / "t.qutrack";
  MakeFile(target, kShared);
  GiveAway(folder.path(), *user);
  ASSERT_TRUE(WriteFileAtomically(target.string(), kNew).ok());
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, user->uid);
  EXPECT_EQ(st.st_gid, user->gid);

  // The ordinary user cannot keep a group it does not belong to; the save happens all the same.
  ASSERT_EQ(chown(target.c_str(), user->uid, 0), 0);
  const std::string reason =
      RunAs(*user, [&] { return WriteFileAtomically(target.string(), kOld).reason(); });
  EXPECT_EQ(reason, "");
  EXPECT_EQ(test::ReadBytes(target.string()), kOld);
}

TEST(LoadReasons, FilesThatCannotBeReadGiveTheRealReason) {
  REQUIRE_ORDINARY_USER(user);
  test::TempFolder folder;
  const fs::path fifo = folder.path() / "p.qutrack";
  const fs::path unreadable = folder.path() / "u.qutrack";
  const fs::path hidden = folder.path() / "closed" / "h.qutrack";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  MakeFile(unreadable, fs::perms::none);
  fs::create_directory(hidden.parent_path());
  MakeFile(hidden, kShared);
  GiveAway(folder.path(), *user);
  fs::permissions(hidden.parent_path(), fs::perms::owner_read | fs::perms::owner_write);

  const std::string reasons = RunAs(*user, [&] {
    std::string text;
    TrackBuffer bytes;
    bool isTrack = false;
    for (const fs::path& path : {fifo, unreadable, hidden}) {
      text += CheckFileToRead(path.string()).reason() + "|" +
              ReadWholeFile(path.string(), bytes).reason() + "|" +
              BeginsLikeATrack(path.string(), isTrack).reason() + "\n";
    }
    return text;
  });
  fs::permissions(hidden.parent_path(), fs::perms::owner_all);
  // Whether a file that cannot be read is a track cannot be told; one that cannot be found
  // is left to the save, which says why it cannot save there.
  EXPECT_EQ(reasons, "'" + fifo.string() + "' is not a regular file|'" + fifo.string() +
                         "' is not a regular file|\n|cannot open '" + unreadable.string() +
                         "': permission denied|cannot check that '" + unreadable.string() +
                         "' is not a track file: permission denied\ncannot read '" +
                         hidden.string() + "': permission denied|cannot open '" + hidden.string() +
                         "': permission denied|\n");
}

}  // namespace
}  // namespace qu

#endif
