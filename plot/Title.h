#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "plot/Drawing.h"

namespace qu::plot {

// The title line of a track's picture: a file name and the words after it.

// The longest file name, in characters of its display form, that a picture's title shows
// whole; with the words after it, a title this long still fits on the picture.
inline constexpr std::size_t kTitleNameCharacters = 40;

// A file name for a title: ShortenedName (text/ShortenedName.h) to kTitleNameCharacters.
std::string TitleName(std::string_view name);

// The title as the picture shows it, any bytes in their display form, at its place above the
// views.
Text TitleText(const std::string& title);

}  // namespace qu::plot
