// Any bytes as a track file: a load must fail cleanly or give a model that saves, loads again
// to the same model and saves to the same bytes; a combine on it must keep that true. What
// `qutrack info` and `qutrack plot` make of it, under a file name taken from the same bytes,
// must read back: the JSON as JSON, the text without control bytes, the SVG as XML. Read
// through the window a file load uses, piece by piece, the bytes give the same outcome, and
// a save streamed through a buffer writes the same bytes.
#include <expat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <sstream>
#include <string>

#include "cli/TrackReport.h"
#include "geometry/SegmentMerge.h"
#include "plot/SvgWriter.h"
#include "plot/TrackPlot.h"
#include "text/DisplayText.h"
#include "trackio/TrackFile.h"

namespace {

qu::TrackBuffer SaveOrDie(qu::TrackModel& model) {
  qu::TrackBuffer bytes;
  if (!qu::SerializeTrack(model, bytes)) std::abort();
  return bytes;
}

// Saves, loads and saves again: both saves must be the same bytes.
void CheckRoundTrip(qu::TrackModel& model) {
  const qu::TrackBuffer first = SaveOrDie(model);
  qu::TrackModel again;
  if (!qu::ParseTrack(first, again)) std::abort();
  if (SaveOrDie(again) != first) std::abort();
}

// The input as a file's bytes, handed out in order as a file source does; a read that
// reaches past `failAt` fails, as a file whose disk fails there.
class MemorySource : public qu::ByteSource {
 public:
  static constexpr const char* kFailure = "the disk failed";
  MemorySource(std::span<const std::uint8_t> bytes, std::size_t failAt)
      : bytes_(bytes), failAt_(failAt) {}
  bool Fill(std::span<std::uint8_t> into, std::string& error) override {
    if (into.size() > failAt_ - std::min(read_, failAt_) || into.size() > bytes_.size() - read_) {
      error = kFailure;
      return false;
    }
    std::memcpy(into.data(), bytes_.data() + read_, into.size());
    read_ += into.size();
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t failAt_;
  std::size_t read_ = 0;
};

class MemorySink : public qu::ByteSink {
 public:
  bool Put(std::span<const std::uint8_t> bytes, std::string&) override {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
  }
  qu::TrackBuffer bytes_;
};

// A load through the smallest window a file load uses must fail with the same reason as the
// load from memory, or give a model that saves to the same bytes. When the source fails
// partway (where the first byte says, in files longer than the window), the load either
// ends as before or fails with the source's reason.
void CheckWindowedLoad(std::span<const std::uint8_t> bytes, const qu::Status& inMemory,
                       const qu::TrackModel& model) {
  for (bool failing : {false, true}) {
    constexpr std::size_t kWindow = 4096;
    if (failing && bytes.size() <= kWindow) return;
    const std::size_t failAt =
        failing ? kWindow + (bytes.size() - kWindow) * bytes[0] / 256 : bytes.size();
    MemorySource source(bytes, failAt);
    qu::TrackBuffer window;
    qu::TrackReader in(static_cast<std::int64_t>(bytes.size()), source, window);
    qu::TrackModel windowed;
    const qu::Status status = qu::ParseTrack(in, windowed);
    if (in.sourceFailed()) {
      if (!failing || status || status.reason() != MemorySource::kFailure) std::abort();
      continue;
    }
    if (status.ok() != inMemory.ok() || status.reason() != inMemory.reason()) std::abort();
    if (!status) continue;
    qu::TrackModel copy = model;
    if (SaveOrDie(windowed) != SaveOrDie(copy)) std::abort();
  }
}

// A save streamed through the smallest buffer writes what saving to memory writes.
void CheckStreamedSave(qu::TrackModel& model) {
  const qu::TrackBuffer whole = SaveOrDie(model);
  MemorySink sink;
  qu::TrackBuffer buffer;
  qu::TrackWriter out(buffer, sink);
  qu::WriteTrack(out, model);
  std::string error;
  if (!out.Finish(buffer, error) || sink.bytes_ != whole) std::abort();
}

void CheckReport(const std::string& name, std::size_t size, const qu::TrackModel& model,
                 const qu::ChunkTrace& trace) {
  const nlohmann::ordered_json info = qu::cli::DescribeTrack(name, size, model, trace);
  const nlohmann::json back = nlohmann::json::parse(info.dump(2), nullptr, false);
  if (!back.is_object() || back.value("file", "") != qu::DisplayText(name)) std::abort();

  std::ostringstream text;
  qu::cli::PrintTrackReport(info, text);
  std::istringstream lines(text.str());
  for (std::string line; std::getline(lines, line);) {
    if (qu::DisplayText(line) != line) std::abort();  // a control byte or invalid UTF-8
  }
}

void CheckSvg(const std::string& svg) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  const bool wellFormed =
      XML_Parse(parser, svg.data(), static_cast<int>(svg.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  if (!wellFormed) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qu::TrackModel model;
  qu::ChunkTrace trace;
  const qu::Status loaded = qu::ParseTrack({data, size}, model, &trace);
  CheckWindowedLoad({data, size}, loaded, model);
  if (!loaded) return 0;
  // The file name: the input's last bytes, whatever they are.
  const std::size_t nameBytes = size < 16 ? size : 16;
  const std::string name(reinterpret_cast<const char*>(data + size - nameBytes), nameBytes);
  CheckReport(name, size, model, trace);
  CheckRoundTrip(model);
  CheckStreamedSave(model);

  // The run length comes from the input's last byte, so the fuzzer can steer it.
  const int segments = size > 0 ? data[size - 1] % 64 : 2;
  const qu::TrackModel before = model;
  const qu::CombineResult result = qu::CombineSegments(model.bezr, 0, segments - 1);
  if (!result.combined()) {
    qu::TrackModel unchanged = before;
    if (SaveOrDie(unchanged) != SaveOrDie(model)) std::abort();  // a refusal changes nothing
    CheckSvg(qu::plot::WriteSvg(qu::plot::DrawTrack(before.bezr.Vertices, name)));
    return 0;
  }
  CheckRoundTrip(model);
  // The picture's overlay is the same combine, made on a copy of the run alone.
  const qu::CombinedCopy overlay = qu::CombineCopyOfRun(before.bezr.Vertices, {0, segments});
  if (!overlay.combined ||
      std::memcmp(&overlay.combine.maxDeviation, &result.maxDeviation, sizeof(double)) != 0) {
    std::abort();
  }
  for (std::size_t i = 0; i < overlay.combined->after.size(); ++i) {
    if (std::memcmp(&overlay.combined->after[i], &model.bezr.Vertices[i],
                    sizeof(qu::BezierVertex)) != 0) {
      std::abort();
    }
  }
  CheckSvg(qu::plot::WriteSvg(qu::plot::DrawTrack(before.bezr.Vertices, name, &*overlay.combined)));
  return 0;
}
