#include <string>

#include "TrackBuffer.h"

namespace qu {
namespace {

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

void TrackReader::LenientText(std::string& text) {
  NoteCountField();
  text = ReadString(ReadLong());
}

void TrackReader::StrictText(std::string& text, std::string_view what) {
  NoteCountField();
  const std::int64_t offset = cursor_;
  const std::int32_t length = ReadLong();
  if (length < 0) {
    Fail("negative " + std::string(what) + " length " + std::to_string(length), offset);
    text.clear();
    return;
  }
  text = ReadString(length);
}

void TrackReader::Dimension(std::int32_t& value, std::string_view what) {
  NoteCountField();
  const std::int64_t offset = cursor_;
  value = ReadLong();
  if (value < 0) {
    Fail("negative grid " + std::string(what) + " " + std::to_string(value), offset);
    value = 0;
  }
}

void TrackReader::OpaqueBlock(std::int32_t& length) {
  NoteCountField();
  const std::int64_t offset = cursor_;
  length = ReadLong();
  if (length < 0) {
    Fail("negative block length " + std::to_string(length), offset);
    return;
  }
  Skip(length);
}

}  // namespace qu
