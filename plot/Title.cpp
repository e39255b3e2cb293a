#include "plot/Title.h"

#include "plot/PictureLayout.h"
#include "text/DisplayText.h"
#include "text/ShortenedName.h"

namespace qu::plot {

std::string TitleName(std::string_view name) {
  return ShortenedName(name, kTitleNameCharacters);
}

Text TitleText(const std::string& title) {
  return {{20, 26}, DisplayText(title), 16, Anchor::kStart, kTextColour};
}

}  // namespace qu::plot
