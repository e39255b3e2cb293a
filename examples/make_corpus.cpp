// Writes the fuzzers' seed corpus: valid track files of every shape the generator makes, a
// few odd but loadable ones, a truncated one, and texts for the count box.
// Usage: make-corpus FOLDER   (writes FOLDER/track/* and FOLDER/number/*)
#include <filesystem>
#include <fstream>
#include <iostream>

#include "examples/SampleTracks.h"
#include "examples/ToolArguments.h"
#include "trackio/TrackFile.h"

namespace {

namespace fs = std::filesystem;
using qu::TrackBuffer;
using qu::TrackModel;

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Write(const fs::path& path, const TrackBuffer& bytes) {
  Write(path, std::string(bytes.begin(), bytes.end()));
}

TrackBuffer Bytes(TrackModel model) {
  TrackBuffer out;
  if (!qu::SerializeTrack(model, out)) std::abort();
  return out;
}

// A track of `vertices` vertices whose segments take every type in turn.
TrackModel SmallTrack(int vertices) {
  TrackModel m = qu::samples::MakeSampleTrack();
  m.bezr.Vertices.resize(static_cast<std::size_t>(vertices));
  m.segm.Segments.resize(static_cast<std::size_t>(std::max(vertices - 1, 0)));
  for (std::size_t i = 0; i < m.segm.Segments.size(); ++i) {
    m.segm.Segments[i].segmentType = static_cast<std::int32_t>(i % 6);
  }
  m.fund.Entries.resize(1);
  m.scen.Entries.resize(1);
  m.tera.Columns = 2;
  m.tera.Rows = 2;
  m.tera.Grid.resize(4);
  return m;
}

// The sample with every tag, the magic included, in lower case.
TrackBuffer LowerCaseTags(TrackBuffer bytes) {
  TrackModel model;
  qu::ChunkTrace trace;
  if (!qu::ParseTrack(bytes, model, &trace)) std::abort();
  std::vector<std::int64_t> tags = {0};
  for (const auto& c : trace) tags.push_back(c.offset);
  for (std::int64_t at : tags) {
    for (std::int64_t i = at; i < at + 4; ++i) {
      auto& c = bytes[static_cast<std::size_t>(i)];
      if (c >= 'A' && c <= 'Z') c = static_cast<std::uint8_t>(c + ('a' - 'A'));
    }
  }
  return bytes;
}

// The sample with an unrecognised chunk, holding one child, as its first top-level chunk.
TrackBuffer WithUnknownChunk(TrackBuffer bytes) {
  const std::uint8_t unknown[] = {'X', 'T', 'R', 'A', 0, 0, 0, 16, 0, 0, 0, 1,
                                  'Z', 'Z', 'Z', 'Z', 0, 0, 0, 4,  0, 0, 0, 0};
  bytes.insert(bytes.begin() + 32, std::begin(unknown), std::end(unknown));
  bytes[31] = static_cast<std::uint8_t>(bytes[31] + 1);  // one more top-level chunk
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr const char* kUsage =
      "usage: make-corpus FOLDER\n"
      "Writes the fuzzers' seed corpus into FOLDER/track and FOLDER/number.\n";
  if (const auto status = qu::tools::AnswerOptions(argc, argv, kUsage)) return *status;
  if (argc != 2) {
    std::cerr << kUsage;
    return 2;
  }
  const fs::path track = fs::path(argv[1]) / "track", number = fs::path(argv[1]) / "number";
  fs::create_directories(track);
  fs::create_directories(number);

  const TrackModel sample = qu::samples::MakeSampleTrack();
  const TrackBuffer sampleBytes = Bytes(sample);
  TrackModel noTerrain = sample;
  noTerrain.tera = qu::TeraChunk{};
  Write(track / "sample.qutrack", sampleBytes);
  Write(track / "empty.qutrack", Bytes(TrackModel{}));
  Write(track / "no-terrain.qutrack", Bytes(noTerrain));
  for (int vertices : {1, 2, 4, 8}) {
    Write(track / ("small-" + std::to_string(vertices) + ".qutrack"), Bytes(SmallTrack(vertices)));
  }
  Write(track / "lower-case.qutrack", LowerCaseTags(sampleBytes));
  Write(track / "unknown-chunk.qutrack", WithUnknownChunk(sampleBytes));
  Write(track / "truncated.qutrack", TrackBuffer(sampleBytes.begin(), sampleBytes.begin() + 3000));
  Write(track / "trailing-bytes.qutrack", [&] {
    TrackBuffer b = sampleBytes;
    b.insert(b.end(), {'E', 'X', 'T', 'R', 'A'});
    return b;
  }());

  const char* texts[] = {"2",   "1", " -3",   "3 Segments", "1 2",     "2.5",  "4.5",     "",
                         "abc", "0", "99999", "1e400",      "-1e-400", "&H10", "+.5E+1x", "\t7\n"};
  int i = 0;
  for (const char* text : texts) Write(number / ("text-" + std::to_string(i++)), std::string(text));
  return 0;
}
