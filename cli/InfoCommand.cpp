// qutrack info IN [--json]: what a track file holds, as the loader read it.
#include <algorithm>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "Commands.h"
#include "ExitCodes.h"
#include "FileAccess.h"
#include "TrackFile.h"

namespace qu::cli {
namespace {

using nlohmann::ordered_json;

struct InfoOptions {
  std::string input;
  bool json = false;
};

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

ordered_json Describe(const std::string& path, std::size_t fileBytes, const TrackModel& m,
                      const ChunkTrace& trace) {
  ordered_json info;
  info["file"] = path;
  info["bytes"] = fileBytes;
  info["root"] = {{"tag", "QUEN"},
                  {"size", m.header.Size},
                  {"children", m.header.ChildCount},
                  {"version", m.header.Version}};
  ordered_json chunks = ordered_json::array();
  const std::vector<int> depths = ChunkDepths(trace, m.header.ChildCount);
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const auto& c = trace[i];
    chunks.push_back({{"tag", c.tag},
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

void PrintText(const ordered_json& info) {
  std::cout << "file      " << info["file"].get<std::string>() << " (" << info["bytes"]
            << " bytes)\n";
  const auto& root = info["root"];
  std::cout << "version   " << root["version"][0] << "." << root["version"][1] << "."
            << root["version"][2] << "." << root["version"][3] << "\n\nchunks\n";
  std::cout << "  " << std::left << std::setw(18) << "QUEN" << std::right << " offset "
            << std::setw(9) << 0 << "  size " << std::setw(9) << root["size"].get<std::int64_t>()
            << "  children " << root["children"] << "\n";
  for (const auto& c : info["chunks"]) {
    const std::string indent(2 * c["depth"].get<std::size_t>(), ' ');
    const std::string label = indent + c["tag"].get<std::string>();
    std::cout << "  " << std::left << std::setw(18) << label << std::right << " offset "
              << std::setw(9) << c["offset"].get<std::int64_t>() << "  size " << std::setw(9)
              << c["size"].get<std::int64_t>();
    if (c["recognised"].get<bool>()) {
      std::cout << "  children " << c["children"] << "\n";
    } else {
      std::cout << "  (unrecognised, skipped)\n";
    }
  }
  std::cout << "\ntables\n";
  for (const auto& [name, count] : info["tables"].items()) {
    std::cout << "  " << std::left << std::setw(14) << name << std::right << std::setw(9)
              << count.get<std::int64_t>() << "\n";
  }
  std::cout << "\nsegment types";
  for (const auto& [type, count] : info["segmentTypes"].items()) {
    std::cout << "  " << type << ": " << count;
  }
  const auto& terrain = info["terrain"];
  std::cout << "\nterrain       "
            << (terrain["present"].get<bool>()
                    ? "present, " + terrain["columns"].dump() + " x " + terrain["rows"].dump()
                    : std::string("absent"))
            << "\n";
  const auto& box = info["boundingBox"];
  if (box.is_null()) {
    std::cout << "bounding box  none (no vertex positions)\n";
  } else {
    std::cout << "bounding box  min " << box["min"].dump() << "  max " << box["max"].dump() << "\n";
  }
}

int RunInfo(const InfoOptions& options) {
  TrackModel model;
  ChunkTrace trace;
  if (Status status = LoadTrack(options.input, model, &trace); !status) {
    return Fail(kCannotLoad, status.reason());
  }
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(PathFromUtf8(options.input), ec);
  const ordered_json info = Describe(options.input, ec ? 0 : bytes, model, trace);
  if (options.json) {
    std::cout << info.dump(2) << "\n";
  } else {
    PrintText(info);
  }
  return kSuccess;
}

}  // namespace

Command AddInfoCommand(CLI::App& app) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command =
      app.add_subcommand("info", "Show the chunk tree, table counts and extent of a track file.");
  command->add_option("IN", options->input, "Track file to read")->required();
  command->add_flag("--json", options->json, "Print the description as JSON");
  return {command, [options] { return RunInfo(*options); }};
}

}  // namespace qu::cli
