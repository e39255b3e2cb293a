#include "trackio/TrackFile.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <type_traits>
#include <utility>

#include "trackio/ChunkLayouts.h"
#include "trackio/FileAccess.h"

namespace qu {
namespace {

constexpr std::int32_t kMaxChunksToRead = 2147483647;

// The chunks this system reads and writes, in the order of the save tree, each with its depth
// in that tree (0 for a top-level chunk). The tree fixes the order of the chunks, their child
// counts and their sizes on saving.
struct KnownChunk {
  std::string_view tag;
  int depth;
  void (*read)(TrackReader&, TrackModel&);
  void (*write)(TrackWriter&, const TrackModel&);
  std::int64_t (*ownBytes)(const TrackModel&);
  ChunkHead& (*head)(TrackModel&);
};

// The table's entry for the model's member `Member`, from its chunk type's traits.
template <auto Member>
constexpr KnownChunk Known(int depth) {
  using Chunk = std::remove_reference_t<decltype(std::declval<TrackModel&>().*Member)>;
  return {ChunkTraits<Chunk>::kTag,
          depth,
          [](TrackReader& in, TrackModel& model) { ReadChunk(in, model.*Member); },
          [](TrackWriter& out, const TrackModel& model) { WriteChunk(out, model.*Member); },
          [](const TrackModel& model) { return OwnBytes(model.*Member); },
          [](TrackModel& model) -> ChunkHead& { return model.*Member; }};
}

// Each chunk is indented below its parent.
// clang-format off
constexpr KnownChunk kKnownChunks[] = {
    Known<&TrackModel::trck>(0),
      Known<&TrackModel::info>(1),
      Known<&TrackModel::bezr>(1),
      Known<&TrackModel::segm>(1),
      Known<&TrackModel::supp>(1),
        Known<&TrackModel::fund>(2),
        Known<&TrackModel::rasc>(2),
        Known<&TrackModel::fren>(2),
        Known<&TrackModel::tube>(2),
        Known<&TrackModel::catw>(2),
    Known<&TrackModel::scen>(0),
      Known<&TrackModel::scob>(1),
    Known<&TrackModel::tera>(0),
    Known<&TrackModel::envc>(0),
};
// clang-format on

// TERA alone is saved only when the last load read one.
bool IsSaved(const KnownChunk& known, const TrackModel& model) {
  return known.tag != ChunkTraits<TeraChunk>::kTag || model.tera.TeraPresent;
}

// A tag as text fit for a message: printable characters kept, others as \xNN.
std::string PrintableTag(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t c : bytes.first(std::min<std::size_t>(4, bytes.size()))) {
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      static const char* hex = "0123456789ABCDEF";
      text += {'\\', 'x', hex[c >> 4], hex[c & 15]};
    }
  }
  return text;
}

// Whether `bytes` begin with `lower`, letters compared in ASCII only, whatever the process's
// locale.
bool StartsWithIgnoringCase(std::string_view bytes, std::string_view lower) {
  if (bytes.size() < lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if ((c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) != lower[i]) return false;
  }
  return true;
}

// Steps over an unrecognised chunk: its size counts every byte after the size field. Gives
// the size read.
std::int32_t SkipChunk(TrackReader& in) {
  const std::int64_t offset = in.cursor();
  const std::int32_t size = in.ReadLong();
  if (in.failed()) return size;
  if (size < 0) {
    in.Fail("negative chunk size " + std::to_string(size), offset);
  } else if (size > in.remaining()) {
    in.Fail("chunk size " + std::to_string(size) + " runs past the end of the file", offset);
  } else {
    in.Skip(size);
  }
  return size;
}

