#include "trackio/TrackBuffer.h"

#include <algorithm>
#include <string>

namespace qu {
namespace {

char AsciiUpper(std::uint8_t c) {
  return static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
}

}  // namespace

// Eight words at a time with the ranges declared apart, so that the compiler turns each block
// into vector byte shuffles wherever the processor has them. The x86-64 baseline has no byte
// shuffle, so on ELF systems (which pick a clone when the program starts) a second copy of the
// loop is compiled for processors with AVX2, and the baseline copy stays one swap per word.
#if defined(__x86_64__) && defined(__ELF__) && defined(__GNUC__) && !defined(__clang__)
[[gnu::target_clones("avx2", "default")]]
#endif
void ConvertBigEndianWords(const std::uint8_t* __restrict from, std::uint8_t* __restrict to,
                           std::size_t words) {
  const auto convert = [&](std::size_t k) {
    std::uint32_t value;
    std::memcpy(&value, from + 4 * k, 4);
    value = BigEndianToNative(value);
    std::memcpy(to + 4 * k, &value, 4);
  };
  std::size_t i = 0;
  for (; i + 8 <= words; i += 8) {
    for (std::size_t k = 0; k < 8; ++k) convert(i + k);
  }
  for (; i < words; ++i) convert(i);
}

void TrackReader::Fail(std::string_view what, std::int64_t offset) {
  if (failed()) return;
  error_ = std::string(what) + " in " + chunk_ + " at offset " + std::to_string(offset);
}

const std::uint8_t* TrackReader::TakeFailed(std::int64_t width) {
  if (!failed()) {
    error_ = "file ends inside " + chunk_ + " at offset " + std::to_string(cursor_) + " (" +
             std::to_string(width) + (width == 1 ? " byte" : " bytes") + " needed, " +
             std::to_string(remaining()) + " left)";
  }
  return nullptr;
}

TrackReader::TrackReader(std::int64_t size, ByteSource& source, TrackBuffer& window)
    : size_(size), source_(&source), buffer_(&window) {
  if (window.size() < 4096) window.resize(4096);
  window_ = window.data();
}

const std::uint8_t* TrackReader::TakeSlowly(std::int64_t width) {
  if (!Fits(width) || !Refill(width)) return nullptr;
  return Take(width);
}

bool TrackReader::Refill(std::int64_t width) {
  if (!source_ || failed()) return false;  // bytes in memory are all in the window already
  // The unread part of the window moves to the front, and the source fills the rest.
  const std::int64_t kept = windowEnd_ - cursor_;
  std::uint8_t* front = buffer_->data();
  if (kept > 0)
    std::memmove(front, window_ + (cursor_ - windowStart_), static_cast<std::size_t>(kept));
  const std::int64_t wanted =
      std::min(static_cast<std::int64_t>(buffer_->size()) - kept, size_ - cursor_ - kept);
  window_ = front;
  windowStart_ = cursor_;
  windowEnd_ = cursor_ + kept;
  if (kept + wanted < width) return false;  // the callers' widths fit any window
  std::string error;
  if (!source_->Fill({front + kept, static_cast<std::size_t>(wanted)}, error)) {
    error_ = error.empty() ? "cannot read the file" : error;
    sourceFailed_ = true;
    return false;
  }
  windowEnd_ += wanted;
  return true;
}

std::span<const std::uint8_t> TrackReader::Peek(std::int64_t count) {
  count = std::min(count, remaining());
  if (count > windowEnd_ - cursor_ && !Refill(count)) return {};
  return {window_ + (cursor_ - windowStart_), static_cast<std::size_t>(count)};
}

std::string TrackReader::ReadString(std::int32_t length) {
  std::string text;
  if (length <= 0 || !Fits(length)) return text;
  text.reserve(static_cast<std::size_t>(length));
  Run(length, 1, [&](const std::uint8_t* p, std::int64_t, std::int64_t n) {
    text.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
  });
  return text;
}

std::string TrackReader::ReadTag() {
  const std::uint8_t* p = Take(4);
  if (!p) return {};
  return {AsciiUpper(p[0]), AsciiUpper(p[1]), AsciiUpper(p[2]), AsciiUpper(p[3])};
}

void TrackReader::Skip(std::int64_t count) {
  if (count < 0) {
    Fail("negative skip of " + std::to_string(count) + " bytes", cursor_);
    return;
  }
  if (Fits(count)) Run(count, 1, [](const std::uint8_t*, std::int64_t, std::int64_t) {});
}

std::int32_t TrackReader::ReadSizeField(std::string_view what) {
  NoteCountField();
  const std::int64_t offset = cursor_;
  const std::int32_t value = ReadLong();
  if (value < 0) Fail("negative " + std::string(what) + " " + std::to_string(value), offset);
  return value;
}

std::int32_t TrackReader::ReadCount(std::int64_t minEntryBytes, std::string_view what) {
  const std::int64_t offset = cursor_;
  const std::int32_t count = ReadSizeField(what);
  if (failed()) return 0;
  // Both factors are below 2^31 and 2^8, so the product cannot overflow 64 bits.
  if (count * minEntryBytes > remaining()) {
    Fail(std::string(what) + " " + std::to_string(count) + " needs at least " +
             std::to_string(count * minEntryBytes) + " bytes but only " +
             std::to_string(remaining()) + " are left",
         offset);
    return 0;
  }
  return count;
}

void TrackReader::LenientText(std::string& text) {
  NoteCountField();
  text = ReadString(ReadLong());
}

void TrackReader::StrictText(std::string& text, std::string_view what) {
  text = ReadString(ReadSizeField(what));  // "" for a negative length
}

void TrackReader::Dimension(std::int32_t& value, std::string_view what) {
  value = std::max(ReadSizeField(what), 0);
}

void TrackReader::OpaqueBlock(std::int32_t& length) {
  length = ReadSizeField("block length");
  if (length >= 0) Skip(length);
}

TrackWriter::TrackWriter(TrackBuffer& buffer, ByteSink& sink)
    : bytes_(std::move(buffer)), sink_(&sink) {
  if (bytes_.size() < 4096) bytes_.resize(4096);
}

void TrackWriter::MakeRoom(std::size_t count) {
  if (count <= bytes_.size() - used_) return;
  if (!sink_) {
    bytes_.resize(std::max(used_ + count, std::max<std::size_t>(64, bytes_.size() * 2)));
    return;
  }
  // After a failed hand-over the bytes are dropped: the caller learns of it from Finish.
  if (sinkError_.empty()) sink_->Put({bytes_.data(), used_}, sinkError_);
  flushed_ += used_;
  used_ = 0;
}

void TrackWriter::WriteString(std::string_view text) {
  Run(text.size(), 1, [&](std::uint8_t* out, std::size_t done, std::size_t n) {
    std::memcpy(out, text.data() + done, n);
  });
}

void TrackWriter::WriteZeros(std::int64_t count) {
  if (count <= 0) return;
  Run(static_cast<std::size_t>(count), 1,
      [](std::uint8_t* out, std::size_t, std::size_t n) { std::memset(out, 0, n); });
}

TrackBuffer TrackWriter::Take() {
  bytes_.resize(used_);
  used_ = 0;
  return std::move(bytes_);
}

bool TrackWriter::Finish(TrackBuffer& buffer, std::string& error) {
  if (sinkError_.empty() && used_ > 0) sink_->Put({bytes_.data(), used_}, sinkError_);
  flushed_ += used_;
  used_ = 0;
  buffer = std::move(bytes_);
  error = sinkError_;
  return error.empty();
}

}  // namespace qu
