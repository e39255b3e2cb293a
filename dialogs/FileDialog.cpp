#include "dialogs/FileDialog.h"

#include <algorithm>

namespace qu {
namespace {

constexpr std::uint32_t kNeverSet = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;

std::uint32_t Assign(std::uint32_t flags, std::uint32_t bit, bool on) {
  return on ? (flags | bit) : (flags & ~bit);
}

// Builds the request shared by both dialogs, and shows it; applies the cancel rules.
bool ShowDialog(FileDialogBackend& backend, DialogKind kind, std::uint32_t flags,
                std::string& fileName, std::string& fileTitle, std::string& filter,
                std::int32_t& filterIndex, const std::string& initialDir, const std::string& title,
                const std::string& defaultExt, std::intptr_t ownerWindow, std::uint32_t& extraFlags,
                std::uint32_t& returnedFlags, SavedNameRule savedName = {}) {
  filter = ConvertFilter(filter);
  const bool fits = CharacterCount(fileName) <= kMaxDialogNameChars &&
                    CharacterCount(fileTitle) <= kMaxDialogNameChars;
  FileDialogResult result;
  if (fits) {
    FileDialogRequest request;
    request.kind = kind;
    request.title = title;
    request.convertedFilter = filter;
    request.filters = FilterPairs(filter);
    request.filterIndex = filterIndex;
    request.defaultExt = defaultExt;
    request.fileName = fileName;
    request.initialDir = initialDir;
    request.owner = ownerWindow == -1 ? 0 : ownerWindow;
    request.flags = flags;
    request.savedName = std::move(savedName);
    result = backend.Show(request);
  }
  if (!result.confirmed) {
    fileName.clear();
    fileTitle.clear();
    extraFlags = 0;
    return false;
  }
  // A path keeps whatever follows a NUL out, as a text buffer read up to its end would.
  fileName = result.path.substr(0, result.path.find('\0'));
  fileTitle = result.title.substr(0, result.title.find('\0'));
  extraFlags = result.flags;
  filterIndex = result.filterIndex;
  returnedFlags = result.flags;
  return true;
}

}  // namespace

std::string ConvertFilter(const std::string& filter) {
  std::string converted = filter;
  std::replace(converted.begin(), converted.end(), '|', '\0');
  std::replace(converted.begin(), converted.end(), ':', '\0');
  converted.append(2, '\0');
  return converted;
}

std::vector<FileFilter> FilterPairs(const std::string& convertedFilter) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start < convertedFilter.size()) {
    const std::size_t end = convertedFilter.find('\0', start);
    const std::string piece = convertedFilter.substr(start, end - start);
    if (piece.empty()) break;  // two NULs in a row close the list
    pieces.push_back(piece);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::vector<FileFilter> pairs;
  for (std::size_t i = 0; i + 1 < pieces.size(); i += 2)
    pairs.push_back({pieces[i], pieces[i + 1]});
  return pairs;
}

std::size_t CharacterCount(const std::string& text) {
  // Every UTF-8 character has exactly one byte that is not a continuation byte.
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::uint32_t OpenDialogFlags(bool fileMustExist, bool readOnly, bool hideReadOnly,
                              std::uint32_t extraFlags) {
  std::uint32_t flags = extraFlags & ~kNeverSet;
  flags = Assign(flags, OFN_READONLY, readOnly);
  flags = Assign(flags, OFN_HIDEREADONLY, hideReadOnly);
  flags = Assign(flags, OFN_FILEMUSTEXIST, fileMustExist);
  return flags;
}

std::uint32_t SaveDialogFlags(bool overwritePrompt, std::uint32_t extraFlags) {
  std::uint32_t flags = (extraFlags & ~kNeverSet) | OFN_HIDEREADONLY;
  return Assign(flags, OFN_OVERWRITEPROMPT, overwritePrompt);
}

bool ShowOpenDialog(FileDialogBackend& backend, std::string& FileName, std::string& FileTitle,
                    bool FileMustExist, bool& ReadOnly, bool HideReadOnly, std::string& Filter,
                    std::int32_t& FilterIndex, const std::string& InitialDir,
                    const std::string& Title, const std::string& DefaultExt,
                    std::intptr_t OwnerWindow, std::uint32_t& ExtraFlags) {
  std::uint32_t returned = 0;
  const bool confirmed = ShowDialog(
      backend, DialogKind::kOpen,
      OpenDialogFlags(FileMustExist, ReadOnly, HideReadOnly, ExtraFlags), FileName, FileTitle,
      Filter, FilterIndex, InitialDir, Title, DefaultExt, OwnerWindow, ExtraFlags, returned);
  if (confirmed && (returned & OFN_READONLY) != 0) ReadOnly = true;
  return confirmed;
}

bool ShowSaveDialog(FileDialogBackend& backend, std::string& FileName, std::string& FileTitle,
                    bool OverwritePrompt, std::string& Filter, std::int32_t& FilterIndex,
                    const std::string& InitialDir, const std::string& Title,
                    const std::string& DefaultExt, std::intptr_t OwnerWindow,
                    std::uint32_t& ExtraFlags, SavedNameRule savedName) {
  std::uint32_t returned = 0;
  return ShowDialog(backend, DialogKind::kSave, SaveDialogFlags(OverwritePrompt, ExtraFlags),
                    FileName, FileTitle, Filter, FilterIndex, InitialDir, Title, DefaultExt,
                    OwnerWindow, ExtraFlags, returned, std::move(savedName));
}

}  // namespace qu
