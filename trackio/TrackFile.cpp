#include "TrackFile.h"

#include <filesystem>
#include <string_view>

#include "FileAccess.h"

namespace qu {
namespace {

constexpr std::int32_t kMaxChunksToRead = 2147483647;

// The chunks this system reads: each reader fills its record and gives the child count read.
struct KnownChunk {
  std::string_view tag;
  std::int32_t (*read)(TrackReader&, TrackModel&);
};

template <typename Chunk, void (*Read)(TrackReader&, Chunk&), Chunk TrackModel::*Member>
std::int32_t ReadInto(TrackReader& in, TrackModel& model) {
  Read(in, model.*Member);
  return (model.*Member).ChildCount;
}

constexpr KnownChunk kKnownChunks[] = {
    {"TRCK", ReadInto<TrackChunk, ReadTRCK, &TrackModel::trck>},
    {"INFO", ReadInto<InfoChunk, ReadINFO, &TrackModel::info>},
    {"BEZR", ReadInto<VertexChunk, ReadBEZR, &TrackModel::bezr>},
    {"SEGM", ReadInto<SegmentChunk, ReadSEGM, &TrackModel::segm>},
    {"SUPP", ReadInto<SuppChunk, ReadSUPP, &TrackModel::supp>},
    {"FUND", ReadInto<FundChunk, ReadFUND, &TrackModel::fund>},
    {"RASC", ReadInto<RascChunk, ReadRASC, &TrackModel::rasc>},
    {"FREN", ReadInto<FrenChunk, ReadFREN, &TrackModel::fren>},
    {"TUBE", ReadInto<TubeChunk, ReadTUBE, &TrackModel::tube>},
    {"CATW", ReadInto<CatwChunk, ReadCATW, &TrackModel::catw>},
    {"SCEN", ReadInto<ScenChunk, ReadSCEN, &TrackModel::scen>},
    {"SCOB", ReadInto<ScobChunk, ReadSCOB, &TrackModel::scob>},
    {"TERA", ReadInto<TeraChunk, ReadTERA, &TrackModel::tera>},
    {"ENVC", ReadInto<EnvcChunk, ReadENVC, &TrackModel::envc>},
};

const KnownChunk* FindKnownChunk(std::string_view tag) {
  for (const KnownChunk& known : kKnownChunks) {
    if (known.tag == tag) return &known;
  }
  return nullptr;
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

// The size field that follows the tag at `tagOffset`; the caller has read it already.
std::int32_t StoredSize(std::span<const std::uint8_t> bytes, std::int64_t tagOffset) {
  TrackReader reader(bytes.subspan(static_cast<std::size_t>(tagOffset) + 4, 4));
  return reader.ReadLong();
}

// Letters compared in ASCII only, whatever the process's locale.
char AsciiLower(unsigned char c) {
  return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
}

bool StartsWithMagic(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) return false;
  const char magic[] = "quen";
  for (std::size_t i = 0; i < 4; ++i) {
    if (AsciiLower(bytes[i]) != magic[i]) return false;
  }
  return true;
}

Status ReadChunks(TrackReader& in, TrackModel& model, ChunkTrace* trace) {
  std::int64_t toRead = model.header.ChildCount;
  while (toRead > 0) {
    const std::int64_t offset = in.cursor();
    if (in.remaining() < 4) {
      return Status::Failure("file ends at offset " + std::to_string(offset) + " with " +
                             std::to_string(toRead) + " chunk(s) still to read");
    }
    const std::string tag = in.ReadTag();
    ChunkTraceEntry seen{tag, offset, 0, 0, false, {}};
    in.RecordCountFieldsInto(trace ? &seen.countFields : nullptr);
    if (const KnownChunk* known = FindKnownChunk(tag)) {
      in.EnterChunk(tag);
      const std::int32_t childCount = known->read(in, model);
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
      in.EnterChunk("unrecognised chunk '" +
                    PrintableTag(in.bytes().subspan(static_cast<std::size_t>(offset), 4)) + "'");
      SkipChunk(in);
    }
    if (in.failed()) return Status::Failure(in.error());
    if (trace) {
      seen.size = StoredSize(in.bytes(), offset);
      trace->push_back(seen);
    }
    --toRead;
  }
  return {};
}

}  // namespace

void ClearTrack(TrackModel& model) {
  model = TrackModel{};
}

void ReadHeader(TrackReader& in, FileHeader& header) {
  header.Size = in.ReadLong();
  for (auto& byte : header.Version) byte = in.ReadByte();
  in.Skip(16);
  header.ChildCount = in.ReadLong();
}

void WriteHeader(TrackWriter& out, const FileHeader& header) {
  out.WriteTag("QUEN");
  out.WriteLong(header.Size);
  out.WriteByte(std::uint8_t{1});
  out.WriteByte(std::uint8_t{3});
  out.WriteByte(std::uint8_t{0});
  out.WriteByte(std::uint8_t{0});
  out.WriteZeros(16);
  out.WriteLong(header.ChildCount);
}

void SkipChunk(TrackReader& in) {
  const std::int64_t offset = in.cursor();
  const std::int32_t size = in.ReadLong();
  if (in.failed()) return;
  if (size < 0) {
    in.Fail("negative chunk size " + std::to_string(size), offset);
  } else if (size > in.remaining()) {
    in.Fail("chunk size " + std::to_string(size) + " runs past the end of the file", offset);
  } else {
    in.Skip(size);
  }
}

Status ParseTrack(std::span<const std::uint8_t> bytes, TrackModel& model, ChunkTrace* trace) {
  if (!StartsWithMagic(bytes)) {
    return Status::Failure("not a track file: it begins with '" + PrintableTag(bytes) +
                           "', not 'QUEN'");
  }
  if (static_cast<std::int64_t>(bytes.size()) > kMaxTrackBytes) {
    return Status::Failure("file is larger than a track file can be");
  }
  TrackModel fresh;
  ChunkTrace seen;
  TrackReader in(bytes);
  in.ReadTag();
  ReadHeader(in, fresh.header);
  if (in.failed()) return Status::Failure(in.error());
  if (Status status = ReadChunks(in, fresh, trace ? &seen : nullptr); !status) return status;
  model = std::move(fresh);
  if (trace) *trace = std::move(seen);
  return {};
}

bool HasTrackExtension(const std::string& path) {
  const std::string_view extension = kTrackExtension;
  if (path.size() < extension.size()) return false;
  for (std::size_t i = 0; i < extension.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[path.size() - extension.size() + i]);
    if (AsciiLower(c) != extension[i]) return false;
  }
  return true;
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
  if (Status status = ReadWholeFile(path, buffer_); !status) return status;
  if (Status status = ParseTrack(buffer_, model, trace); !status) {
    return Status::Failure("'" + path + "': " + status.reason());
  }
  return {};
}

}  // namespace qu

