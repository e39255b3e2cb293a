// The qutrack command line, run as a user would: exit statuses, messages, files written.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <expat.h>
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "DisplayText.h"
#include "SampleTracks.h"
#include "TrackBytes.h"

namespace qu {
namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

#ifdef _WIN32
// cmd.exe: the test's paths hold no double quote. The whole command gets one more pair, which
// cmd.exe strips.
std::string Quote(const std::string& arg) {
  return "\"" + arg + "\"";
}
std::string ShellCommand(const std::string& command) {
  return "\"" + command + "\"";
}
int ExitStatus(int raw) {
  return raw;
}
#else
std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
std::string ShellCommand(const std::string& command) {
  return command;
}
int ExitStatus(int raw) {
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
#endif

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_ = folder_.File("sample.qutrack");
    TrackModel model = samples::MakeSampleTrack();
    ASSERT_TRUE(SaveTrack(sample_, model).ok());
  }

  // Runs qutrack with standard output into a file, or into `stdoutPath` when one is given.
  Outcome Qutrack(const std::vector<std::string>& args, const std::string& stdoutPath = "") const {
    std::string command = Quote(QUTRACK_BINARY);
    for (const auto& a : args) command += " " + Quote(a);
    const std::string out = folder_.File("stdout.txt"), err = folder_.File("stderr.txt");
    const std::string target = stdoutPath.empty() ? out : stdoutPath;
    const int raw =
        std::system(ShellCommand(command + " >" + Quote(target) + " 2>" + Quote(err)).c_str());
    Outcome run{ExitStatus(raw), Slurp(out), Slurp(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
  }

  test::TempFolder folder_;
  std::string sample_;
};

void ExpectOneErrorLine(const Outcome& run, const std::string& reason) {
  EXPECT_EQ(run.err, "error: " + reason + "\n");
}

TEST_F(CliTest, NormalizeRewritesTheTrack) {
  const std::string out = folder_.File("out.qutrack");
  const Outcome run = Qutrack({"normalize", sample_, out});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(out), test::ReadBytes(sample_));
}

TEST_F(CliTest, FailuresExitWithTheirOwnStatusAndWriteNothing) {
  const std::string out = folder_.File("out.qutrack");
  const std::string missing = folder_.File("missing.qutrack");
  Outcome run = Qutrack({"normalize", missing, out});
  EXPECT_EQ(run.status, 1);
  ExpectOneErrorLine(run, "no file at '" + missing + "'");

  run = Qutrack({"normalize", sample_, folder_.File("no/such/folder.qutrack")});
  EXPECT_EQ(run.status, 4);
  EXPECT_EQ(run.err.rfind("error: cannot create a file in folder", 0), 0u) << run.err;

  run = Qutrack({"combine", sample_, out, "-n", "99"});
  EXPECT_EQ(run.status, 3);
  ExpectOneErrorLine(run, "the track has only 44 segments; cannot combine 99");

  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"combine", sample_, out, "-n", "2.5"},
                                               {"combine", sample_, out, "-n", "abc"},
                                               {"normalize", sample_},
                                               {"frobnicate"}}) {
    run = Qutrack(args);
    EXPECT_EQ(run.status, 2) << args.size();
    EXPECT_EQ(run.err.rfind("error: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(CliTest, CombineReportsTheChangedHandlesAndTheDeviation) {
  const std::string out = folder_.File("combined.qutrack");
  const Outcome run = Qutrack({"combine", sample_, out, "-n", "3"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("vertex 0 controlOut: ("), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("vertex 3 controlIn: ("), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("largest deviation: "), std::string::npos) << run.out;

  TrackModel before, after;
  ASSERT_TRUE(LoadTrack(sample_, before).ok());
  ASSERT_TRUE(LoadTrack(out, after).ok());
  before.bezr.Vertices[0].controlOut = after.bezr.Vertices[0].controlOut;
  before.bezr.Vertices[3].controlIn = after.bezr.Vertices[3].controlIn;
  EXPECT_EQ(test::Serialize(before), test::ReadBytes(out));
}

TEST_F(CliTest, InfoDescribesTheFileAsJson) {
  const Outcome run = Qutrack({"info", sample_, "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto info = nlohmann::json::parse(run.out);
  EXPECT_EQ(info["tables"]["vertices"], 45);
  EXPECT_EQ(info["tables"]["segmentRecords"], 44);
  EXPECT_EQ(info["bezierSegments"], 44);
  EXPECT_EQ(info["chunks"].size(), 14u);
  EXPECT_EQ(info["chunks"][0]["tag"], "TRCK");
  EXPECT_EQ(info["chunks"][1]["depth"], 2);
  EXPECT_EQ(info["terrain"]["present"], true);
  EXPECT_EQ(info["boundingBox"]["max"][1], 26.5);

  const Outcome text = Qutrack({"info", sample_});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("terrain       present, 8 x 6"), std::string::npos) << text.out;
}

TEST_F(CliTest, PlotWritesAnSvgOrNothing) {
  const std::string svg = folder_.File("plot.svg");
  Outcome run = Qutrack({"plot", sample_, svg, "-n", "99"});
  EXPECT_EQ(run.status, 3);
  EXPECT_FALSE(std::filesystem::exists(svg));
  run = Qutrack({"plot", sample_, svg, "-n", "3"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Slurp(svg).rfind("<?xml", 0), 0u);
  EXPECT_NE(Slurp(svg).find("Largest deviation of the fit"), std::string::npos);
}

// The picture of a 200,000-vertex track, with and without a combine, is read by another SVG
// program. rsvg-convert comes with the project's set-up; without it the test is skipped, but
// not under CI.
TEST_F(CliTest, RsvgConvertRendersThePictureOfALargeTrack) {
#ifdef _WIN32
  GTEST_SKIP() << "rsvg-convert is not part of the Windows build";
#else
  if (std::system("command -v rsvg-convert >/dev/null 2>&1") != 0) {
    if (std::getenv("CI")) FAIL() << "rsvg-convert is missing (Debian package librsvg2-bin)";
    GTEST_SKIP() << "rsvg-convert is missing (Debian package librsvg2-bin)";
  }
  const std::string track = folder_.File("large.qutrack");
  TrackModel model = samples::MakeSyntheticTrack({200000, 10, 4, 4, 10});
  ASSERT_TRUE(SaveTrack(track, model).ok());
  for (const std::vector<std::string>& count : {std::vector<std::string>{}, {"-n", "50"}}) {
    const std::string svg = folder_.File("large.svg"), png = folder_.File("large.png");
    std::vector<std::string> args{"plot", track, svg};
    args.insert(args.end(), count.begin(), count.end());
    const Outcome run = Qutrack(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string err = folder_.File("rsvg.txt");
    const int rendered = std::system(
        ("rsvg-convert -o " + Quote(png) + " " + Quote(svg) + " 2>" + Quote(err)).c_str());
    ASSERT_EQ(ExitStatus(rendered), 0) << Slurp(err);
    // A PNG of the picture's 800 × 400 units: the width and height in its header.
    const std::string image = Slurp(png);
    ASSERT_GE(image.size(), 24u);
    EXPECT_EQ(image.substr(1, 3), "PNG");
    EXPECT_EQ(image.substr(16, 8), std::string("\0\0\x03\x20\0\0\x01\x90", 8));
  }
#endif
}

TEST_F(CliTest, EverySubcommandHasHelp) {
  for (const char* command : {"normalize", "info", "combine", "plot"}) {
    const Outcome run = Qutrack({command, "--help"});
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_NE(run.out.find("Usage:"), std::string::npos) << command;
  }
}

// Hostile names, tags, counts and outputs. Each row: the input file's name and content, the
// arguments (IN and OUT stand for the input and an output in the test folder), where standard
// output goes, and what must hold afterwards.
// File names that are raw bytes, and a standard output that is a full device, exist only on
// POSIX systems; Windows names are UTF-16 and have neither.
#ifndef _WIN32
enum class Product { kNone, kText, kJson, kSvg };

struct HostileRow {
  std::string fileName;
  std::string tag;  // an unrecognised top-level chunk appended to the sample; none when empty
  std::vector<std::string> args;
  bool stdoutFull;
  int status;
  Product product;  // what must read back: standard output as text or JSON, or OUT as XML
};

// The sample with one more top-level chunk, of the given tag and no content.
test::Bytes WithUnknownChunk(test::Bytes file, const std::string& tag) {
  constexpr std::size_t kTopLevelCount = 28;
  test::PutBigEndian(file, kTopLevelCount, test::BigEndianAt(file, kTopLevelCount) + 1);
  return test::ByteBuilder().Append(file).Tag(tag).Long(0).bytes();
}

// Terminal text: valid UTF-8 without any control byte but the line ends.
bool IsSafeForTerminal(const std::string& text) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (DisplayText(line) != line) return false;
  }
  return true;
}

bool IsWellFormedXml(const std::string& text) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  const bool ok = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return ok;
}

std::string FromBase64(const std::string& text) {
  const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    bits = (bits << 6) | static_cast<std::uint32_t>(digits.find(c));
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}

TEST_F(CliTest, HostileNamesTagsCountsAndOutputsNeverCrashOrPassAsSuccess) {
  const std::string latin1 = "caf\xE9.qutrack", controls = "bell\a\x1B[2J\n\x7F.qutrack";
  const std::vector<HostileRow> rows = {
      {latin1, "", {"info", "IN", "--json"}, false, 0, Product::kJson},
      {latin1, "", {"info", "IN"}, false, 0, Product::kText},
      {controls, "", {"info", "IN", "--json"}, false, 0, Product::kJson},
      {controls, "", {"info", "IN"}, false, 0, Product::kText},
      {"t.qutrack", "\xE9\xFF\x80Z", {"info", "IN", "--json"}, false, 0, Product::kJson},
      {"t.qutrack", "\xE9\xFF\x80Z", {"info", "IN"}, false, 0, Product::kText},
      {"t.qutrack", "\x1B[2J", {"info", "IN", "--json"}, false, 0, Product::kJson},
      {"t.qutrack", "\x1B[2J", {"info", "IN"}, false, 0, Product::kText},
      {latin1, "", {"plot", "IN", "OUT"}, false, 0, Product::kSvg},
      {controls, "", {"plot", "IN", "OUT", "-n", "3"}, false, 0, Product::kSvg},
      {controls, "", {"info", "IN.missing"}, false, 1, Product::kNone},
      {"t.qutrack", "", {"combine", "IN", "OUT", "-n", "-2147483648"}, false, 2, Product::kNone},
      {"t.qutrack", "", {"combine", "IN", "OUT", "-n", "0"}, false, 2, Product::kNone},
      {"t.qutrack", "", {"combine", "IN", "OUT", "-n", "-1"}, false, 2, Product::kNone},
      {"t.qutrack", "", {"plot", "IN", "OUT", "-n", "0"}, false, 2, Product::kNone},
      {"t.qutrack", "", {"info", "IN"}, true, 4, Product::kNone},
      {"t.qutrack", "", {"info", "IN", "--json"}, true, 4, Product::kNone},
      {"t.qutrack", "", {"combine", "IN", "OUT.qutrack"}, true, 4, Product::kNone},
  };
  const test::Bytes sample = test::ReadBytes(sample_);
  for (const HostileRow& row : rows) {
    const std::string in = folder_.File(row.fileName), out = folder_.File("out");
    test::WriteBytes(in, row.tag.empty() ? sample : WithUnknownChunk(sample, row.tag));
    std::vector<std::string> args;
    for (const std::string& a : row.args) {
      args.push_back(a.starts_with("IN")    ? in + a.substr(2)
                     : a.starts_with("OUT") ? out + a.substr(3)
                                            : a);
    }
    const Outcome run = Qutrack(args, row.stdoutFull ? "/dev/full" : "");
    SCOPED_TRACE(DisplayText(row.fileName + " " + row.tag + " " + row.args[0] + " " +
                             row.args.back() + (row.stdoutFull ? " >/dev/full" : "")));

    EXPECT_EQ(run.status, row.status) << run.err;
    if (row.status == 0) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.err.rfind("error: ", 0), 0u) << run.err;
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    }
    if (row.status == 2) {
      EXPECT_NE(run.err.find("--segments"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(IsSafeForTerminal(run.err)) << DisplayText(run.err);
    EXPECT_TRUE(IsSafeForTerminal(run.out)) << DisplayText(run.out);
    const auto info = nlohmann::json::parse(run.out, nullptr, false);
    if (row.product == Product::kJson) {
      EXPECT_TRUE(info.is_object()) << DisplayText(run.out);
    }
    if (row.product == Product::kJson && info.is_object()) {
      EXPECT_EQ(FromBase64(info.value("fileBase64", "")), in);
      EXPECT_EQ(info.value("file", ""), DisplayText(in));
      if (!row.tag.empty()) {
        EXPECT_EQ(info["chunks"].back()["tag"], DisplayText(row.tag));
      }
    }
    if (row.product == Product::kText) {
      EXPECT_NE(run.out.find(DisplayText(row.tag.empty() ? in : row.tag)), std::string::npos);
    }
    if (row.product == Product::kSvg) {
      EXPECT_TRUE(IsWellFormedXml(Slurp(out)));
    }
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    std::filesystem::remove(out + ".qutrack");
  }
}
#endif

}  // namespace
}  // namespace qu
