#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "trackio/FileAccess.h"
#include "trackio/Status.h"
#include "trackio/TrackBuffer.h"
#include "trackio/TrackModel.h"

namespace qu {

inline constexpr const char* kTrackExtension = ".qutrack";

// One chunk as the loader met it, for tools that show a file's structure.
struct ChunkTraceEntry {
  std::string tag;              // upper-cased
  std::int64_t offset = 0;      // of the tag
  std::int32_t size = 0;        // as stored
  std::int32_t childCount = 0;  // as stored; 0 for an unrecognised chunk
  bool recognised = false;
  std::vector<std::int64_t> countFields;  // offsets of its count, length and dimension fields
};
using ChunkTrace = std::vector<ChunkTraceEntry>;

// Reads a whole track file image into `model`. On failure `model` is left as it was and the
// reason names the check that failed, the chunk and the byte offset.
Status ParseTrack(std::span<const std::uint8_t> bytes, TrackModel& model,
                  ChunkTrace* trace = nullptr);
// The same from a reader at the start of a file. A failure of the reader's source is given
// with the source's own reason.
Status ParseTrack(TrackReader& in, TrackModel& model, ChunkTrace* trace = nullptr);

// Checks the path's extension, reads the file and parses it. `model` changes only on success.
Status LoadTrack(const std::string& path, TrackModel& model, ChunkTrace* trace = nullptr);

// Sets the fixed child counts and the sizes, after checking that the model can be saved.
Status PrepareSave(TrackModel& model);
// Writes the file that saving writes, in the fixed chunk order, from a prepared model.
void WriteTrack(TrackWriter& out, const TrackModel& model);
// Produces the bytes of the file that saving writes: fixed child counts, computed sizes,
// the fixed chunk order. Updates the Size and ChildCount members of the model. `out` is
// replaced; its memory is reused.
Status SerializeTrack(TrackModel& model, TrackBuffer& out);

// The path a save writes to: `path`, with ".qutrack" appended unless it already ends so
// (in any case).
std::string SavePathFor(const std::string& path);
bool HasTrackExtension(const std::string& path);

// Whether the regular file at `path` begins with the track magic, in any case, as every file
// that loads does: false for a file that is missing, no regular file or shorter. A regular file
// whose first bytes cannot be read is a failure, since it may be a track ("cannot check that
// 'x.svg' is not a track file: permission denied").
Status BeginsLikeATrack(const std::string& path, bool& isTrack);
// The same for the file that an open stream writes to, named by `label` in a failure: false for
// a pipe, a device or a terminal.
Status BeginsLikeATrack(FileHandle stream, const std::string& label, bool& isTrack);

// Serialises the model and writes it to SavePathFor(path) without ever harming an existing
// file there: the bytes go to a new file in the same folder that replaces the target only
// once it has been written whole.
Status SaveTrack(const std::string& path, TrackModel& model);

// Loads and saves through one fixed buffer that it keeps: a load reads the file through it
// piece by piece, a save streams the chunks through it into the file, so neither holds a
// copy of the whole file and later loads and saves use the same memory again.
class TrackFiles {
 public:
  static constexpr std::size_t kStreamBytes = std::size_t{1} << 20;

  Status Load(const std::string& path, TrackModel& model, ChunkTrace* trace = nullptr);
  Status Save(const std::string& path, TrackModel& model);
  // Writes the same bytes through an open stream as they are made (see WriteToStream), for
  // a command line's standard output; `label` names the stream in a reason.
  Status SaveToStream(FileHandle stream, const std::string& label, TrackModel& model);

 private:
  // Streams the chunks of a prepared model through the buffer into the sink.
  void WriteChunks(const TrackModel& model, ByteSink& sink);

  TrackBuffer buffer_;
};

}  // namespace qu
