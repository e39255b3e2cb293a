#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "trackio/Status.h"
#include "trackio/TrackBuffer.h"

namespace qu {

// An open file of the operating system (a descriptor, or a handle on systems that use them).
struct FileHandle {
  std::intptr_t native = -1;
};

// What is found at a path, after following symbolic links.
struct FileInfo {
  // kOther is anything else, such as a console or a pipe on Windows.
  enum class Kind {
    kMissing,
    kRegular,
    kFolder,
    kCharacterDevice,
    kFifo,
    kBlockDevice,
    kSocket,
    kOther
  };
  Kind kind = Kind::kMissing;
  std::uint32_t mode = 0;  // permission bits, with set-id and sticky bits
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  std::uint64_t size = 0;
  // Which file it is: two names or open files with the same device and number are one file.
  std::uint64_t device = 0;
  std::uint64_t number = 0;
};

// Whether two inspections found one and the same file.
inline bool SameFile(const FileInfo& a, const FileInfo& b) {
  return a.kind != FileInfo::Kind::kMissing && b.kind != FileInfo::Kind::kMissing &&
         a.device == b.device && a.number == b.number;
}

// The file operations that loading and saving go through, one per step. The defaults are the
// system's own calls; tests override single steps to make them fail as a full disk, a failing
// device or a refused rename would, or to stop the process in the middle of a save. Every
// step reports the system's error, or an empty code on success.
class FileOps {
 public:
  virtual ~FileOps() = default;

  // What is at `path`; a path that does not exist is kMissing, not an error.
  virtual std::error_code Inspect(const std::filesystem::path& path, FileInfo& info);
  // Whether this process may write to the existing file at `path`: the test that opening it
  // for writing would face, made with the process's effective user and group.
  virtual std::error_code CheckWritable(const std::filesystem::path& path);

  // Opens an existing file for reading without waiting on a pipe that has no writer.
  virtual std::error_code OpenToRead(const std::filesystem::path& path, FileHandle& file);
  virtual std::error_code InspectOpen(FileHandle file, FileInfo& info);
  // Reads up to `size` bytes; `got` is 0 only at the end of the file.
  virtual std::error_code Read(FileHandle file, std::uint8_t* data, std::size_t size,
                               std::size_t& got);
  // Opens the file that the open `file` is open on once more, to read it from its start,
  // whatever access and position `file` has.
  virtual std::error_code ReopenToRead(FileHandle file, FileHandle& reading);

  // Opens an existing file for writing at its start, creating and truncating nothing: a
  // device or a FIFO, which waits for a reader as a shell's redirection does.
  virtual std::error_code OpenToWrite(const std::filesystem::path& path, FileHandle& file);

  // Creates a new file that must not exist yet, readable and writable by its owner only.
  virtual std::error_code CreateNew(const std::filesystem::path& path, FileHandle& file);
  // Gives the open file the owner and group (where the process may) and the mode of another.
  virtual std::error_code SetOwner(FileHandle file, std::uint32_t owner, std::uint32_t group);
  virtual std::error_code SetMode(FileHandle file, std::uint32_t mode);
  // Writes all of `size` bytes, or fails.
  virtual std::error_code Write(FileHandle file, const std::uint8_t* data, std::size_t size);
  // Makes the file's data and size durable: they survive a power cut once this returns.
  virtual std::error_code FlushToDisk(FileHandle file);
  virtual std::error_code Close(FileHandle file);

  // Gives the file at `from` a second name `to` in the same folder; `to` must not exist.
  virtual std::error_code Link(const std::filesystem::path& from, const std::filesystem::path& to);
  // Renames `from` to `to`, replacing a file at `to` in one step.
  virtual std::error_code Rename(const std::filesystem::path& from,
                                 const std::filesystem::path& to);
  // Makes the folder's entries durable (a rename or creation in it survives a power cut).
  // Succeeds where the file system has no such flush.
  virtual std::error_code FlushFolder(const std::filesystem::path& folder);
  virtual std::error_code Remove(const std::filesystem::path& path);

