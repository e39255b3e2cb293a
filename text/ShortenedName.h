#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qu {

// A name to show in a limited room: its display form (DisplayText), and when that is longer
// than `characters` characters, its start and end with "…" between them, `characters` in
// all. An escaped byte (`\xE9`) is kept whole or left out whole.
std::string ShortenedName(std::string_view name, std::size_t characters);

}  // namespace qu
