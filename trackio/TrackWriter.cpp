#include <algorithm>
#include <bit>
#include <cstring>

#include "TrackBuffer.h"

namespace qu {
namespace {

void StoreBigEndian32(std::uint32_t value, std::uint8_t* out) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

}  // namespace

std::uint8_t* TrackWriter::Grow(std::size_t count) {
  if (used_ + count > bytes_.size()) {
    bytes_.resize(std::max(used_ + count, std::max<std::size_t>(64, bytes_.size() * 2)));
  }
  std::uint8_t* out = bytes_.data() + used_;
  used_ += count;
  return out;
}

void TrackWriter::Append(const std::uint8_t* data, std::size_t count) {
  if (count != 0) std::memcpy(Grow(count), data, count);
}

void TrackWriter::WriteLong(std::int32_t value) {
  StoreBigEndian32(std::bit_cast<std::uint32_t>(value), Grow(4));
}

void TrackWriter::WriteSingle(float value) {
  StoreBigEndian32(std::bit_cast<std::uint32_t>(value), Grow(4));
}

void TrackWriter::WriteSingles(std::span<const float> values) {
  std::uint8_t* out = Grow(4 * values.size());
  for (float value : values) {
    StoreBigEndian32(std::bit_cast<std::uint32_t>(value), out);
    out += 4;
  }
}

void TrackWriter::WriteColor(std::int32_t value) {
  // Only the low 24 bits are a colour; the first byte in the file is always 0.
  StoreBigEndian32(std::bit_cast<std::uint32_t>(value) & 0x00FFFFFFu, Grow(4));
}

void TrackWriter::WriteString(std::string_view text) {
  Append(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void TrackWriter::WriteTag(std::string_view tag) {
  WriteString(tag.substr(0, 4));
}

void TrackWriter::WriteZeros(std::int64_t count) {
  if (count <= 0) return;
  const auto n = static_cast<std::size_t>(count);
  std::memset(Grow(n), 0, n);
}

TrackBuffer TrackWriter::Take() {
  bytes_.resize(used_);
  used_ = 0;
  return std::move(bytes_);
}

}  // namespace qu
