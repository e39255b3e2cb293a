// The system's own calls behind the file layer on Windows, one small function per step.

#include <windows.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "trackio/FileAccess.h"
#include "trackio/PlatformFiles.h"
#include "trackio/TrackBuffer.h"

namespace qu {

using Kind = FileInfo::Kind;

// Windows opens a device for a name such as CON or NUL in any folder.
const bool kDeviceNamesAreReserved = true;

namespace {

// The system's errors that have a portable condition, which FileAccess.cpp compares with and
// whose text reads as it does on other systems.
constexpr std::pair<DWORD, std::errc> kConditions[] = {
    {ERROR_FILE_NOT_FOUND, std::errc::no_such_file_or_directory},
    {ERROR_PATH_NOT_FOUND, std::errc::no_such_file_or_directory},
    {ERROR_INVALID_DRIVE, std::errc::no_such_file_or_directory},
    {ERROR_BAD_NETPATH, std::errc::no_such_file_or_directory},
    {ERROR_FILE_EXISTS, std::errc::file_exists},
    {ERROR_ALREADY_EXISTS, std::errc::file_exists},
    {ERROR_ACCESS_DENIED, std::errc::permission_denied},
    {ERROR_WRITE_PROTECT, std::errc::permission_denied},
    {ERROR_SHARING_VIOLATION, std::errc::device_or_resource_busy},
    {ERROR_LOCK_VIOLATION, std::errc::device_or_resource_busy},
    {ERROR_DISK_FULL, std::errc::no_space_on_device},
    {ERROR_HANDLE_DISK_FULL, std::errc::no_space_on_device},
    {ERROR_NOT_SAME_DEVICE, std::errc::cross_device_link},
    {ERROR_FILENAME_EXCED_RANGE, std::errc::filename_too_long},
    {ERROR_INVALID_NAME, std::errc::invalid_argument},
    {ERROR_DIRECTORY, std::errc::not_a_directory},
    {ERROR_INVALID_FUNCTION, std::errc::not_supported},
    {ERROR_NOT_SUPPORTED, std::errc::not_supported},
};

// An error without a portable condition keeps the system's own code.
std::error_code ErrorFrom(DWORD code) {
  for (const auto& [system, condition] : kConditions) {
    if (system == code) return std::make_error_code(condition);
  }
  return {static_cast<int>(code), std::system_category()};
}

std::error_code LastError() {
  return ErrorFrom(GetLastError());
}

HANDLE Handle(FileHandle file) {
  return reinterpret_cast<HANDLE>(file.native);
}

FileHandle FromHandle(HANDLE handle) {
  return FileHandle{reinterpret_cast<std::intptr_t>(handle)};
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The most one ReadFile or WriteFile call is asked to move.
constexpr std::size_t kMaxTransfer = 1u << 30;

std::error_code InfoFromHandle(HANDLE handle, FileInfo& info) {
  info = {};
  const DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return LastError();
  if (type != FILE_TYPE_DISK) {  // a console, a printer port, a pipe
    info.kind = Kind::kOther;
    return {};
  }
  BY_HANDLE_FILE_INFORMATION data;
  if (!GetFileInformationByHandle(handle, &data)) return LastError();
  info.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::kFolder : Kind::kRegular;
  // Windows keeps no permission bits; the read-only attribute is the nearest thing.
  info.mode = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info.device = data.dwVolumeSerialNumber;
  info.number = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
  return {};
}

// Opens an existing file or folder, following links. FILE_FLAG_BACKUP_SEMANTICS is what lets
// a folder be opened, so that it is reported as a folder rather than as access denied.
HANDLE OpenExisting(const fs::path& path, DWORD access) {
  return CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

fs::path PathFromUtf8(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  std::wstring converted(static_cast<std::size_t>(std::max(wide, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, converted.data(), wide);
  return fs::path(std::move(converted));
}

std::string Utf8FromPath(const fs::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int length = static_cast<int>(wide.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, converted.data(), bytes, nullptr, nullptr);
  return converted;
}

std::error_code FileOps::Inspect(const fs::path& path, FileInfo& info) {
  // No access rights asked for: only the file's kind and size are read.
  const HANDLE handle = OpenExisting(path, 0);
  if (handle == INVALID_HANDLE_VALUE) {
    info = {};
    const std::error_code error = LastError();
    return error == std::errc::no_such_file_or_directory ? std::error_code() : error;
  }
  const std::error_code error = InfoFromHandle(handle, info);
  CloseHandle(handle);
  return error;
}

std::error_code FileOps::CheckWritable(const fs::path& path) {
  // The read-only attribute binds every user; it is read itself rather than left to the open
  // below, which not every implementation of these calls refuses for an administrator.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    return std::make_error_code(std::errc::permission_denied);
  }
  // Opening for writing faces the file's access list, and changes nothing.
  const HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_DATA, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  CloseHandle(handle);
  return {};
}

std::error_code FileOps::OpenToRead(const fs::path& path, FileHandle& file) {
  const HANDLE handle = OpenExisting(path, GENERIC_READ);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  file = FromHandle(handle);
  return {};
}

std::error_code FileOps::InspectOpen(FileHandle file, FileInfo& info) {
  return InfoFromHandle(Handle(file), info);
}

std::error_code FileOps::Read(FileHandle file, std::uint8_t* data, std::size_t size,
                              std::size_t& got) {
  DWORD n = 0;
  if (!::ReadFile(Handle(file), data, static_cast<DWORD>(std::min(size, kMaxTransfer)), &n,
                  nullptr)) {
    return LastError();
  }
  got = n;
  return {};
}

std::error_code FileOps::ReopenToRead(FileHandle file, FileHandle& reading) {
  const HANDLE handle = ReOpenFile(Handle(file), GENERIC_READ, kShareAll, 0);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  reading = FromHandle(handle);
  return {};
}

std::error_code FileOps::OpenToWrite(const fs::path& path, FileHandle& file) {
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  file = FromHandle(handle);
  return {};
}

std::error_code FileOps::CreateNew(const fs::path& path, FileHandle& file) {
  // Shared with no one while it is written. Its access list is the one the folder gives new
  // files, as for any file a program creates there.
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  file = FromHandle(handle);
  return {};
}

std::error_code FileOps::SetOwner(FileHandle, std::uint32_t, std::uint32_t) {
  // Windows has no owner and group numbers to carry over.
  return std::make_error_code(std::errc::not_supported);
}

std::error_code FileOps::SetMode(FileHandle, std::uint32_t mode) {
  // Only writable targets are replaced, so a writable new file is all a save ever needs.
  return (mode & 0200) ? std::error_code() : std::make_error_code(std::errc::not_supported);
}

std::error_code FileOps::Write(FileHandle file, const std::uint8_t* data, std::size_t size) {
  // The handle writes the bytes as they are: no C runtime stands between, so nothing
  // translates line ends.
  while (size > 0) {
    DWORD n = 0;
    if (!::WriteFile(Handle(file), data, static_cast<DWORD>(std::min(size, kMaxTransfer)), &n,
                     nullptr)) {
      return LastError();
    }
    if (n == 0) return std::make_error_code(std::errc::io_error);
    data += n;
    size -= n;
  }
  return {};
}

std::error_code FileOps::FlushToDisk(FileHandle file) {
  return FlushFileBuffers(Handle(file)) ? std::error_code() : LastError();
}

std::error_code FileOps::Close(FileHandle file) {
  return CloseHandle(Handle(file)) ? std::error_code() : LastError();
}

std::error_code FileOps::Link(const fs::path& from, const fs::path& to) {
  return CreateHardLinkW(to.c_str(), from.c_str(), nullptr) ? std::error_code() : LastError();
}

std::error_code FileOps::Rename(const fs::path& from, const fs::path& to) {
  // Replaces the target in one step, and returns only once the move is on the disk.
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? std::error_code()
             : LastError();
}

std::error_code FileOps::FlushFolder(const fs::path&) {
  // Windows has no flush for a folder's entries; the rename above was written through.
  return {};
}

std::error_code FileOps::Remove(const fs::path& path) {
  return DeleteFileW(path.c_str()) ? std::error_code() : LastError();
}

std::uint32_t FileOps::NewFileMode() {
  return 0666;
}

bool FileOps::MayRemoveName(const FileInfo&, const FileInfo&) {
  // Folders have no sticky bit here; a file's access list is faced by the rename itself.
  return true;
}

std::optional<int> DescriptorNamedBy(const std::string&) {
  return std::nullopt;
}

FileHandle StandardOutput() {
  return FromHandle(GetStdHandle(STD_OUTPUT_HANDLE));
}

void PreferLargePages(void*, std::size_t) {}

}  // namespace qu
