// The system's own calls behind the file layer on POSIX systems, one small function per step.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "trackio/FileAccess.h"
#include "trackio/PlatformFiles.h"
#include "trackio/TrackBuffer.h"

namespace qu {

using Kind = FileInfo::Kind;

// Here a name is a device only where a device file of that name exists.
const bool kDeviceNamesAreReserved = false;

namespace {

std::error_code LastError() {
  return {errno, std::system_category()};
}

int Descriptor(FileHandle file) {
  return static_cast<int>(file.native);
}

FileInfo InfoFrom(const struct stat& st) {
  FileInfo info;
  info.kind = S_ISREG(st.st_mode)    ? Kind::kRegular
              : S_ISDIR(st.st_mode)  ? Kind::kFolder
              : S_ISCHR(st.st_mode)  ? Kind::kCharacterDevice
              : S_ISFIFO(st.st_mode) ? Kind::kFifo
              : S_ISBLK(st.st_mode)  ? Kind::kBlockDevice
              : S_ISSOCK(st.st_mode) ? Kind::kSocket
                                     : Kind::kOther;
  info.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
  info.owner = static_cast<std::uint32_t>(st.st_uid);
  info.group = static_cast<std::uint32_t>(st.st_gid);
  info.size = static_cast<std::uint64_t>(st.st_size);
  info.device = static_cast<std::uint64_t>(st.st_dev);
  info.number = static_cast<std::uint64_t>(st.st_ino);
  return info;
}

// The value of a field of the process's status where the system shows it ("Umask:", "CapEff:").
std::optional<std::string> StatusField(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return line.substr(field.size());
  }
  return std::nullopt;
}

// The file-creation mask, read without changing it where the system shows it.
mode_t CurrentUmask() {
  if (const std::optional<std::string> mask = StatusField("Umask:")) {
    return static_cast<mode_t>(std::strtoul(mask->c_str(), nullptr, 8) & 0777);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// Whether the process may act as the owner of any file: the superuser, unless it runs without
// that capability (CAP_FOWNER, bit 3), as in some containers.
bool MayActAsAnyOwner() {
  constexpr unsigned long long kOwnerCapability = 1ull << 3;
  if (const std::optional<std::string> capabilities = StatusField("CapEff:")) {
    return (std::strtoull(capabilities->c_str(), nullptr, 16) & kOwnerCapability) != 0;
  }
  return ::geteuid() == 0;
}

// The number that ends a descriptor's name: decimal digits only.
std::optional<int> DescriptorNumber(std::string_view digits) {
  int number = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, number);
  if (digits.empty() || error != std::errc() || stop != end || number < 0) return std::nullopt;
  return number;
}

}  // namespace

fs::path PathFromUtf8(std::string_view text) {
  return fs::path(text);
}

std::string Utf8FromPath(const fs::path& path) {
  return path.native();
}

std::error_code FileOps::Inspect(const fs::path& path, FileInfo& info) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    info = {};
    return errno == ENOENT ? std::error_code() : LastError();
  }
  info = InfoFrom(st);
  return {};
}

std::error_code FileOps::CheckWritable(const fs::path& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? std::error_code()
                                                                    : LastError();
}

std::error_code FileOps::OpenToRead(const fs::path& path, FileHandle& file) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return LastError();
  file.native = fd;
  return {};
}

std::error_code FileOps::InspectOpen(FileHandle file, FileInfo& info) {
  struct stat st {};
  if (::fstat(Descriptor(file), &st) != 0) return LastError();
  info = InfoFrom(st);
  return {};
}

