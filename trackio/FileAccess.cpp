#include "trackio/FileAccess.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "trackio/DeviceNames.h"
#include "trackio/PlatformFiles.h"

namespace qu {

using Kind = FileInfo::Kind;

namespace {

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

// The system's text for an error, starting in lower case so that it ends a sentence
// ("No such file or directory" becomes "no such file or directory").
std::string Reason(const std::error_code& error) {
  std::string text = error.message();
  if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z') {
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  }
  return text;
}

bool IsRefusal(const std::error_code& error) {
  return error == std::errc::permission_denied || error == std::errc::operation_not_permitted;
}

// Only regular files are read or replaced.
Status RefuseKind(const std::string& path, const FileInfo& info) {
  if (info.kind == Kind::kFolder) return Status::Failure(Quoted(path) + " is a folder");
  if (info.kind != Kind::kRegular && info.kind != Kind::kMissing) {
    return Status::Failure(Quoted(path) + " is not a regular file");
  }
  return {};
}

// Windows opens a device, not a file, for a reserved name in any folder, and would wait on it
// or write a whole temporary file before failing; such names are refused before that.
Status RefuseDeviceName(const std::string& path) {
  if (!kDeviceNamesAreReserved) return {};
  const std::string name = Utf8FromPath(PathFromUtf8(path).filename());
  if (!IsWindowsDeviceName(name)) return {};
  return Status::Failure(Quoted(path) + " is not a regular file: " +
                         name.substr(0, name.find('.')) + " is a device name on Windows");
}

// Follows symbolic links from `path` to the name that a save replaces or creates, which may
// not exist yet (a dangling link). The links themselves stay as they are. It stops at a name of
// one of the process's descriptors: what lies behind that is no file name to replace.
std::error_code ResolveLinks(const fs::path& path, fs::path& resolved) {
  resolved = path;
  for (int hops = 0; hops < 40; ++hops) {
    if (DescriptorNamedBy(Utf8FromPath(resolved))) return {};
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(resolved, error))) return {};
    const fs::path next = fs::read_symlink(resolved, error);
    if (error) return error;
    resolved = next.is_absolute() ? next : resolved.parent_path() / next;
  }
  return std::make_error_code(std::errc::too_many_symbolic_link_levels);
}

// A short name for a new file in `folder`: its length does not depend on the target's name,
// so any name the folder accepts can be saved to.
fs::path SiblingName(const fs::path& folder) {
  static std::mt19937_64 random{std::random_device{}()};
  char name[32];
  std::snprintf(name, sizeof name, ".qu-%012llx.tmp",
                static_cast<unsigned long long>(random() >> 16));
  return folder / name;
}

// Creates a new file in `folder` under a name no other file has. A stray file left by an
// interrupted save is never reused: its name is simply taken.
std::error_code CreateSibling(FileOps& ops, const fs::path& folder, fs::path& created,
                              FileHandle& file) {
  std::error_code error;
  for (int attempt = 0; attempt < 100; ++attempt) {
    created = SiblingName(folder);
    error = ops.CreateNew(created, file);
    if (error != std::errc::file_exists) break;
  }
  return error;
}

// Gives the file at `target` a second name in `folder`, so that it can be put back if the
// replacement cannot be made durable. False where the file system has no such names.
bool LinkSibling(FileOps& ops, const fs::path& target, const fs::path& folder, fs::path& link) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    link = SiblingName(folder);
    const std::error_code error = ops.Link(target, link);
    if (!error) return true;
    if (error != std::errc::file_exists) break;
  }
  link.clear();
  return false;
}

// Hands what is written to an open file; the first failure stops all later writes.
class FileSink : public ByteSink {
 public:
  FileSink(FileOps& ops, FileHandle file) : ops_(ops), file_(file) {}
  bool Put(std::span<const std::uint8_t> bytes, std::string& error) override {
    if (!failure) failure = ops_.Write(file_, bytes.data(), bytes.size());
    if (failure) error = Reason(failure);
    return !failure;
  }
  std::error_code failure;

 private:
  FileOps& ops_;
  FileHandle file_;
};

