#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qu {

// Every byte of a track file passes through one of these: the whole file while loading,
// exactly the bytes written so far while saving.
using TrackBuffer = std::vector<std::uint8_t>;

// The largest cursor the format can address: positions, counts and lengths are 32-bit signed.
inline constexpr std::int64_t kMaxTrackBytes = 2147483647;

// Reads big-endian fields from a byte span. The first failure sticks: later reads return zero
// and leave the cursor where it is, so a chunk reader is a straight run of reads checked once.
// Failures name the chunk being read and the byte offset of the field.
class TrackReader {
 public:
  explicit TrackReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t ReadByte();
  bool ReadBool() { return ReadByte() != 0; }
  std::int32_t ReadLong();
  float ReadSingle();
  std::int32_t ReadColor();
  std::string ReadString(std::int32_t length);
  // `out.size()` singles in a row, with one bounds check for the whole run.
  void ReadSingles(std::span<float> out);
  std::string ReadTag();  // upper-cased, so tags match whatever their case in the file
  void Skip(std::int64_t count);

  // An entry count that must be non-negative and whose entries, each at least
  // `minEntryBytes` long, must fit in the bytes left. Checked before anything is allocated.
  std::int32_t ReadCount(std::int64_t minEntryBytes, std::string_view what);
  // A text whose stored length of zero or less means the empty text.
  std::string ReadLenientText();
  // A text whose negative stored length marks a corrupt file.
  std::string ReadStrictText(std::string_view what);

  // Notes the offset of a count, length or dimension field just about to be read, for tools
  // that want to know where a file's counts are.
  void NoteCountField() {
    if (countFields_) countFields_->push_back(cursor_);
  }
  void RecordCountFieldsInto(std::vector<std::int64_t>* sink) { countFields_ = sink; }

  // Names the chunk that later failures are reported in.
  void EnterChunk(std::string tag) { chunk_ = std::move(tag); }
  const std::string& chunk() const { return chunk_; }

  void Fail(std::string_view what, std::int64_t offset);
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::int64_t cursor() const { return cursor_; }
  std::int64_t remaining() const { return static_cast<std::int64_t>(bytes_.size()) - cursor_; }

 private:
  // The bytes of the next field of `width` bytes, or nullptr after recording the failure.
  const std::uint8_t* Take(std::int64_t width) {
    if (width > remaining() || failed()) return TakeFailed(width);
    const std::uint8_t* field = bytes_.data() + cursor_;
    cursor_ += width;
    return field;
  }
  const std::uint8_t* TakeFailed(std::int64_t width);

  std::span<const std::uint8_t> bytes_;
  std::int64_t cursor_ = 0;
  std::string chunk_ = "QUEN";
  std::string error_;
  std::vector<std::int64_t>* countFields_ = nullptr;
};

// Appends big-endian fields to a growing buffer. Booleans are written as 255 or 0.
class TrackWriter {
 public:
  TrackWriter() = default;
  // Writes into `storage` from its start, reusing its memory.
  explicit TrackWriter(TrackBuffer storage) : bytes_(std::move(storage)) {}

  // Sizes the buffer up front when the final length is known, so no append reallocates.
  void Reserve(std::size_t bytes) {
    if (bytes > bytes_.size()) bytes_.resize(bytes);
  }

  void WriteByte(std::uint8_t value) { Append(&value, 1); }
  void WriteByte(bool value) { WriteByte(static_cast<std::uint8_t>(value ? 0xFF : 0x00)); }
  void WriteLong(std::int32_t value);
  void WriteSingle(float value);
  void WriteColor(std::int32_t value);
  void WriteString(std::string_view text);
  void WriteSingles(std::span<const float> values);
  void WriteTag(std::string_view tag);
  void WriteZeros(std::int64_t count);

  std::size_t cursor() const { return used_; }
  TrackBuffer Take();

 private:
  std::uint8_t* Grow(std::size_t count);
  void Append(const std::uint8_t* data, std::size_t count);

  TrackBuffer bytes_;
  std::size_t used_ = 0;
};

}  // namespace qu
