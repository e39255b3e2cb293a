// The dialog requests and results, without showing anything.
#include <gtest/gtest.h>

#include <deque>

#include "dialogs/FileDialog.h"

namespace qu {
namespace {

using namespace std::string_literals;

// Answers each request with the next scripted result and keeps the requests.
class ScriptedDialogs : public FileDialogBackend {
 public:
  FileDialogResult Show(const FileDialogRequest& request) override {
    requests.push_back(request);
    FileDialogResult next = answers.empty() ? FileDialogResult{} : answers.front();
    if (!answers.empty()) answers.pop_front();
    return next;
  }
  std::deque<FileDialogResult> answers;
  std::vector<FileDialogRequest> requests;
};

struct OpenCall {
  std::string fileName, fileTitle, filter = "Quenlor Tracks (*.qutrack)|*.qutrack";
  bool readOnly = false;
  std::int32_t filterIndex = 1;
  std::uint32_t extraFlags = 0;

  bool Run(FileDialogBackend& backend, bool mustExist = true, bool hideReadOnly = true) {
    return ShowOpenDialog(backend, fileName, fileTitle, mustExist, readOnly, hideReadOnly, filter,
                          filterIndex, "", "Load Track...", "qutrack", -1, extraFlags);
  }
};

TEST(FileDialog, FiltersAreConvertedToNulSeparatedPairs) {
  EXPECT_EQ(ConvertFilter("Quenlor Tracks (*.qutrack)|*.qutrack"),
            "Quenlor Tracks (*.qutrack)\0*.qutrack\0\0"s);
  // A colon splits a description as a bar would.
  const std::string converted = ConvertFilter("Tracks: all|*.qutrack");
  EXPECT_EQ(converted, "Tracks\0 all\0*.qutrack\0\0"s);
  const auto pairs = FilterPairs(converted);
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0].description, "Tracks");
  EXPECT_EQ(pairs[0].pattern, " all");

  const auto two = FilterPairs(ConvertFilter("A (*.a)|*.a|B|*.b;*.c"));
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].pattern, "*.b;*.c");
}

TEST(FileDialog, FlagsFollowTheArgumentsAndExtraFlags) {
  struct Case {
    std::uint32_t flags, expected;
  };
  const Case cases[] = {
      {OpenDialogFlags(true, false, true, 0), 0x1004},
      {SaveDialogFlags(true, 0), 0x0006},
      {OpenDialogFlags(false, true, false, 0x20 | 0x40 | 0x8000), 0x8001},
      {OpenDialogFlags(true, false, true, 0x2 | 0x1), 0x1006},  // readOnly false clears 0x1
      {SaveDialogFlags(false, 0x1 | 0x1000 | 0x2 | 0x20), 0x1005},
  };
  for (const auto& c : cases) EXPECT_EQ(c.flags, c.expected) << std::hex << c.expected;
}

TEST(FileDialog, TheRequestCarriesEverythingTheDialogNeeds) {
  ScriptedDialogs dialogs;
  OpenCall call;
  call.fileName = "/tracks/old.qutrack";
  call.Run(dialogs);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  const FileDialogRequest& r = dialogs.requests[0];
  EXPECT_EQ(r.kind, DialogKind::kOpen);
  EXPECT_EQ(r.title, "Load Track...");
  EXPECT_EQ(r.fileName, "/tracks/old.qutrack");
  EXPECT_EQ(r.defaultExt, "qutrack");
  EXPECT_EQ(r.flags, 0x1004u);
  EXPECT_EQ(r.owner, 0);
  EXPECT_TRUE(r.fileMustExist());
  ASSERT_EQ(r.filters.size(), 1u);
  EXPECT_EQ(r.filters[0].pattern, "*.qutrack");
  EXPECT_EQ(call.filter, "Quenlor Tracks (*.qutrack)\0*.qutrack\0\0"s);  // left converted

  std::string name, title, filter = "T|*.t";
  std::int32_t index = 1;
  std::uint32_t extra = 0x40;
  ShowSaveDialog(dialogs, name, title, true, filter, index, "/home", "Save Track As...", "qutrack",
                 77, extra);
  EXPECT_EQ(dialogs.requests[1].kind, DialogKind::kSave);
  EXPECT_EQ(dialogs.requests[1].flags, 0x6u);
  EXPECT_EQ(dialogs.requests[1].initialDir, "/home");
  EXPECT_EQ(dialogs.requests[1].owner, 77);
  EXPECT_TRUE(dialogs.requests[1].overwritePrompt());
  EXPECT_FALSE(dialogs.requests[1].savedName);

  // The rule for the name a save really writes reaches the dialog, for its overwrite question.
  ShowSaveDialog(dialogs, name, title, true, filter, index, "", "Save Track As...", "qutrack", 77,
                 extra, [](const std::string& path) { return path + ".qutrack"; });
  ASSERT_TRUE(dialogs.requests[2].savedName);
  EXPECT_EQ(dialogs.requests[2].savedName("loop.v2"), "loop.v2.qutrack");
}

TEST(FileDialog, ConfirmationReturnsThePathTitleAndFlags) {
  ScriptedDialogs dialogs;
  dialogs.answers.push_back(
      {true, "/tracks/new.qutrack\0old-leftovers"s, "new.qutrack", 0x1005, 1});
  OpenCall call;
  call.fileName = "old-leftovers";
  ASSERT_TRUE(call.Run(dialogs));
  EXPECT_EQ(call.fileName, "/tracks/new.qutrack");
  EXPECT_EQ(call.fileTitle, "new.qutrack");
  EXPECT_EQ(call.extraFlags, 0x1005u);
  EXPECT_TRUE(call.readOnly);  // the dialog left the read-only bit set
}

TEST(FileDialog, CancelEmptiesTheNamesAndFlags) {
  ScriptedDialogs dialogs;
  OpenCall call;
  call.fileName = "/tracks/a.qutrack";
  call.fileTitle = "a.qutrack";
  call.extraFlags = 0x8000;
  EXPECT_FALSE(call.Run(dialogs));
  EXPECT_EQ(call.fileName, "");
  EXPECT_EQ(call.fileTitle, "");
  EXPECT_EQ(call.extraFlags, 0u);
}

TEST(FileDialog, NamesLongerThan260CharactersAreRefused) {
  ScriptedDialogs dialogs;
  dialogs.answers.assign(3, {true, "/x.qutrack", "x.qutrack", 0x1004, 1});
  OpenCall fits;
  fits.fileName = std::string(260, 'a');
  EXPECT_TRUE(fits.Run(dialogs));
  // 260 characters of two bytes each still fit: the limit counts characters.
  OpenCall wide;
  std::string umlauts;
  for (int i = 0; i < 260; ++i) umlauts += "\xC3\xBC";
  wide.fileName = umlauts;
  EXPECT_TRUE(wide.Run(dialogs));
  OpenCall tooLong;
  tooLong.fileName = std::string(261, 'a');
  EXPECT_FALSE(tooLong.Run(dialogs));
  EXPECT_EQ(tooLong.fileName, "");
  OpenCall longTitle;
  longTitle.fileTitle = std::string(261, 't');
  EXPECT_FALSE(longTitle.Run(dialogs));
  EXPECT_EQ(dialogs.requests.size(), 2u);  // refused calls show nothing
}

}  // namespace
}  // namespace qu