// Reads an open file of a known size in order.
class FileSource : public ByteSource {
 public:
  FileSource(FileOps& ops, FileHandle file, const std::string& path)
      : ops_(ops), file_(file), path_(path) {}
  bool Fill(std::span<std::uint8_t> into, std::string& error) override {
    for (std::size_t done = 0; done < into.size();) {
      std::size_t got = 0;
      if (std::error_code failure = ops_.Read(file_, into.data() + done, into.size() - done, got)) {
        error = "cannot read " + Quoted(path_) + ": " + Reason(failure);
        return false;
      }
      if (got == 0) {
        error = Quoted(path_) + " became shorter while it was read";
        return false;
      }
      done += got;
    }
    return true;
  }

 private:
  FileOps& ops_;
  FileHandle file_;
  const std::string& path_;
};

// Reads a newly opened regular file from its start until `into` is full or the file ends.
Status ReadFromStart(FileOps& ops, FileHandle file, std::span<std::uint8_t> into,
                     std::size_t& got) {
  FileInfo info;
  if (ops.InspectOpen(file, info) || info.kind != Kind::kRegular) return {};
  while (got < into.size()) {
    std::size_t more = 0;
    if (std::error_code error = ops.Read(file, into.data() + got, into.size() - got, more)) {
      return Status::Failure(Reason(error));
    }
    if (more == 0) break;
    got += more;
  }
  return {};
}

// Fills the newly created `file`, after giving it the owner, group and mode it will keep, and
// flushes it to the disk.
Status WriteNewFile(FileOps& ops, const std::string& path, const FileInfo& old, FileHandle file,
                    const FileWriteBody& write) {
  // Keeping owner and group is best effort: only the superuser may give a file away. A mode
  // the file system cannot set leaves the file private, which harms nobody.
  if (old.kind == Kind::kRegular) (void)ops.SetOwner(file, old.owner, old.group);
  (void)ops.SetMode(file, old.kind == Kind::kRegular ? old.mode : ops.NewFileMode());

  std::string failure;
  FileSink sink(ops, file);
  write(sink);
  if (sink.failure) {
    failure = "cannot write " + Quoted(path) + ": " + Reason(sink.failure);
  } else if (std::error_code flushed = ops.FlushToDisk(file)) {
    failure = "cannot flush " + Quoted(path) + " to the disk: " + Reason(flushed);
  }
  const std::error_code closed = ops.Close(file);
  if (failure.empty() && closed) failure = "cannot write " + Quoted(path) + ": " + Reason(closed);
  return failure.empty() ? Status() : Status::Failure(failure);
}

// What a save replaces or creates, found and checked before anything is written.
struct SaveTarget {
  fs::path path;  // the name replaced or created, with links followed
  fs::path folder;
  FileInfo old;  // what is there now
  // Whether a second name of the old file may be made: only where this process can remove
  // it again, since a name it cannot remove would stay behind for good.
  bool mayLinkBackup = false;
};

// A regular file is replaced only where this process may write it and may replace its name.
Status CheckReplaceable(const std::string& path, FileOps& ops, SaveTarget& target) {
  if (std::error_code refused = ops.CheckWritable(target.path)) {
    if (IsRefusal(refused)) return Status::Failure(Quoted(path) + " is read-only");
    return Status::Failure("cannot save to " + Quoted(path) + ": " + Reason(refused));
  }
  FileInfo folder;
  if (ops.Inspect(target.folder, folder)) return {};  // the creation in it will tell
  if (!ops.MayRemoveName(folder, target.old)) {
    return Status::Failure("cannot replace " + Quoted(path) +
                           ": it belongs to another user, and only a file's owner may replace it "
                           "in the sticky folder " +
                           Quoted(Utf8FromPath(target.folder)));
  }
  target.mayLinkBackup = true;
  return {};
}

Status FindSaveTarget(const std::string& path, FileOps& ops, SaveTarget& target) {
  if (Status status = RefuseFolderTarget(path, ops); !status) return status;
  std::error_code error = ResolveLinks(PathFromUtf8(path), target.path);
  if (!error && DescriptorNamedBy(Utf8FromPath(target.path))) {
    return Status::Failure(Quoted(path) +
                           " is a descriptor of this process, not a file to replace");
  }
  if (Status status = RefuseDeviceName(Utf8FromPath(target.path)); !status) return status;
  if (!error) error = ops.Inspect(target.path, target.old);
  if (error) return Status::Failure("cannot save to " + Quoted(path) + ": " + Reason(error));
  if (Status status = RefuseKind(path, target.old); !status) return status;
  target.folder = target.path.has_parent_path() ? target.path.parent_path() : fs::path(".");
  if (target.old.kind != Kind::kRegular) return {};
  return CheckReplaceable(path, ops, target);
}

}  // namespace

