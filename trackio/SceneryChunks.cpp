#include "SceneryChunks.h"

#include "TableFrame.h"

namespace qu {
namespace {

constexpr std::int64_t kScenEntryBytes = 64;
constexpr std::int64_t kScobEntryFixedBytes = 88;
constexpr std::int64_t kTeraFixedBytes = 81;

std::int64_t Length(const std::string& text) {
  return static_cast<std::int64_t>(text.size());
}

void WriteText(TrackWriter& out, const std::string& text) {
  out.WriteLong(static_cast<std::int32_t>(text.size()));
  out.WriteString(text);
}

void ReadScobEntry(TrackReader& in, ScobEntry& e) {
  e.TextB = in.ReadStrictText("text");
  e.TextA = in.ReadStrictText("text");
  Vector3* rows[] = {&e.Row1, &e.Row2, &e.Row3};
  float* column[] = {&e.Column4.x, &e.Column4.y, &e.Column4.z};
  for (int r = 0; r < 3; ++r) {
    rows[r]->x = in.ReadSingle();
    rows[r]->y = in.ReadSingle();
    rows[r]->z = in.ReadSingle();
    *column[r] = in.ReadSingle();
  }
  e.Extra.x = in.ReadSingle();
  e.Extra.y = in.ReadSingle();
  e.Extra.z = in.ReadSingle();
  in.Skip(20);
}

void WriteScobEntry(TrackWriter& out, const ScobEntry& e) {
  WriteText(out, e.TextB);
  WriteText(out, e.TextA);
  const Vector3* rows[] = {&e.Row1, &e.Row2, &e.Row3};
  const float column[] = {e.Column4.x, e.Column4.y, e.Column4.z};
  for (int r = 0; r < 3; ++r) {
    out.WriteSingle(rows[r]->x);
    out.WriteSingle(rows[r]->y);
    out.WriteSingle(rows[r]->z);
    out.WriteSingle(column[r]);
  }
  out.WriteSingle(e.Extra.x);
  out.WriteSingle(e.Extra.y);
  out.WriteSingle(e.Extra.z);
  out.WriteZeros(20);
}

// Reads a grid dimension; a negative one marks a corrupt file.
std::int32_t ReadDimension(TrackReader& in, const char* name) {
  in.NoteCountField();
  const std::int64_t offset = in.cursor();
  const std::int32_t value = in.ReadLong();
  if (value < 0)
    in.Fail("negative grid " + std::string(name) + " " + std::to_string(value), offset);
  return value < 0 ? 0 : value;
}

void ReadGrid(TrackReader& in, TeraChunk& chunk, std::int64_t dimensionsOffset) {
  const std::int64_t cells = GridCellCount(chunk);
  // Compared by division so that Columns x Rows x 4 is never formed when it could overflow.
  if (chunk.Rows != 0 && chunk.Columns > in.remaining() / 4 / chunk.Rows) {
    in.Fail("grid of " + std::to_string(chunk.Columns) + " x " + std::to_string(chunk.Rows) +
                " values runs past the end of the file",
            dimensionsOffset);
    return;
  }
  chunk.Grid.resize(static_cast<std::size_t>(cells));
  in.ReadSingles(chunk.Grid);
}

}  // namespace

void ReadSCEN(TrackReader& in, ScenChunk& chunk) {
  ReadTableFrame(in, chunk, kScenEntryBytes, [&](std::size_t count) {
    ReadEntriesInto(in, chunk.Entries, count, [&](ScenEntry& e) {
      e.Point.x = in.ReadSingle();
      e.Point.y = in.ReadSingle();
      e.Point.z = in.ReadSingle();
      e.Number = in.ReadLong();
      e.ValueA = in.ReadSingle();
      in.Skip(44);
    });
  });
}

void WriteSCEN(TrackWriter& out, const ScenChunk& chunk) {
  WriteTableFrame(out, "SCEN", chunk, chunk.Entries.size(), [&] {
    for (const auto& e : chunk.Entries) {
      out.WriteSingle(e.Point.x);
      out.WriteSingle(e.Point.y);
      out.WriteSingle(e.Point.z);
      out.WriteLong(e.Number);
      out.WriteSingle(e.ValueA);
      out.WriteZeros(44);
    }
  });
}

std::int64_t OwnBytes(const ScenChunk& chunk) {
  return 40 + kScenEntryBytes * static_cast<std::int64_t>(chunk.Entries.size());
}

void ReadSCOB(TrackReader& in, ScobChunk& chunk) {
  ReadTableFrame(in, chunk, kScobEntryFixedBytes, [&](std::size_t count) {
    ReadEntriesInto(in, chunk.Entries, count, [&](ScobEntry& e) { ReadScobEntry(in, e); });
  });
}

void WriteSCOB(TrackWriter& out, const ScobChunk& chunk) {
  WriteTableFrame(out, "SCOB", chunk, chunk.Entries.size(), [&] {
    for (const auto& e : chunk.Entries) WriteScobEntry(out, e);
  });
}

std::int64_t OwnBytes(const ScobChunk& chunk) {
  std::int64_t bytes = 40;
  for (const auto& e : chunk.Entries)
    bytes += kScobEntryFixedBytes + Length(e.TextA) + Length(e.TextB);
  return bytes;
}

std::int64_t GridCellCount(const TeraChunk& chunk) {
  if (chunk.Columns < 0 || chunk.Rows < 0) return -1;
  return std::int64_t{chunk.Columns} * std::int64_t{chunk.Rows};
}

void ReadTERA(TrackReader& in, TeraChunk& chunk) {
  chunk = TeraChunk{};
  chunk.Size = in.ReadLong();
  const std::int64_t dimensionsOffset = in.cursor();
  chunk.Columns = ReadDimension(in, "column count");
  chunk.Rows = ReadDimension(in, "row count");
  chunk.ValueA = in.ReadSingle();
  chunk.ValueB = in.ReadSingle();
  chunk.TextA = in.ReadStrictText("text");
  chunk.ValueC = in.ReadSingle();
  chunk.TextB = in.ReadStrictText("text");
  chunk.ValueD = in.ReadSingle();
  chunk.Flag = in.ReadBool();
  in.Skip(4);
  chunk.TextC = in.ReadStrictText("text");
  chunk.ValueE = in.ReadSingle();
  chunk.ByteValue = in.ReadByte();
  in.Skip(15);
  if (!in.failed()) ReadGrid(in, chunk, dimensionsOffset);
  in.Skip(16);
  chunk.ChildCount = in.ReadLong();
  // Set last: a chunk that could not be read whole never counts as present.
  chunk.TeraPresent = !in.failed();
}

void WriteTERA(TrackWriter& out, const TeraChunk& chunk) {
  out.WriteTag("TERA");
  out.WriteLong(chunk.Size);
  out.WriteLong(chunk.Columns);
  out.WriteLong(chunk.Rows);
  out.WriteSingle(chunk.ValueA);
  out.WriteSingle(chunk.ValueB);
  WriteText(out, chunk.TextA);
  out.WriteSingle(chunk.ValueC);
  WriteText(out, chunk.TextB);
  out.WriteSingle(chunk.ValueD);
  out.WriteByte(chunk.Flag);
  out.WriteZeros(4);
  WriteText(out, chunk.TextC);
  out.WriteSingle(chunk.ValueE);
  out.WriteByte(chunk.ByteValue);
  out.WriteZeros(15);
  out.WriteSingles(chunk.Grid);
  out.WriteZeros(16);
  out.WriteLong(chunk.ChildCount);
}

std::int64_t OwnBytes(const TeraChunk& chunk) {
  return kTeraFixedBytes + Length(chunk.TextA) + Length(chunk.TextB) + Length(chunk.TextC) +
         4 * static_cast<std::int64_t>(chunk.Grid.size());
}

void ReadENVC(TrackReader& in, EnvcChunk& chunk) {
  chunk = EnvcChunk{};
  chunk.Size = in.ReadLong();
  in.Skip(16);
  chunk.TextA = in.ReadLenientText();
  chunk.TextB = in.ReadLenientText();
  in.Skip(16);
  chunk.ChildCount = in.ReadLong();
}

void WriteENVC(TrackWriter& out, const EnvcChunk& chunk) {
  out.WriteTag("ENVC");
  out.WriteLong(chunk.Size);
  out.WriteZeros(16);
  WriteText(out, chunk.TextA);
  WriteText(out, chunk.TextB);
  out.WriteZeros(16);
  out.WriteLong(chunk.ChildCount);
}

std::int64_t OwnBytes(const EnvcChunk& chunk) {
  return 44 + Length(chunk.TextA) + Length(chunk.TextB);
}

}  // namespace qu
