#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qu {

// The open and save dialogs. The request a dialog is shown with is built here as plain
// data; a FileDialogBackend shows it (the real one with Qt, tests with a stand-in).

// Flag bits of a dialog request, with the values the rest of the system knows them by.
inline constexpr std::uint32_t OFN_READONLY = 0x1;
inline constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x2;
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr std::uint32_t OFN_ENABLEHOOK = 0x20;
inline constexpr std::uint32_t OFN_ENABLETEMPLATE = 0x40;
inline constexpr std::uint32_t OFN_FILEMUSTEXIST = 0x1000;

// The longest FileName or FileTitle a dialog accepts, in characters.
inline constexpr std::size_t kMaxDialogNameChars = 260;

enum class DialogKind { kOpen, kSave };

// The path a save really writes for the path its dialog returns, when the caller changes it
// (by adding an extension the dialog did not add, for example).
using SavedNameRule = std::function<std::string(const std::string&)>;

struct FileFilter {
  std::string description;
  std::string pattern;
};

struct FileDialogRequest {
  DialogKind kind = DialogKind::kOpen;
  std::string title;
  std::string convertedFilter;      // pairs separated by NUL characters, closed by two NULs
  std::vector<FileFilter> filters;  // the same pairs, read back from the converted text
  std::int32_t filterIndex = 1;     // 1-based
  std::string defaultExt;
  std::string fileName;     // initial name shown
  std::string initialDir;   // empty: the platform's choice
  std::intptr_t owner = 0;  // 0: no owner
  std::uint32_t flags = 0;
  // Save: where a chosen path is really written. When set, the overwrite question is about
  // that file, not the one chosen.
  SavedNameRule savedName;

  bool fileMustExist() const { return (flags & OFN_FILEMUSTEXIST) != 0; }
  bool overwritePrompt() const { return (flags & OFN_OVERWRITEPROMPT) != 0; }
};

struct FileDialogResult {
  bool confirmed = false;
  std::string path;   // the full chosen path
  std::string title;  // the chosen file's name without its folder
  std::uint32_t flags = 0;
  std::int32_t filterIndex = 1;
};

class FileDialogBackend {
 public:
  virtual ~FileDialogBackend() = default;
  virtual FileDialogResult Show(const FileDialogRequest& request) = 0;
};

// Replaces every "|" and then every ":" by a NUL character and appends two NULs.
std::string ConvertFilter(const std::string& filter);
// The description/pattern pairs of a converted filter; an unpaired last piece is dropped.
std::vector<FileFilter> FilterPairs(const std::string& convertedFilter);
// Characters of a UTF-8 text.
std::size_t CharacterCount(const std::string& text);

std::uint32_t OpenDialogFlags(bool fileMustExist, bool readOnly, bool hideReadOnly,
                              std::uint32_t extraFlags);
std::uint32_t SaveDialogFlags(bool overwritePrompt, std::uint32_t extraFlags);

// Shows the open dialog. True when the user chose a file: FileName receives the full path,
// FileTitle the name without folder, ExtraFlags and FilterIndex what the dialog left, and
// ReadOnly becomes true when the returned flags say so. False on cancel, failure, or a
// FileName or FileTitle longer than kMaxDialogNameChars: then FileName and FileTitle are
// emptied and ExtraFlags is 0. Filter is left in its converted form.
bool ShowOpenDialog(FileDialogBackend& backend, std::string& FileName, std::string& FileTitle,
                    bool FileMustExist, bool& ReadOnly, bool HideReadOnly, std::string& Filter,
                    std::int32_t& FilterIndex, const std::string& InitialDir,
                    const std::string& Title, const std::string& DefaultExt,
                    std::intptr_t OwnerWindow, std::uint32_t& ExtraFlags);

// Shows the save dialog; results as for ShowOpenDialog, without ReadOnly. With `savedName`
// the dialog asks about overwriting the file the save will really write.
bool ShowSaveDialog(FileDialogBackend& backend, std::string& FileName, std::string& FileTitle,
                    bool OverwritePrompt, std::string& Filter, std::int32_t& FilterIndex,
                    const std::string& InitialDir, const std::string& Title,
                    const std::string& DefaultExt, std::intptr_t OwnerWindow,
                    std::uint32_t& ExtraFlags, SavedNameRule savedName = {});

}  // namespace qu
