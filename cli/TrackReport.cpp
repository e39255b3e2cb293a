// The description of a track file that `qutrack info` prints, as JSON or as text.
#include "cli/TrackReport.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <map>
#include <optional>

#include "text/DisplayText.h"

namespace qu::cli {

using nlohmann::ordered_json;

namespace {

struct Box {
  Vector3 min, max;
};

// The box around every finite vertex position; nothing when there is none.
std::optional<Box> PositionBounds(const std::vector<BezierVertex>& vertices) {
  std::optional<Box> box;
  for (const auto& v : vertices) {
    const Vector3& p = v.position;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
    if (!box) {
      box = Box{p, p};
      continue;
    }
    box->min = {std::min(box->min.x, p.x), std::min(box->min.y, p.y), std::min(box->min.z, p.z)};
    box->max = {std::max(box->max.x, p.x), std::max(box->max.y, p.y), std::max(box->max.z, p.z)};
  }
  return box;
}

// "1 vertex", "2 vertices".
std::string Counted(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Depth of each traced chunk below the root (top-level chunks are at depth 1), following the
// child counts as the loader does. An unrecognised chunk's children were skipped with it.
std::vector<int> ChunkDepths(const ChunkTrace& trace, std::int32_t topLevelCount) {
  std::vector<std::int64_t> open = {topLevelCount};
  std::vector<int> depths;
  for (const auto& chunk : trace) {
    while (open.size() > 1 && open.back() <= 0) open.pop_back();
    depths.push_back(static_cast<int>(open.size()));
    --open.back();
    if (chunk.childCount > 0) open.push_back(chunk.childCount);
  }
  return depths;
}

// The columns a terminal gives one character of valid UTF-8: two for the wide characters of
// East Asian scripts and for emoji, none for combining accents, one for the rest.
std::size_t CharacterWidth(char32_t c) {
  if (c >= 0x300 && c <= 0x36F) return 0;
  const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                    (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                    (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                    (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
                    (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 2 : 1;
}

// The columns of text that DisplayText made (valid UTF-8), so that a name with characters
// of more than one byte keeps the columns after it in line.
std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
      c = (c << 6) | (static_cast<std::uint8_t>(text[i + k]) & 0x3F);
    }
    width += CharacterWidth(c);
    i += length;
  }
  return width;
}

// The text, followed by blanks up to `columns` columns.
std::string PaddedTo(std::size_t columns, const std::string& text) {
  const std::size_t width = DisplayWidth(text);
  return width >= columns ? text : text + std::string(columns - width, ' ');
}

}  // namespace

ordered_json DescribeTrack(const std::string& path, std::uintmax_t fileBytes, const TrackModel& m,
                           const ChunkTrace& trace) {
  ordered_json info;
  info["file"] = DisplayText(path);
  info["fileBase64"] = Base64(path);
  info["bytes"] = fileBytes;
  info["root"] = {{"tag", "QUEN"},
                  {"size", m.header.Size},
                  {"children", m.header.ChildCount},
                  {"version", m.header.Version}};
  ordered_json chunks = ordered_json::array();
  const std::vector<int> depths = ChunkDepths(trace, m.header.ChildCount);
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const auto& c = trace[i];
    chunks.push_back({{"tag", DisplayText(c.tag)},
                      {"offset", c.offset},
                      {"size", c.size},
                      {"children", c.childCount},
                      {"depth", depths[i]},
                      {"recognised", c.recognised}});
  }
  info["chunks"] = chunks;
  info["tables"] = {{"colorSets", m.trck.ColorSets.size()}, {"vertices", m.bezr.Vertices.size()},
                    {"segments", m.segm.Segments.size()},   {"fundEntries", m.fund.Entries.size()},
                    {"rascEntries", m.rasc.Entries.size()}, {"frenPoints", m.fren.Points.size()},
                    {"tubeEntries", m.tube.Entries.size()}, {"catwEntries", m.catw.Entries.size()},
                    {"scenEntries", m.scen.Entries.size()}, {"scobEntries", m.scob.Entries.size()}};
  // What combine -n counts: the path's cubic pieces, one between each two vertices.
  info["bezierSegments"] = m.bezr.Vertices.empty() ? 0 : m.bezr.Vertices.size() - 1;
  std::map<std::int32_t, std::size_t> types;
  for (const auto& s : m.segm.Segments) ++types[s.segmentType];
  ordered_json typeCounts = ordered_json::object();
  for (const auto& [type, count] : types) typeCounts[std::to_string(type)] = count;
  info["segmentTypes"] = typeCounts;
  info["terrain"] = {{"present", m.tera.TeraPresent}};
  if (m.tera.TeraPresent) {
    info["terrain"]["columns"] = m.tera.Columns;
    info["terrain"]["rows"] = m.tera.Rows;
  }
  if (auto box = PositionBounds(m.bezr.Vertices)) {
    info["boundingBox"] = {{"min", {box->min.x, box->min.y, box->min.z}},
                           {"max", {box->max.x, box->max.y, box->max.z}}};
  } else {
    info["boundingBox"] = nullptr;
  }
  return info;
}

void PrintTrackReport(const ordered_json& info, std::ostream& out) {
  out << "file      " << info["file"].get<std::string>() << " (" << info["bytes"] << " bytes)\n";
  const auto& root = info["root"];
  out << "version   " << root["version"][0] << "." << root["version"][1] << "."
      << root["version"][2] << "." << root["version"][3] << "\n\nchunks\n";
  out << "  " << PaddedTo(18, "QUEN") << " offset " << std::setw(9) << 0 << "  size "
      << std::setw(9) << root["size"].get<std::int64_t>() << "  children " << root["children"]
      << "\n";
  for (const auto& c : info["chunks"]) {
    const std::string indent(2 * c["depth"].get<std::size_t>(), ' ');
    const std::string label = indent + c["tag"].get<std::string>();
    out << "  " << PaddedTo(18, label) << " offset " << std::setw(9)
        << c["offset"].get<std::int64_t>() << "  size " << std::setw(9)
        << c["size"].get<std::int64_t>();
    if (c["recognised"].get<bool>()) {
      out << "  children " << c["children"] << "\n";
    } else {
      out << "  (unrecognised, skipped)\n";
    }
  }
  out << "\ntables\n";
  const auto& tables = info["tables"];
  for (const auto& [name, count] : tables.items()) {
    out << "  " << std::left << std::setw(14) << name << std::right << std::setw(9)
        << count.get<std::int64_t>() << "\n";
  }
  const auto vertices = tables["vertices"].get<std::int64_t>();
  const auto segments = info["bezierSegments"].get<std::int64_t>();
  out << "\nbezier path   " << Counted(segments, "segment", "segments")
      << (vertices >= 2 ? " between " : ", ") << Counted(vertices, "vertex", "vertices")
      << " (what combine -n counts)\n";
  out << "segment types";
  for (const auto& [type, count] : info["segmentTypes"].items()) {
    out << "  " << type << ": " << count;
  }
  const auto& terrain = info["terrain"];
  out << "\nterrain       "
      << (terrain["present"].get<bool>()
              ? "present, " + terrain["columns"].dump() + " x " + terrain["rows"].dump()
              : std::string("absent"))
      << "\n";
  const auto& box = info["boundingBox"];
  if (box.is_null()) {
    out << "bounding box  none ("
        << (vertices == 0 ? "no vertex positions" : "no vertex position is a finite point")
        << ")\n";
  } else {
    out << "bounding box  min " << box["min"].dump() << "  max " << box["max"].dump() << "\n";
  }
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group = (group << 8) | (k < n ? static_cast<std::uint8_t>(bytes[i + k]) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      text += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return text;
}

}  // namespace qu::cli