namespace qu {
namespace {

std::int64_t Framed(std::int64_t size) {
  return 8 + size;
}

void StoreSize(std::int32_t& member, std::int64_t size) {
  member = size > kMaxTrackBytes ? -1 : static_cast<std::int32_t>(size);
}

}  // namespace

void SetSaveChildCounts(TrackModel& m) {
  m.header.ChildCount = m.tera.TeraPresent ? 4 : 3;
  m.trck.ChildCount = 4;
  m.supp.ChildCount = 5;
  m.scen.ChildCount = 1;
  m.info.ChildCount = m.bezr.ChildCount = m.segm.ChildCount = 0;
  m.fund.ChildCount = m.rasc.ChildCount = m.fren.ChildCount = 0;
  m.tube.ChildCount = m.catw.ChildCount = 0;
  m.scob.ChildCount = m.tera.ChildCount = m.envc.ChildCount = 0;
}

bool ComputeChunkSizes(TrackModel& m) {
  // Bottom-up: each size counts the chunk's own fields after the size field plus every
  // child's tag, size field and size. Sums are formed in 64 bits and checked at the root.
  const std::int64_t info = OwnBytes(m.info);
  const std::int64_t bezr = OwnBytes(m.bezr);
  const std::int64_t segm = OwnBytes(m.segm);
  const std::int64_t fund = OwnBytes(m.fund);
  const std::int64_t rasc = OwnBytes(m.rasc);
  const std::int64_t fren = OwnBytes(m.fren);
  const std::int64_t tube = OwnBytes(m.tube);
  const std::int64_t catw = OwnBytes(m.catw);
  const std::int64_t supp =
      OwnBytes(m.supp) + Framed(fund) + Framed(rasc) + Framed(fren) + Framed(tube) + Framed(catw);
  const std::int64_t trck =
      OwnBytes(m.trck) + Framed(info) + Framed(bezr) + Framed(segm) + Framed(supp);
  const std::int64_t scob = OwnBytes(m.scob);
  const std::int64_t scen = OwnBytes(m.scen) + Framed(scob);
  const std::int64_t tera = m.tera.TeraPresent ? OwnBytes(m.tera) : 0;
  const std::int64_t envc = OwnBytes(m.envc);
  const std::int64_t root =
      24 + Framed(trck) + Framed(scen) + (m.tera.TeraPresent ? Framed(tera) : 0) + Framed(envc);

  StoreSize(m.info.Size, info);
  StoreSize(m.bezr.Size, bezr);
  StoreSize(m.segm.Size, segm);
  StoreSize(m.fund.Size, fund);
  StoreSize(m.rasc.Size, rasc);
  StoreSize(m.fren.Size, fren);
  StoreSize(m.tube.Size, tube);
  StoreSize(m.catw.Size, catw);
  StoreSize(m.supp.Size, supp);
  StoreSize(m.trck.Size, trck);
  StoreSize(m.scob.Size, scob);
  StoreSize(m.scen.Size, scen);
  if (m.tera.TeraPresent) StoreSize(m.tera.Size, tera);
  StoreSize(m.envc.Size, envc);
  StoreSize(m.header.Size, root);
  return Framed(root) <= kMaxTrackBytes;
}

Status SerializeTrack(TrackModel& m, TrackBuffer& out) {
  if (m.tera.TeraPresent &&
      GridCellCount(m.tera) != static_cast<std::int64_t>(m.tera.Grid.size())) {
    return Status::Failure("terrain grid holds " + std::to_string(m.tera.Grid.size()) +
                           " values but is " + std::to_string(m.tera.Columns) + " x " +
                           std::to_string(m.tera.Rows));
  }
  SetSaveChildCounts(m);
  if (!ComputeChunkSizes(m)) {
    return Status::Failure("track is too large for a track file (over 2147483647 bytes)");
  }
  TrackWriter w(std::move(out));
  w.Reserve(static_cast<std::size_t>(Framed(m.header.Size)));
  WriteHeader(w, m.header);
  WriteTRCK(w, m.trck);
  WriteINFO(w, m.info);
  WriteBEZR(w, m.bezr);
  WriteSEGM(w, m.segm);
  WriteSUPP(w, m.supp);
  WriteFUND(w, m.fund);
  WriteRASC(w, m.rasc);
  WriteFREN(w, m.fren);
  WriteTUBE(w, m.tube);
  WriteCATW(w, m.catw);
  WriteSCEN(w, m.scen);
  WriteSCOB(w, m.scob);
  if (m.tera.TeraPresent) WriteTERA(w, m.tera);
  WriteENVC(w, m.envc);
  out = w.Take();
  return {};
}

Status SaveTrack(const std::string& path, TrackModel& model) {
  TrackFiles files;
  return files.Save(path, model);
}

Status TrackFiles::Save(const std::string& path, TrackModel& model) {
  if (path.empty()) return Status::Failure("no file name given");
  if (Status status = SerializeTrack(model, buffer_); !status) return status;
  // A folder is refused before an extension could turn it into a file name inside it.
  if (Status status = RefuseFolderTarget(path); !status) return status;
  return WriteFileAtomically(SavePathFor(path), buffer_);
}

}  // namespace qu
