// What the file layer must get right on Windows: names are UTF-8 in the program and UTF-16 at
// the system's calls, a save replaces and flushes through the replaceable layer, the bytes pass
// without line-end translation, and a read-only file is refused. All but the last run on every
// system, where they show that the two agree.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "examples/SampleTracks.h"
#include "tests/TrackBytes.h"
#include "trackio/DeviceNames.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackFile.h"

namespace qu {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

TEST(FileNames, Utf8TextAndSystemPathsConvertBothWays) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const std::vector<Case> cases = {
      {"track.qutrack", u"track.qutrack"},
      {"Achterbahn-Übungen", u"Achterbahn-Übungen"},
      {"过山车", u"过山车"},
      {"🎢", u"🎢"},  // beyond 16 bits: a surrogate pair in UTF-16
      {"", u""},
  };
  for (const auto& c : cases) {
    const fs::path path = PathFromUtf8(c.utf8);
#ifdef _WIN32
    EXPECT_EQ(path.native(), std::wstring(c.utf16.begin(), c.utf16.end())) << c.utf8;
#else
    EXPECT_EQ(path.native(), c.utf8);
#endif
    EXPECT_EQ(Utf8FromPath(path), c.utf8);
  }
}

TEST(FileNames, TextThatIsNotUtf8IsNoError) {
#ifdef _WIN32
  EXPECT_EQ(Utf8FromPath(PathFromUtf8("a\xFF"
                                      "b")),
            "a\uFFFDb");
  EXPECT_EQ(Utf8FromPath(fs::path(std::wstring{L'a', wchar_t(0xD800), L'b'})), "a\uFFFDb");
#else
  EXPECT_EQ(Utf8FromPath(PathFromUtf8("a\xFF"
                                      "b")),
            "a\xFF"
            "b");
#endif
}

// The real operations, recording the steps that write the file and put it in place.
class RecordingOps : public FileOps {
 public:
  std::vector<std::string> steps;

  std::error_code CreateNew(const fs::path& path, FileHandle& file) override {
    steps.push_back("create");
    return FileOps::CreateNew(path, file);
  }
  std::error_code Write(FileHandle file, const std::uint8_t* data, std::size_t size) override {
    steps.push_back("write");
    return FileOps::Write(file, data, size);
  }
  std::error_code FlushToDisk(FileHandle file) override {
    steps.push_back("flush");
    return FileOps::FlushToDisk(file);
  }
  std::error_code Close(FileHandle file) override {
    steps.push_back("close");
    return FileOps::Close(file);
  }
  std::error_code Rename(const fs::path& from, const fs::path& to) override {
    steps.push_back("replace " + Utf8FromPath(to.filename()));
    return FileOps::Rename(from, to);
  }
};

TEST(FileNames, SavesAndLoadsInAFolderWithANonAsciiName) {
  test::TempFolder root;
  const fs::path folder = root.path() / PathFromUtf8("Achterbahn-Übungen");
  fs::create_directory(folder);
  const std::string target = Utf8FromPath(folder) + "/Looping.qutrack";

  // Line ends, and the byte that ends a text file for some readers, pass as they are: first
  // into a new file, then over it.
  const std::vector<Bytes> contents = {Bytes{'\n', '\r', '\n', 0x1A, '\r'}, Bytes(70000, '\n')};
  for (const Bytes& bytes : contents) {
    RecordingOps ops;
    ASSERT_TRUE(WriteFileAtomically(target, bytes, ops).ok());
    EXPECT_EQ(ops.steps, (std::vector<std::string>{"create", "write", "flush", "close",
                                                   "replace Looping.qutrack"}));
    TrackBuffer read;
    ASSERT_TRUE(ReadWholeFile(target, read).ok());
    EXPECT_EQ(read, bytes);
  }
  EXPECT_EQ(fs::file_size(folder / "Looping.qutrack"), 70000u);
  std::vector<std::string> entries;
  for (const auto& entry : fs::directory_iterator(folder)) {
    entries.push_back(Utf8FromPath(entry.path().filename()));
  }
  EXPECT_EQ(entries, std::vector<std::string>{"Looping.qutrack"});

  TrackModel sample = samples::MakeSampleTrack(), loaded;
  const std::string track = Utf8FromPath(folder) + "/Übung 1.qutrack";
  ASSERT_TRUE(SaveTrack(track, sample).ok());
  ASSERT_TRUE(LoadTrack(track, loaded).ok());
  EXPECT_EQ(test::Serialize(loaded), test::Serialize(sample));
}

// Names that Windows takes for devices in any folder, and names that only look like them.
const std::vector<std::pair<std::string, bool>> kDeviceNameRows = {
    {"CON.qutrack", true},      {"con", true},
    {"CONIN$.qutrack", true},   {"conout$.qutrack", true},
    {"PRN.qutrack", true},      {"AUX.tar.qutrack", true},
    {"NUL .qutrack", true},     {"LPT1.qutrack", true},
    {"COM9.qutrack", true},     {"Com\xC2\xB9.qutrack", true},
    {"COM10.qutrack", false},   {"LPT0.qutrack", false},
    {"CONSOLE.qutrack", false}, {"xCON.qutrack", false},
    {"CON-1.qutrack", false},   {".CON", false},
};

TEST(FileNames, WindowsDeviceNamesAreKnownWithAnyExtension) {
  for (const auto& [name, device] : kDeviceNameRows) {
    EXPECT_EQ(IsWindowsDeviceName(name), device) << name;
  }
}

#ifdef _WIN32
TEST(WindowsFiles, DeviceNamesAreRefusedBeforeAnythingIsWrittenOrRead) {
  test::TempFolder folder;
  for (const auto& [name, device] : kDeviceNameRows) {
    if (!device) continue;
    const std::string path = Utf8FromPath(folder.path()) + "/" + name;  // UTF-8 throughout
    const std::string reason = "'" + path +
                               "' is not a regular file: " + name.substr(0, name.find('.')) +
                               " is a device name on Windows";
    EXPECT_EQ(WriteFileAtomically(path, Bytes(5, 9)).reason(), reason);
    EXPECT_EQ(CheckFileToRead(path).reason(), reason);
    TrackModel model;
    EXPECT_EQ(LoadTrack(path, model).reason(), reason);
  }
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(WindowsFiles, AReadOnlyFileIsRefusedAndKept) {
  test::TempFolder folder;
  const std::string target = folder.File("locked.qutrack");
  test::WriteBytes(target, {1, 2, 3});
  fs::permissions(target, fs::perms::owner_read);  // sets the read-only attribute
  const Status status = WriteFileAtomically(target, Bytes(5, 9));
  fs::permissions(target, fs::perms::owner_all);
  EXPECT_EQ(status.reason(), "'" + target + "' is read-only");
  EXPECT_EQ(test::ReadBytes(target), (Bytes{1, 2, 3}));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"locked.qutrack"});
}
#endif

}  // namespace
}  // namespace qu