  // The mode a newly created file gets (0666 less the process's file-creation mask).
  virtual std::uint32_t NewFileMode();
  // Whether this process may remove or replace the name of `file` in `folder`. In a folder
  // with the sticky bit only the file's owner, the folder's owner and a process privileged
  // to act as any owner may; elsewhere anyone who may write in the folder.
  virtual bool MayRemoveName(const FileInfo& folder, const FileInfo& file);
};

FileOps& RealFileOps();

// File names are UTF-8 text throughout the program. These convert between that text and the
// system's own form of a path: UTF-16 on Windows, the bytes as they are elsewhere. Text that is
// not valid UTF-8 or UTF-16 turns into U+FFFD replacement characters, never into an error.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

// The descriptor that `path` names when it names one of this process's open descriptors
// rather than a file: /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N,
// /proc/thread-self/fd/N and /proc/PID/fd/N with this process's PID. Nothing for any other
// path, and always nothing on Windows, which has no such names.
std::optional<int> DescriptorNamedBy(const std::string& path);

// Checks whether `path` names one of this process's descriptors (see DescriptorNamedBy) and,
// if it does, that the descriptor is open: `stream` is then set to it. Such a path leads
// through the descriptor to whatever it is open on (a pipe, a terminal, a file opened for
// appending or already deleted), so it is written as a stream and never replaced.
Status FindStreamNamedBy(const std::string& path, std::optional<FileHandle>& stream,
                         FileOps& ops = RealFileOps());

// Checks whether `path`, as given, names a character device (/dev/null, /dev/full, a
// terminal) or a FIFO, and opens it for writing if it does: `stream` is then set to it, and the
// caller closes it. Such a file cannot be replaced; a command line writes to it as a shell's
// redirection would. A block device or a socket is refused ("'/dev/sda' is a block device, not
// a file"). A path that does not exist, a regular file, a folder, and a path that leads through
// links to a descriptor's name (see FindStreamNamedBy) leave `stream` empty.
Status OpenDeviceNamedBy(const std::string& path, std::optional<FileHandle>& stream,
                         FileOps& ops = RealFileOps());

// The process's standard output, to be written to as a stream.
FileHandle StandardOutput();

// Checks that `path` names an existing regular file that can be read, with the system's own
// reason when it does not ("no file at 'x'", "'x' is a folder", "'x' is not a regular file",
// "cannot read 'x': permission denied").
Status CheckFileToRead(const std::string& path, FileOps& ops = RealFileOps());

// Opens the regular file at `path` and hands its size and a source of its bytes to `read`,
// which reads them in order. Files the format cannot address are refused; the source fails
// on a read error and on a file that became shorter while it was read.
using FileReadBody = std::function<Status(std::int64_t size, ByteSource& source)>;
Status ReadFile(const std::string& path, const FileReadBody& read, FileOps& ops = RealFileOps());

// Reads up to `into.size()` bytes from the start of the regular file at `path`, or of the file
// that the open `stream` is open on, into `into`, for a check of what the file holds; `got` is
// how many. Nothing is read (`got` is 0) from a path that does not exist or is no regular file,
// nor from a stream that is no regular file (a pipe, a device, a terminal). A regular file
// whose bytes cannot be read fails with the system's reason alone ("permission denied"), for
// the caller to say what it could not do.
Status ReadFirstBytes(const std::string& path, std::span<std::uint8_t> into, std::size_t& got,
                      FileOps& ops = RealFileOps());
Status ReadFirstBytes(FileHandle stream, std::span<std::uint8_t> into, std::size_t& got,
                      FileOps& ops = RealFileOps());

// Reads a whole regular file into `bytes`, replacing what it held.
Status ReadWholeFile(const std::string& path, TrackBuffer& bytes, FileOps& ops = RealFileOps());

// Refuses a path that names a folder: one that ends in a separator (or in "." or ".."), or
// that is an existing folder. Saving checks this before it appends an extension.
Status RefuseFolderTarget(const std::string& path, FileOps& ops = RealFileOps());

// Replaces the file at `path` with `bytes`, so that after a power cut at any moment the path
// holds either its old bytes or the new ones. The bytes go to a new private file in the same
// folder, which takes the target's owner, group and mode before anything is written, is
// flushed to the disk and only then renamed over the target; the folder is flushed after the
// rename. A symbolic link stays a link: the file it points to is replaced, or created when it
// does not exist. Existing targets that are not regular files, or that this process may not
// write, are refused. On any failure the old file is left as it was and the new file removed.
Status WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                           FileOps& ops = RealFileOps());
// The same for content produced piece by piece: `write` hands every byte of the new file to
// the sink, in order, and stops at the sink's first failure.
// A path that is or leads through a link to one of the process's descriptors (see
// DescriptorNamedBy) is refused, as is one where the rename would be refused because a sticky
// folder protects the target from this process; nothing is written then.
using FileWriteBody = std::function<void(ByteSink& sink)>;
Status WriteFileAtomically(const std::string& path, const FileWriteBody& write,
                           FileOps& ops = RealFileOps());

// Writes what `write` produces through an open stream, in order, as it comes: at the stream's
// position, or at its end when it was opened for appending. A stream cannot be taken back, so
// a failure part of the way leaves what was written before it. `label` names the stream in a
// reason ("standard output", "'/dev/fd/3'").
Status WriteToStream(FileHandle stream, const std::string& label, const FileWriteBody& write,
                     FileOps& ops = RealFileOps());

}  // namespace qu