FileOps& RealFileOps() {
  static FileOps real;
  return real;
}

Status CheckFileToRead(const std::string& path, FileOps& ops) {
  if (Status status = RefuseDeviceName(path); !status) return status;
  FileInfo info;
  if (std::error_code error = ops.Inspect(PathFromUtf8(path), info)) {
    return Status::Failure("cannot read " + Quoted(path) + ": " + Reason(error));
  }
  if (info.kind == Kind::kMissing) return Status::Failure("no file at " + Quoted(path));
  return RefuseKind(path, info);
}

Status ReadFile(const std::string& path, const FileReadBody& read, FileOps& ops) {
  if (Status status = RefuseDeviceName(path); !status) return status;
  FileHandle file;
  if (std::error_code error = ops.OpenToRead(PathFromUtf8(path), file)) {
    if (error == std::errc::no_such_file_or_directory) {
      return Status::Failure("no file at " + Quoted(path));
    }
    return Status::Failure("cannot open " + Quoted(path) + ": " + Reason(error));
  }
  struct Closer {
    FileOps& ops;
    FileHandle file;
    ~Closer() { (void)ops.Close(file); }
  } closer{ops, file};

  FileInfo info;
  if (std::error_code error = ops.InspectOpen(file, info)) {
    return Status::Failure("cannot read " + Quoted(path) + ": " + Reason(error));
  }
  if (Status status = RefuseKind(path, info); !status) return status;
  if (info.size > static_cast<std::uint64_t>(kMaxTrackBytes)) {
    return Status::Failure(Quoted(path) + " is larger than a track file can be (" +
                           std::to_string(info.size) + " bytes)");
  }
  FileSource source(ops, file, path);
  return read(static_cast<std::int64_t>(info.size), source);
}

Status ReadWholeFile(const std::string& path, TrackBuffer& bytes, FileOps& ops) {
  return ReadFile(
      path,
      [&](std::int64_t size, ByteSource& source) {
        bytes.resize(static_cast<std::size_t>(size));  // reuses the buffer's memory when it can
        std::string error;
        if (source.Fill(bytes, error)) return Status();
        bytes.clear();
        return Status::Failure(error);
      },
      ops);
}

Status RefuseFolderTarget(const std::string& path, FileOps& ops) {
  if (path.empty()) return Status::Failure("no file name given");
  const fs::path p = PathFromUtf8(path);
  FileInfo info;
  const bool isFolder = !ops.Inspect(p, info) && info.kind == Kind::kFolder;
  if (isFolder) return Status::Failure(Quoted(path) + " is a folder");
  if (!p.has_filename() || p.filename() == "." || p.filename() == "..") {
    return Status::Failure(Quoted(path) + " names a folder, not a file");
  }
  return {};
}

Status WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                           FileOps& ops) {
  return WriteFileAtomically(
      path,
      [&](ByteSink& sink) {
        std::string error;
        sink.Put(bytes, error);
      },
      ops);
}

Status WriteFileAtomically(const std::string& path, const FileWriteBody& write, FileOps& ops) {
  SaveTarget found;
  if (Status status = FindSaveTarget(path, ops, found); !status) return status;
  const fs::path& target = found.path;
  const fs::path& folder = found.folder;
  const FileInfo& old = found.old;
  const bool replacing = old.kind == Kind::kRegular;

  fs::path temporary;
  FileHandle file;
  if (std::error_code created = CreateSibling(ops, folder, temporary, file)) {
    return Status::Failure("cannot create a file in folder " + Quoted(Utf8FromPath(folder)) + ": " +
                           Reason(created));
  }
  if (Status status = WriteNewFile(ops, path, old, file, write); !status) {
    (void)ops.Remove(temporary);
    return status;
  }

  fs::path backup;
  if (found.mayLinkBackup) LinkSibling(ops, target, folder, backup);
  if (std::error_code renamed = ops.Rename(temporary, target)) {
    (void)ops.Remove(temporary);
    if (!backup.empty()) (void)ops.Remove(backup);
    return Status::Failure("cannot replace " + Quoted(path) + ": " + Reason(renamed));
  }
  if (std::error_code flushed = ops.FlushFolder(folder)) {
    // The rename may not survive a power cut: put the old state back and say so.
    std::string reason =
        "cannot flush folder " + Quoted(Utf8FromPath(folder)) + " to the disk: " + Reason(flushed);
    if (!backup.empty()) {
      if (ops.Rename(backup, target)) reason += " (the new file has replaced the old one)";
    } else if (replacing) {
      reason += " (the new file has replaced the old one)";
    } else {
      (void)ops.Remove(target);
    }
    return Status::Failure(reason);
  }
  if (!backup.empty()) (void)ops.Remove(backup);
  return {};
}

