#include "FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

namespace qu {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText() {
  return std::strerror(errno);
}

std::string Quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

// Follows a symbolic link so that saving replaces the file it points to, not the link.
fs::path ResolveLink(const fs::path& target) {
  std::error_code ec;
  if (!fs::is_symlink(target, ec)) return target;
  fs::path resolved = fs::weakly_canonical(target, ec);
  return ec ? target : resolved;
}

// Creates a new, empty file next to `target` that no other process has opened.
std::FILE* CreateSiblingFile(FileOps& ops, const fs::path& target, fs::path& created,
                             std::string& error) {
  static std::mt19937_64 random{std::random_device{}()};
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx",
                  static_cast<unsigned long long>(random() >> 16));
    created = folder / ("." + target.filename().string() + suffix + ".tmp");
    errno = 0;
    if (std::FILE* f = ops.CreateNew(created)) return f;
    if (errno != EEXIST) break;
  }
  error = "cannot create a file in folder " + Quoted(folder) + ": " + ErrnoText();
  return nullptr;
}

bool WriteAll(FileOps& ops, std::FILE* f, std::span<const std::uint8_t> bytes) {
  return ops.Write(f, bytes.data(), bytes.size()) == bytes.size() && ops.Flush(f) == 0;
}

}  // namespace

Status ReadWholeFile(const std::string& path, TrackBuffer& bytes) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) return Status::Failure("cannot read " + Quoted(path) + ": " + ec.message());
  if (size > static_cast<std::uintmax_t>(kMaxTrackBytes)) {
    return Status::Failure(Quoted(path) + " is larger than a track file can be (" +
                           std::to_string(size) + " bytes)");
  }
  FilePtr f(std::fopen(path.c_str(), "rb"));
  if (!f) return Status::Failure("cannot open " + Quoted(path) + ": " + ErrnoText());
  bytes.resize(static_cast<std::size_t>(size));  // reuses the buffer's memory when it can
  if (std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
    bytes.clear();
    return Status::Failure("cannot read " + Quoted(path) + ": " + ErrnoText());
  }
  return {};
}

std::FILE* FileOps::CreateNew(const fs::path& path) {
  return std::fopen(path.c_str(), "wbx");
}

std::size_t FileOps::Write(std::FILE* file, const std::uint8_t* data, std::size_t size) {
  return std::fwrite(data, 1, size, file);
}

int FileOps::Flush(std::FILE* file) {
  return std::fflush(file);
}

int FileOps::Close(std::FILE* file) {
  return std::fclose(file);
}

void FileOps::Rename(const fs::path& from, const fs::path& to, std::error_code& error) {
  fs::rename(from, to, error);
}

FileOps& RealFileOps() {
  static FileOps real;
  return real;
}

Status WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                           FileOps& ops) {
  const fs::path target = ResolveLink(fs::path(path));
  std::error_code ec;
  if (fs::is_directory(target, ec)) return Status::Failure(Quoted(target) + " is a folder");

  fs::path temporary;
  std::string error;
  std::FILE* file = CreateSiblingFile(ops, target, temporary, error);
  if (!file) return Status::Failure(error);

  bool written = WriteAll(ops, file, bytes);
  std::string writeError = written ? "" : ErrnoText();
  if (ops.Close(file) != 0 && written) {
    written = false;
    writeError = ErrnoText();
  }
  if (!written) {
    fs::remove(temporary, ec);
    return Status::Failure("cannot write " + Quoted(target) + ": " + writeError);
  }

  // Keep the permissions of the file being replaced.
  if (fs::exists(target, ec)) {
    fs::permissions(temporary, fs::status(target, ec).permissions(), ec);
  }
  ops.Rename(temporary, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return Status::Failure("cannot replace " + Quoted(target) + ": " + ec.message());
  }
  return {};
}

}  // namespace qu
