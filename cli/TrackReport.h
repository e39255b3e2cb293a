#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "trackio/TrackFile.h"

namespace qu::cli {

// What `qutrack info` tells about a loaded track file. Every string in it is DisplayText, so
// the document always dumps as valid JSON; "fileBase64" keeps the path's exact bytes.
nlohmann::ordered_json DescribeTrack(const std::string& path, std::uintmax_t fileBytes,
                                     const TrackModel& model, const ChunkTrace& trace);

// The description as the text `qutrack info` prints for a terminal.
void PrintTrackReport(const nlohmann::ordered_json& info, std::ostream& out);

// The bytes in standard base64 with padding.
std::string Base64(std::string_view bytes);

}  // namespace qu::cli
