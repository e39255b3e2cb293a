#pragma once

// Helpers for tests that build or take apart track file images by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "trackio/TrackFile.h"

namespace qu::test {

using Bytes = std::vector<std::uint8_t>;

// Appends big-endian fields, the way a hand-written file would hold them.
class ByteBuilder {
 public:
  ByteBuilder& Tag(std::string_view tag) {
    for (char c : tag) bytes_.push_back(static_cast<std::uint8_t>(c));
    return *this;
  }
  ByteBuilder& Long(std::int32_t v) { return Raw32(std::bit_cast<std::uint32_t>(v)); }
  ByteBuilder& Single(float v) { return Raw32(std::bit_cast<std::uint32_t>(v)); }
  ByteBuilder& Raw32(std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes_.push_back(static_cast<std::uint8_t>(v >> shift));
    return *this;
  }
  ByteBuilder& Byte(std::uint8_t v) {
    bytes_.push_back(v);
    return *this;
  }
  ByteBuilder& Fill(std::size_t count, std::uint8_t v) {
    bytes_.insert(bytes_.end(), count, v);
    return *this;
  }
  ByteBuilder& Append(const Bytes& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// A root chunk header with the given top-level count (its size field is not checked).
inline Bytes RootHeader(std::int32_t topLevelCount) {
  return ByteBuilder()
      .Tag("QUEN")
      .Long(0)
      .Byte(1)
      .Byte(3)
      .Byte(0)
      .Byte(0)
      .Fill(16, 0)
      .Long(topLevelCount)
      .bytes();
}

inline std::int32_t BigEndianAt(const Bytes& bytes, std::size_t offset) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | bytes[offset + i];
  return std::bit_cast<std::int32_t>(v);
}

inline void PutBigEndian(Bytes& bytes, std::size_t offset, std::int32_t value) {
  const auto v = std::bit_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

inline Bytes Serialize(TrackModel model) {
  TrackBuffer out;
  EXPECT_TRUE(SerializeTrack(model, out).ok());
  return out;
}

// The chunks of a file this system wrote, each cut out without its children and with its
// child count set to 0, so that tests can reassemble them in any order or nesting.
struct ChunkPieces {
  std::vector<std::pair<std::string, Bytes>> pieces;  // in file order

  const Bytes& Get(std::string_view tag) const {
    for (const auto& [t, b] : pieces) {
      if (t == tag) return b;
    }
    ADD_FAILURE() << "no chunk " << tag;
    static const Bytes none;
    return none;
  }
};

inline ChunkPieces CutIntoPieces(const Bytes& file) {
  TrackModel model;
  ChunkTrace trace;
  EXPECT_TRUE(ParseTrack(file, model, &trace).ok());
  ChunkPieces result;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const auto& c = trace[i];
    const std::size_t begin = static_cast<std::size_t>(c.offset);
    // A chunk's own fields end where its first child, or the next chunk, begins.
    const std::size_t end = i + 1 < trace.size() && c.childCount > 0
                                ? static_cast<std::size_t>(trace[i + 1].offset)
                                : begin + 8 + static_cast<std::size_t>(c.size);
    Bytes piece(file.begin() + static_cast<std::ptrdiff_t>(begin),
                file.begin() + static_cast<std::ptrdiff_t>(end));
    PutBigEndian(piece, piece.size() - 4, 0);
    result.pieces.emplace_back(c.tag, piece);
  }
  return result;
}

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    path_ = std::filesystem::temp_directory_path() /
            ("qu-test-" + std::to_string(std::random_device{}()) + "-" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qu::test
