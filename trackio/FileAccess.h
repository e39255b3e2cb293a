#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include "Status.h"
#include "TrackBuffer.h"

namespace qu {

// Reads a whole regular file in one read into `bytes`, replacing what it held. Files the
// format cannot address are refused.
Status ReadWholeFile(const std::string& path, TrackBuffer& bytes);

// The file operations a save goes through. The defaults are the real ones; tests override
// single steps to make them fail as a full disk, a failing device or a refused rename would.
// A failing step sets errno, as the real calls do.
class FileOps {
 public:
  virtual ~FileOps() = default;
  // Creates a new file that must not exist yet; nullptr on failure.
  virtual std::FILE* CreateNew(const std::filesystem::path& path);
  virtual std::size_t Write(std::FILE* file, const std::uint8_t* data, std::size_t size);
  virtual int Flush(std::FILE* file);
  virtual int Close(std::FILE* file);
  virtual void Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                      std::error_code& error);
};

FileOps& RealFileOps();

// Replaces the file at `path` with `bytes`, or leaves it exactly as it was. The bytes are
// written to a new file in the same folder, which is renamed over the target only when the
// write has succeeded; on failure the new file is removed again.
Status WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                           FileOps& ops = RealFileOps());

}  // namespace qu