Status ReadChunks(TrackReader& in, TrackModel& model, ChunkTrace* trace) {
  std::int64_t toRead = model.header.ChildCount;
  while (toRead > 0) {
    const std::int64_t offset = in.cursor();
    if (in.remaining() < 4) {
      return Status::Failure("file ends at offset " + std::to_string(offset) + " with " +
                             std::to_string(toRead) + " chunk(s) still to read");
    }
    const std::span<const std::uint8_t> peeked = in.Peek(4);
    const std::string printable = PrintableTag(peeked);  // before reading moves the window
    const std::string tag = in.ReadTag();
    ChunkTraceEntry seen{tag, offset, 0, 0, false, {}};
    in.RecordCountFieldsInto(trace ? &seen.countFields : nullptr);
    const KnownChunk* known = std::find_if(std::begin(kKnownChunks), std::end(kKnownChunks),
                                           [&](const KnownChunk& k) { return k.tag == tag; });
    if (known != std::end(kKnownChunks)) {
      in.EnterChunk(tag);
      known->read(in, model);
      const auto [size, childCount] = known->head(model);
      seen.size = size;
      toRead += childCount;
      seen.childCount = childCount;
      seen.recognised = true;
      if (!in.failed() && toRead > kMaxChunksToRead) {
        in.Fail("child count " + std::to_string(childCount) + " leaves more than " +
                    std::to_string(kMaxChunksToRead) + " chunks to read",
                in.cursor() - 4);
      }
    } else {
      // An unknown tag may hold any bytes; messages show it escaped.
      in.EnterChunk("unrecognised chunk '" + printable + "'");
      seen.size = SkipChunk(in);
    }
    if (in.failed()) return Status::Failure(in.error());
    if (trace) trace->push_back(seen);
    --toRead;
  }
  return {};
}

std::int64_t Framed(std::int64_t size) {
  return 8 + size;
}

void StoreSize(std::int32_t& member, std::int64_t size) {
  member = size > kMaxTrackBytes ? -1 : static_cast<std::int32_t>(size);
}

// Sets the fixed child counts of the save tree, and every Size member to the bytes its chunk's
// subtree will occupy after the size field. Returns false when the file would exceed what
// 32-bit sizes can describe.
bool SetSaveFrames(TrackModel& m) {
  // Bottom-up: each size counts the chunk's own fields after the size field plus every
  // child's tag, size field and size. Sums are formed in 64 bits and checked at the root.
  // Walking the save tree backwards, `below[d]` gathers the framed sizes of the saved chunks
  // at depth d + 1 and `children[d]` their number: a chunk's children are the saved chunks one
  // level deeper up to the next at its own level.
  std::int64_t below[4] = {24, 0, 0, 0};  // the root's own fields after its size field
  std::int32_t children[4] = {};
  for (auto it = std::rbegin(kKnownChunks); it != std::rend(kKnownChunks); ++it) {
    const KnownChunk& known = *it;
    ChunkHead& head = known.head(m);
    head.ChildCount = std::exchange(children[known.depth + 1], 0);
    if (!IsSaved(known, m)) continue;
    ++children[known.depth];
    const std::int64_t size = known.ownBytes(m) + std::exchange(below[known.depth + 1], 0);
    StoreSize(head.Size, size);
    below[known.depth] += Framed(size);
  }
  m.header.ChildCount = children[0];
  StoreSize(m.header.Size, below[0]);
  return Framed(below[0]) <= kMaxTrackBytes;
}

}  // namespace

Status ParseTrack(std::span<const std::uint8_t> bytes, TrackModel& model, ChunkTrace* trace) {
  TrackReader in(bytes);
  return ParseTrack(in, model, trace);
}

Status ParseTrack(TrackReader& in, TrackModel& model, ChunkTrace* trace) {
  const std::span<const std::uint8_t> start = in.Peek(4);
  if (in.sourceFailed()) return Status::Failure(in.error());
  if (!StartsWithIgnoringCase({reinterpret_cast<const char*>(start.data()), start.size()},
                              "quen")) {
    return Status::Failure("not a track file: it begins with '" + PrintableTag(start) +
                           "', not 'QUEN'");
  }
  if (in.remaining() > kMaxTrackBytes) {
    return Status::Failure("file is larger than a track file can be");
  }
  TrackModel fresh;
  ChunkTrace seen;
  in.ReadTag();
  ReadChunk(in, fresh.header);
  if (in.failed()) return Status::Failure(in.error());
  if (Status status = ReadChunks(in, fresh, trace ? &seen : nullptr); !status) return status;
  model = std::move(fresh);
  if (trace) *trace = std::move(seen);
  return {};
}

bool HasTrackExtension(const std::string& path) {
  const std::string_view extension = kTrackExtension;
  return path.size() >= extension.size() &&
         StartsWithIgnoringCase(std::string_view(path).substr(path.size() - extension.size()),
                                extension);
}

std::string SavePathFor(const std::string& path) {
  return HasTrackExtension(path) ? path : path + kTrackExtension;
}

