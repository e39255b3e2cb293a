#include "trackio/DeviceNames.h"

#include <algorithm>
#include <array>
#include <string>

namespace qu {
namespace {

constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN",    "AUX",
                                                      "NUL", "CONIN$", "CONOUT$"};
constexpr std::array<std::string_view, 2> kNumberedDevices = {"COM", "LPT"};
// The digits a numbered device takes: 1 to 9, and the superscripts 1, 2 and 3 in UTF-8.
constexpr std::array<std::string_view, 12> kDeviceDigits = {
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool IsNumberedDevice(std::string_view stem) {
  if (stem.size() < 4) return false;
  const std::string_view prefix = stem.substr(0, 3), digit = stem.substr(3);
  return std::find(kNumberedDevices.begin(), kNumberedDevices.end(), prefix) !=
             kNumberedDevices.end() &&
         std::find(kDeviceDigits.begin(), kDeviceDigits.end(), digit) != kDeviceDigits.end();
}

}  // namespace

bool IsWindowsDeviceName(std::string_view fileName) {
  // Windows looks at the name before the first dot, without the blanks that end it.
  std::string_view stem = fileName.substr(0, fileName.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  const std::string upper = UpperAscii(stem);
  return std::find(kDevices.begin(), kDevices.end(), upper) != kDevices.end() ||
         IsNumberedDevice(upper);
}

}  // namespace qu
