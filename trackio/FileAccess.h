#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "Status.h"
#include "TrackBuffer.h"

namespace qu {

// Reads a whole regular file in one read. Files the format cannot address are refused.
Status ReadWholeFile(const std::string& path, TrackBuffer& bytes);

// Replaces the file at `path` with `bytes`, or leaves it exactly as it was. The bytes are
// written to a new file in the same folder, which is renamed over the target only when the
// write has succeeded; on failure the new file is removed again.
Status WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace qu