Status FindStreamNamedBy(const std::string& path, std::optional<FileHandle>& stream, FileOps& ops) {
  stream.reset();
  const std::optional<int> number = DescriptorNamedBy(path);
  if (!number) return {};
  const FileHandle handle{*number};
  FileInfo info;
  if (ops.InspectOpen(handle, info)) {
    return Status::Failure(Quoted(path) + " names descriptor " + std::to_string(*number) +
                           ", which is not open");
  }
  stream = handle;
  return {};
}

Status OpenDeviceNamedBy(const std::string& path, std::optional<FileHandle>& stream, FileOps& ops) {
  stream.reset();
  fs::path resolved;
  if (path.empty() || ResolveLinks(PathFromUtf8(path), resolved) ||
      DescriptorNamedBy(Utf8FromPath(resolved))) {
    return {};  // the save's own checks say what is wrong with it
  }
  FileInfo info;
  if (ops.Inspect(PathFromUtf8(path), info)) return {};
  switch (info.kind) {
    case Kind::kBlockDevice:
      return Status::Failure(Quoted(path) + " is a block device, not a file");
    case Kind::kSocket:
      return Status::Failure(Quoted(path) + " is a socket, not a file");
    case Kind::kCharacterDevice:
    case Kind::kFifo:
      break;
    default:
      return {};
  }
  FileHandle file;
  if (std::error_code error = ops.OpenToWrite(PathFromUtf8(path), file)) {
    return Status::Failure("cannot open " + Quoted(path) + ": " + Reason(error));
  }
  // What was opened is checked again: the name may have been given to another file meanwhile.
  FileInfo opened;
  if (ops.InspectOpen(file, opened) ||
      (opened.kind != Kind::kCharacterDevice && opened.kind != Kind::kFifo)) {
    (void)ops.Close(file);
    return Status::Failure(Quoted(path) + " changed while it was opened");
  }
  stream = file;
  return {};
}

Status ReadFirstBytes(const std::string& path, std::span<std::uint8_t> into, std::size_t& got,
                      FileOps& ops) {
  got = 0;
  if (!RefuseDeviceName(path)) return {};
  FileInfo info;
  if (ops.Inspect(PathFromUtf8(path), info) || info.kind != Kind::kRegular) return {};
  FileHandle file;
  if (std::error_code error = ops.OpenToRead(PathFromUtf8(path), file)) {
    return Status::Failure(Reason(error));
  }
  const Status status = ReadFromStart(ops, file, into, got);
  (void)ops.Close(file);
  return status;
}

Status ReadFirstBytes(FileHandle stream, std::span<std::uint8_t> into, std::size_t& got,
                      FileOps& ops) {
  got = 0;
  FileInfo info;
  if (ops.InspectOpen(stream, info) || info.kind != Kind::kRegular) return {};
  FileHandle file;
  if (std::error_code error = ops.ReopenToRead(stream, file)) return Status::Failure(Reason(error));
  const Status status = ReadFromStart(ops, file, into, got);
  (void)ops.Close(file);
  return status;
}

Status WriteToStream(FileHandle stream, const std::string& label, const FileWriteBody& write,
                     FileOps& ops) {
  FileSink sink(ops, stream);
  write(sink);
  if (sink.failure)
    return Status::Failure("cannot write to " + label + ": " + Reason(sink.failure));
  return {};
}

}  // namespace qu