Status LoadTrack(const std::string& path, TrackModel& model, ChunkTrace* trace) {
  TrackFiles files;
  return files.Load(path, model, trace);
}

Status TrackFiles::Load(const std::string& path, TrackModel& model, ChunkTrace* trace) {
  if (path.empty()) return Status::Failure("no file name given");
  if (Status status = CheckFileToRead(path); !status) return status;
  if (!HasTrackExtension(path)) {
    return Status::Failure("'" + path + "' does not end in " + kTrackExtension);
  }
  // The file passes through the window in pieces: no copy of the whole file is ever held.
  if (buffer_.size() < kStreamBytes) buffer_.resize(kStreamBytes);
  return ReadFile(path, [&](std::int64_t size, ByteSource& source) {
    TrackReader in(size, source, buffer_);
    Status status = ParseTrack(in, model, trace);
    if (status || in.sourceFailed()) return status;
    return Status::Failure("'" + path + "': " + status.reason());
  });
}

namespace {

Status MagicOf(const Status& read, std::span<const std::uint8_t> start, const std::string& label,
               bool& isTrack) {
  isTrack = false;
  if (!read) {
    return Status::Failure("cannot check that " + label + " is not a track file: " + read.reason());
  }
  isTrack = start.size() == 4 &&
            StartsWithIgnoringCase({reinterpret_cast<const char*>(start.data()), 4}, "quen");
  return {};
}

}  // namespace

Status BeginsLikeATrack(const std::string& path, bool& isTrack) {
  std::uint8_t magic[4] = {};
  std::size_t got = 0;
  const Status read = ReadFirstBytes(path, magic, got);
  return MagicOf(read, {magic, got}, "'" + path + "'", isTrack);
}

Status BeginsLikeATrack(FileHandle stream, const std::string& label, bool& isTrack) {
  std::uint8_t magic[4] = {};
  std::size_t got = 0;
  const Status read = ReadFirstBytes(stream, magic, got);
  return MagicOf(read, {magic, got}, label, isTrack);
}

Status PrepareSave(TrackModel& m) {
  if (m.tera.TeraPresent &&
      GridCellCount(m.tera) != static_cast<std::int64_t>(m.tera.Grid.size())) {
    return Status::Failure("terrain grid holds " + std::to_string(m.tera.Grid.size()) +
                           " values but is " + std::to_string(m.tera.Columns) + " x " +
                           std::to_string(m.tera.Rows));
  }
  if (!SetSaveFrames(m)) {
    return Status::Failure("track is too large for a track file (over 2147483647 bytes)");
  }
  return {};
}

void WriteTrack(TrackWriter& out, const TrackModel& m) {
  WriteChunk(out, m.header);
  for (const KnownChunk& known : kKnownChunks) {
    if (IsSaved(known, m)) known.write(out, m);
  }
}

Status SerializeTrack(TrackModel& m, TrackBuffer& out) {
  if (Status status = PrepareSave(m); !status) return status;
  TrackWriter w(std::move(out));
  w.Reserve(static_cast<std::size_t>(Framed(m.header.Size)));
  WriteTrack(w, m);
  out = w.Take();
  return {};
}

Status SaveTrack(const std::string& path, TrackModel& model) {
  TrackFiles files;
  return files.Save(path, model);
}

Status TrackFiles::Save(const std::string& path, TrackModel& model) {
  if (path.empty()) return Status::Failure("no file name given");
  if (Status status = PrepareSave(model); !status) return status;
  // A folder is refused before an extension could turn it into a file name inside it.
  if (Status status = RefuseFolderTarget(path); !status) return status;
  return WriteFileAtomically(SavePathFor(path), [&](ByteSink& sink) { WriteChunks(model, sink); });
}

Status TrackFiles::SaveToStream(FileHandle stream, const std::string& label, TrackModel& model) {
  if (Status status = PrepareSave(model); !status) return status;
  return WriteToStream(stream, label, [&](ByteSink& sink) { WriteChunks(model, sink); });
}

void TrackFiles::WriteChunks(const TrackModel& model, ByteSink& sink) {
  // The sizes are known, so the chunks stream through the buffer straight into the file.
  if (buffer_.size() < kStreamBytes) buffer_.resize(kStreamBytes);
  TrackWriter out(buffer_, sink);
  WriteTrack(out, model);
  std::string error;  // the file layer keeps its own reason
  out.Finish(buffer_, error);
}

}  // namespace qu
