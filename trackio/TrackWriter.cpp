#include <algorithm>

#include "TrackBuffer.h"

namespace qu {

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
