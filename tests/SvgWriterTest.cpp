// The SVG writer: its escaping, its numbers, and the same bytes whatever the process's locale
// (Qt sets the C locale from the environment, where a decimal comma is common).
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <sstream>
#include <stdexcept>

#include "examples/SampleTracks.h"
#include "geometry/SegmentMerge.h"
#include "plot/SvgWriter.h"
#include "plot/TrackPlot.h"
#include "plot/XmlWriter.h"

namespace qu::plot {
namespace {

std::string Number(double value) {
  std::string text;
  AppendNumber(text, value);
  return text;
}

TEST(SvgWriter, NumbersAreWrittenToATenthWithoutATrailingZero) {
  const std::vector<std::pair<double, std::string>> rows = {
      {0, "0"},
      {800, "800"},
      {1.5, "1.5"},
      {2.25, "2.3"},
      {-3, "-3"},
      {-0.04, "0"},
      {-0.05, "-0.1"},
      {123456.78, "123456.8"},
      {0.95, "1"},
      {-1e14, "-100000000000000"},
      {1e15, "1000000000000000.0"},
  };
  for (const auto& [value, text] : rows) EXPECT_EQ(Number(value), text) << value;
}

TEST(SvgWriter, TextsAndAttributeValuesAreEscapedInTheirDisplayForm) {
  XmlWriter xml;
  xml.Start("g", {{"id", "a\"b<c>&d"}, {"left-out", XmlWriter::Value::None()}});
  xml.WithText("text", {{"x", 1.25}, {"fill", XmlWriter::Hex{0x0072B2}}},
               "x < y & \"z\" caf\xE9 \x1B[2J");
  xml.Empty("rect", {{"width", 800.0}});
  EXPECT_EQ(xml.Finish(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<g id=\"a&quot;b&lt;c&gt;&amp;d\">\n"
            "<text x=\"1.3\" fill=\"#0072B2\">x &lt; y &amp; &quot;z&quot; caf\\xE9 "
            "\\x1B[2J</text>\n"
            "<rect width=\"800\"/>\n"
            "</g>\n");
  EXPECT_EQ(EscapedText("Gr\xC3\xBC\xC3\x9F"
                        "e"),
            "Gr\xC3\xBC\xC3\x9F"
            "e");
}

// While it lives, the leak checker overlooks what is allocated: the C library keeps the
// locale search path that LOCPATH names for as long as the process runs.
struct KeptByTheCLibrary {
#if defined(__SANITIZE_ADDRESS__)
  KeptByTheCLibrary() {
    __lsan_disable();
  }
  ~KeptByTheCLibrary() {
    __lsan_enable();
  }
#else
  KeptByTheCLibrary() {}
  ~KeptByTheCLibrary() {}
#endif
};

// Sets the process's C and C++ locales to one that writes a decimal comma for as long as it
// lives: an installed one, or one that localedef makes in a folder of its own.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() : savedC_(std::setlocale(LC_ALL, nullptr)) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8",
                             "ru_RU.UTF-8", "de_DE", "German_Germany.1252"}) {
      if (Use(name)) return;
    }
#ifdef _WIN32
    missing_ = "no locale with a decimal comma is installed";
#else
    folder_ = std::filesystem::temp_directory_path() /
              ("qu-locale-" + std::to_string(std::rand()) + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (folder_ / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(command.c_str());
    if (std::filesystem::exists(folder_ / "de_DE.UTF-8")) {
      ::setenv("LOCPATH", folder_.c_str(), 1);
      if (Use("de_DE.UTF-8")) return;
    }
    missing_ =
        "no locale with a decimal comma is installed and localedef could not make de_DE.UTF-8";
#endif
  }

  ~DecimalCommaLocale() {
    const KeptByTheCLibrary kept;
    std::setlocale(LC_ALL, savedC_.c_str());
    std::locale::global(savedCpp_);
#ifndef _WIN32
    if (!folder_.empty()) {
      ::unsetenv("LOCPATH");
      std::error_code ignored;
      std::filesystem::remove_all(folder_, ignored);
    }
#endif
  }

  // Why there is none; empty when it is in force.
  const std::string& missing() const {
    return missing_;
  }
  // Whether the C++ library's global locale stayed "C" (Windows).
  bool cOnly() const {
    return cOnly_;
  }

 private:
  bool Use(const char* name) {
    const KeptByTheCLibrary kept;
    if (!std::setlocale(LC_ALL, name)) return false;
    if (std::string(std::localeconv()->decimal_point) == ",") {
      try {
        std::locale::global(std::locale(name));
        return true;
      } catch (const std::runtime_error&) {
#ifdef _WIN32
        // MinGW's C++ library knows only the "C" locale: the C library's must do.
        cOnly_ = true;
        return true;
#endif
      }
    }
    std::setlocale(LC_ALL, savedC_.c_str());
    return false;
  }

  std::string savedC_;
  std::locale savedCpp_;
  std::filesystem::path folder_;
  std::string missing_;
  bool cOnly_ = false;
};

std::string SamplePicture() {
  const auto vertices = samples::MakeSampleTrack().bezr.Vertices;
  const CombinedCopy combined = CombineCopyOfRun(vertices, {0, 3});
  return WriteSvg(DrawTrack(vertices, "sample", &*combined.combined));
}

TEST(SvgWriter, TheLocaleChangesNoByte) {
  const std::string expected = SamplePicture();
  ASSERT_NE(expected.find("stroke-width=\"2.5\""), std::string::npos);
  ASSERT_NE(expected.find("fit: 1.01334 track units"), std::string::npos);
  DecimalCommaLocale comma;
  if (!comma.missing().empty()) GTEST_SKIP() << comma.missing();
  // The locales are in force: printf and the streams write a comma.
  char printed[32];
  std::snprintf(printed, sizeof printed, "%.6g", 2.5);
  ASSERT_EQ(std::string(printed), "2,5");
  if (!comma.cOnly()) {
    std::ostringstream streamed;
    streamed << 2.5;
    ASSERT_EQ(streamed.str(), "2,5");
  }

  EXPECT_EQ(Number(2.5), "2.5");
  EXPECT_EQ(SamplePicture(), expected);
}

}  // namespace
}  // namespace qu::plot
