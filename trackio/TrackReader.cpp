#include <bit>
#include <cstring>
#include <string>

#include "TrackBuffer.h"

namespace qu {
namespace {

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

char AsciiUpper(std::uint8_t c) {
  return static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
}

}  // namespace

void TrackReader::Fail(std::string_view what, std::int64_t offset) {
  if (failed()) return;
  error_ = std::string(what) + " in " + chunk_ + " at offset " + std::to_string(offset);
}

const std::uint8_t* TrackReader::TakeFailed(std::int64_t width) {
  if (!failed()) {
    error_ = "file ends inside " + chunk_ + " at offset " + std::to_string(cursor_) + " (" +
             std::to_string(width) + " bytes needed, " + std::to_string(remaining()) + " left)";
  }
  return nullptr;
}

std::uint8_t TrackReader::ReadByte() {
  const std::uint8_t* p = Take(1);
  return p ? *p : 0;
}

std::int32_t TrackReader::ReadLong() {
  const std::uint8_t* p = Take(4);
  return p ? std::bit_cast<std::int32_t>(BigEndian32(p)) : 0;
}

float TrackReader::ReadSingle() {
  // A bit copy, never arithmetic, so NaN payloads and negative zero survive.
  const std::uint8_t* p = Take(4);
  return p ? std::bit_cast<float>(BigEndian32(p)) : 0.0f;
}

void TrackReader::ReadSingles(std::span<float> out) {
  const std::uint8_t* p = Take(4 * static_cast<std::int64_t>(out.size()));
  if (!p) return;
  for (float& value : out) {
    value = std::bit_cast<float>(BigEndian32(p));
    p += 4;
  }
}

std::int32_t TrackReader::ReadColor() {
  // The first byte is not part of the value.
  const std::uint8_t* p = Take(4);
  return p ? static_cast<std::int32_t>(BigEndian32(p) & 0x00FFFFFFu) : 0;
}

std::string TrackReader::ReadString(std::int32_t length) {
  if (length <= 0) return {};
  const std::uint8_t* p = Take(length);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length))
           : std::string();
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
  Take(count);
}

std::int32_t TrackReader::ReadCount(std::int64_t minEntryBytes, std::string_view what) {
  NoteCountField();
  const std::int64_t offset = cursor_;
  const std::int32_t count = ReadLong();
  if (failed()) return 0;
  if (count < 0) {
    Fail("negative " + std::string(what) + " " + std::to_string(count), offset);
    return 0;
  }
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

std::string TrackReader::ReadLenientText() {
  NoteCountField();
  return ReadString(ReadLong());
}

std::string TrackReader::ReadStrictText(std::string_view what) {
  NoteCountField();
  const std::int64_t offset = cursor_;
  const std::int32_t length = ReadLong();
  if (length < 0) {
    Fail("negative " + std::string(what) + " length " + std::to_string(length), offset);
    return {};
  }
  return ReadString(length);
}

}  // namespace qu