std::error_code FileOps::Read(FileHandle file, std::uint8_t* data, std::size_t size,
                              std::size_t& got) {
  ssize_t n;
  do {
    n = ::read(Descriptor(file), data, std::min<std::size_t>(size, SSIZE_MAX));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  got = static_cast<std::size_t>(n);
  return {};
}

std::error_code FileOps::ReopenToRead(FileHandle file, FileHandle& reading) {
  // The descriptor's name in /proc opens its file anew, even one opened for writing only.
  const std::string number = std::to_string(Descriptor(file));
  int fd =
      ::open(("/proc/self/fd/" + number).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(("/dev/fd/" + number).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  }
  if (fd < 0) return LastError();
  reading.native = fd;
  return {};
}

std::error_code FileOps::OpenToWrite(const fs::path& path, FileHandle& file) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return LastError();
  file.native = fd;
  return {};
}

std::error_code FileOps::CreateNew(const fs::path& path, FileHandle& file) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return LastError();
  file.native = fd;
  return {};
}

std::error_code FileOps::SetOwner(FileHandle file, std::uint32_t owner, std::uint32_t group) {
  if (::fchown(Descriptor(file), owner, group) == 0) return {};
  const std::error_code error = LastError();
  // An ordinary user may still give the file a group it belongs to.
  if (::fchown(Descriptor(file), static_cast<uid_t>(-1), group) == 0) return {};
  return error;
}

std::error_code FileOps::SetMode(FileHandle file, std::uint32_t mode) {
  return ::fchmod(Descriptor(file), static_cast<mode_t>(mode & 07777)) == 0 ? std::error_code()
                                                                            : LastError();
}

std::error_code FileOps::Write(FileHandle file, const std::uint8_t* data, std::size_t size) {
  // One call writes everything; the loop only continues a write the system cut short.
  while (size > 0) {
    const ssize_t n = ::write(Descriptor(file), data, std::min<std::size_t>(size, SSIZE_MAX));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    if (n == 0) return std::make_error_code(std::errc::io_error);
    data += n;
    size -= static_cast<std::size_t>(n);
  }
#if defined(SYNC_FILE_RANGE_WRITE)
  // Every file written here is flushed once it is whole: its pages start on their way to the
  // disk now, while the rest is formatted, and the flush waits only for the last of them.
  (void)::sync_file_range(Descriptor(file), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
  return {};
}

std::error_code FileOps::FlushToDisk(FileHandle file) {
  return ::fsync(Descriptor(file)) == 0 ? std::error_code() : LastError();
}

std::error_code FileOps::Close(FileHandle file) {
  // After an interrupted close the descriptor is gone all the same.
  return ::close(Descriptor(file)) == 0 || errno == EINTR ? std::error_code() : LastError();
}

std::error_code FileOps::Link(const fs::path& from, const fs::path& to) {
  return ::link(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code FileOps::Rename(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code FileOps::FlushFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder this process may write in but not list cannot be opened to be flushed.
  if (fd < 0) return errno == EACCES ? std::error_code() : LastError();
  std::error_code error;
  if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP) error = LastError();
  ::close(fd);
  return error;
}

std::error_code FileOps::Remove(const fs::path& path) {
  return ::unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

std::uint32_t FileOps::NewFileMode() {
  return 0666 & ~static_cast<std::uint32_t>(CurrentUmask());
}

bool FileOps::MayRemoveName(const FileInfo& folder, const FileInfo& file) {
  if ((folder.mode & S_ISVTX) == 0) return true;
  const auto self = static_cast<std::uint32_t>(::geteuid());
  return file.owner == self || folder.owner == self || MayActAsAnyOwner();
}

std::optional<int> DescriptorNamedBy(const std::string& path) {
  const std::string name = fs::path(path).lexically_normal().native();
  if (name == "/dev/stdin") return 0;
  if (name == "/dev/stdout") return 1;
  if (name == "/dev/stderr") return 2;
  const std::string folders[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/",
                                 "/proc/" + std::to_string(::getpid()) + "/fd/"};
  for (const std::string& folder : folders) {
    if (name.rfind(folder, 0) == 0)
      return DescriptorNumber(std::string_view(name).substr(folder.size()));
  }
  return std::nullopt;
}

FileHandle StandardOutput() {
  return FileHandle{STDOUT_FILENO};
}

void PreferLargePages(void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  // Only the whole large pages inside the range can be backed so; a small table has none.
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t end = (start + bytes) & ~(kLargePage - 1);
  if (end > first) (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace qu
