#include <algorithm>

#include "TrackBuffer.h"

namespace qu {

void TrackWriter::Grow(std::size_t count) {
  bytes_.resize(std::max(used_ + count, std::max<std::size_t>(64, bytes_.size() * 2)));
}

void TrackWriter::WriteString(std::string_view text) {
  if (!text.empty()) std::memcpy(Room(text.size()), text.data(), text.size());
}

void TrackWriter::WriteZeros(std::int64_t count) {
  if (count > 0) SpanEncoder(Room(static_cast<std::size_t>(count))).Reserved(count);
}

TrackBuffer TrackWriter::Take() {
  bytes_.resize(used_);
  used_ = 0;
  return std::move(bytes_);
}

}  // namespace qu
