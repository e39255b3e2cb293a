// The qutrack command line, run as a user would: exit statuses, messages, files written.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <expat.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "examples/SampleTracks.h"
#include "geometry/SegmentMerge.h"
#include "tests/TrackBytes.h"
#include "text/DisplayText.h"

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

// The bits of every point of every vertex: position, controlIn, controlOut.
std::vector<std::array<std::uint32_t, 9>> PointBits(const VertexChunk& chunk) {
  std::vector<std::array<std::uint32_t, 9>> bits;
  for (const BezierVertex& v : chunk.Vertices) {
    std::array<std::uint32_t, 9>& b = bits.emplace_back();
    std::size_t i = 0;
    for (const Vector3& p : {v.position, v.controlIn, v.controlOut}) {
      for (float f : {p.x, p.y, p.z}) b[i++] = std::bit_cast<std::uint32_t>(f);
    }
  }
  return bits;
}

// The byte offsets at which a saved track differs from another.
std::set<std::size_t> DifferingBytes(const test::Bytes& a, const test::Bytes& b) {
  EXPECT_EQ(a.size(), b.size());
  std::set<std::size_t> offsets;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i] != b[i]) offsets.insert(i);
  }
  return offsets;
}

Vector3 WithEveryBitFlipped(const Vector3& p) {
  const auto flip = [](float f) { return std::bit_cast<float>(~std::bit_cast<std::uint32_t>(f)); };
  return {flip(p.x), flip(p.y), flip(p.z)};
}

TEST_F(CliTest, StartZeroChangesNothing) {
  // OUT stands for the output, its name the same in both runs so that messages naming it agree.
  const std::vector<std::vector<std::string>> commands = {
      {"combine", "OUT.qutrack", "-n", "3"},
      {"combine", "OUT.qutrack"},
      {"combine", "OUT", "-n", "44"},
      {"plot", "OUT.svg", "-n", "3"},
  };
  for (const std::vector<std::string>& command : commands) {
    std::vector<std::string> args = command;
    args[1] = folder_.File("out") + command[1].substr(3);
    args.insert(args.begin() + 1, sample_);
    const std::string saved = args[2] + (command[1] == "OUT" ? ".qutrack" : "");
    SCOPED_TRACE(command[0] + " " + command.back());
    const Outcome plain = Qutrack(args);
    const test::Bytes plainBytes = test::ReadBytes(saved);
    std::filesystem::remove(saved);
    args.insert(args.end(), {"--start", "0"});
    const Outcome started = Qutrack(args);
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(started.status, plain.status);
    EXPECT_EQ(started.out, plain.out);
    EXPECT_EQ(started.err, plain.err);
    EXPECT_EQ(test::ReadBytes(saved), plainBytes);
    std::filesystem::remove(saved);
  }
}

TEST_F(CliTest, StartCombinesARunInTheMiddleAndNothingElse) {
  const std::string out = folder_.File("middle.qutrack");
  const Outcome run = Qutrack({"combine", sample_, out, "-n", "4", "--start", "10"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("combined segments 10 to 13 of 44 (21 samples)\n"
                          "vertex 10 controlOut: (",
                          0),
            0u)
      << run.out;
  EXPECT_NE(run.out.find("\nvertex 14 controlIn: ("), std::string::npos) << run.out;

  TrackModel before, after;
  ASSERT_TRUE(LoadTrack(sample_, before).ok());
  ASSERT_TRUE(LoadTrack(out, after).ok());
  VertexChunk expected = before.bezr;
  ASSERT_TRUE(CombineSegments(expected, 10, 13).combined());
  const auto was = PointBits(before.bezr), now = PointBits(after.bezr);
  EXPECT_EQ(now, PointBits(expected));
  ASSERT_EQ(now.size(), 45u);
  for (std::size_t i = 0; i < now.size(); ++i) {
    for (std::size_t point = 0; point < 3; ++point) {
      const auto begin = static_cast<std::ptrdiff_t>(3 * point);
      const bool changed =
          !std::equal(now[i].begin() + begin, now[i].begin() + begin + 3, was[i].begin() + begin);
      const bool rewritten = (i == 10 && point == 2) || (i == 14 && point == 1);
      EXPECT_EQ(changed, rewritten) << "vertex " << i << " point " << point;
    }
  }

  // The 24 bytes of the two handles: those that change when every bit of both is flipped.
  TrackModel flipped = before;
  flipped.bezr.Vertices[10].controlOut = WithEveryBitFlipped(before.bezr.Vertices[10].controlOut);
  flipped.bezr.Vertices[14].controlIn = WithEveryBitFlipped(before.bezr.Vertices[14].controlIn);
  const test::Bytes input = test::ReadBytes(sample_);
  const std::set<std::size_t> handles = DifferingBytes(test::Serialize(flipped), input);
  ASSERT_EQ(handles.size(), 24u);
  const std::set<std::size_t> changed = DifferingBytes(test::ReadBytes(out), input);
  EXPECT_FALSE(changed.empty());
  EXPECT_TRUE(std::includes(handles.begin(), handles.end(), changed.begin(), changed.end()));
}

TEST_F(CliTest, StartIsCheckedAgainstTheTrackAndTheCommandLine) {
  struct Row {
    std::vector<std::string> args;  // OUT stands for the output in the test folder
    int status;
    std::string says;  // the report's first line, or the whole reason of the error line
  };
  const std::string only44 = "the track has only 44 segments; cannot combine ";
  const std::vector<Row> rows = {
      {{"combine", "OUT", "--start", "40", "-n", "4"},
       0,
       "combined segments 40 to 43 of 44 (21 samples)"},
      {{"combine", "OUT", "--start", "41", "-n", "4"},
       3,
       only44 + "4 segments from segment 41 (segments 41 to 44)"},
      {{"combine", "OUT", "--start", "44", "-n", "1"}, 3, only44 + "1 segment from segment 44"},
      {{"combine", "OUT", "--start", "2147483647", "-n", "2147483647"},
       3,
       only44 + "2147483647 segments from segment 2147483647 (segments 2147483647 to 4294967293)"},
      {{"plot", "OUT", "-n", "2147483647", "-s", "2147483647"},
       3,
       only44 + "2147483647 segments from segment 2147483647 (segments 2147483647 to 4294967293)"},
      {{"combine", "OUT", "--start", "-1"}, 2, "--start: must be at least 0, not -1"},
      {{"combine", "OUT", "--start", "abc"}, 2, "--start: must be a decimal whole number, not abc"},
      {{"combine", "OUT", "-s", "0x10"}, 2, "--start: must be a decimal whole number, not 0x10"},
      {{"combine", "OUT", "--start", ""}, 2, "--start: must be a decimal whole number, not ''"},
      {{"combine", "OUT", "--start", "99999999999"},
       2,
       "--start: 99999999999 is out of range (at most 2147483647)"},
      {{"plot", "OUT", "--start", "3"}, 2, "--start requires --segments"},
  };
  for (const Row& row : rows) {
    const std::string out = folder_.File(row.args[0] == "plot" ? "out.svg" : "out.qutrack");
    std::vector<std::string> args = row.args;
    args[1] = out;
    args.insert(args.begin() + 1, sample_);
    const Outcome run = Qutrack(args);
    SCOPED_TRACE(row.says);
    EXPECT_EQ(run.status, row.status) << run.err;
    if (row.status == 0) {
      EXPECT_EQ(run.out.substr(0, run.out.find('\n')), row.says);
    } else if (row.status == 3) {
      ExpectOneErrorLine(run, row.says);
    } else {
      ExpectOneErrorLine(run, row.says + " (see 'qutrack --help')");
    }
    EXPECT_EQ(std::filesystem::exists(out), row.status == 0);
    std::filesystem::remove(out);
  }
}

TEST_F(CliTest, PlotOfALaterRunNamesItsSegments) {
  const std::string svg = folder_.File("later.svg");
  const Outcome run = Qutrack({"plot", sample_, svg, "-n", "3", "--start", "10"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(Slurp(svg).find(">sample.qutrack: segments 10 to 12 combined<"), std::string::npos);
}

TEST_F(CliTest, InfoDescribesTheFileAsJson) {
  const Outcome run = Qutrack({"info", sample_, "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto info = nlohmann::json::parse(run.out);
  EXPECT_EQ(info["tables"]["vertices"], 45);
  EXPECT_EQ(info["tables"].value("segments", -1), 44);
  EXPECT_EQ(info.value("bezierSegments", -1), 44);
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

// "/?" as the first argument: on Windows what --help in its place prints, as the system's own
// commands answer it; elsewhere no option, so that a subcommand or its IN is still missing.
TEST_F(CliTest, SlashQuestionIsHelpOnWindowsOnly) {
  for (const std::vector<std::string>& after : {std::vector<std::string>{}, {"info"}}) {
    std::vector<std::string> slash{"/?"}, help{"--help"};
    slash.insert(slash.end(), after.begin(), after.end());
    help.insert(help.end(), after.begin(), after.end());
    const Outcome run = Qutrack(slash);
#ifdef _WIN32
    EXPECT_EQ(run.status, 0) << after.size();
    EXPECT_EQ(run.out, Qutrack(help).out) << after.size();
    EXPECT_EQ(run.err, "") << after.size();
#else
    EXPECT_EQ(run.status, 2) << after.size();
    EXPECT_EQ(run.out, "") << after.size();
    EXPECT_EQ(run.err.rfind("error: ", 0), 0u) << run.err;
#endif
  }
}

// Hostile names, tags, counts and outputs. Each row: the input file's name and content, the
// arguments (IN and OUT stand for the input and an output in the test folder), where standard
// output goes, and what must hold afterwards.
// File names that are raw bytes, and a standard output that is a full device, exist only on
// POSIX systems; Windows names are UTF-16 and have neither.
#ifndef _WIN32
enum class Product { kNone, kText, kJson, kSvg, kStreamedSvg, kStreamedTrack };

// Where standard output goes: a new file, a full device, a file that already holds a line and
// is appended to, a pipe into a file; or a new file, with descriptor 3 appending to another, or
// open for reading and writing on IN; or appended to the track SAMPLE. Or a new file, with OUT
// made a FIFO that another process reads, a socket, or a block device.
enum class Output {
  kFile,
  kFull,
  kAppend,
  kPipe,
  kDescriptor3,
  kInputAsDescriptor3,
  kAppendToSample,
  kFifoOut,
  kSocketOut,
  kBlockDeviceOut
};

struct HostileRow {
  std::string fileName;
  std::string tag;  // an unrecognised top-level chunk appended to the sample; none when empty
  std::vector<std::string> args;  // SAMPLE stands for another track file in the folder
  Output output;
  int status;
  // What must read back: standard output as text or JSON, OUT as XML, or the picture or track
  // that went to the stream (standard output, or descriptor 3 with kDescriptor3).
  Product product;
  std::string says = {};  // text that standard output or standard error holds
  std::size_t cutTo = 0;  // the input's length when it is cut short; 0: the whole file
};

const std::string kEarlierLine = "an earlier line\n";

// Makes OUT the special file that the row's output asks for; false where the system refuses.
bool MakeSpecialOut(Output output, const std::string& out) {
  if (output == Output::kFifoOut) return mkfifo(out.c_str(), 0600) == 0;
  if (output == Output::kBlockDeviceOut) {
    return mknod(out.c_str(), S_IFBLK | 0600, makedev(7, 0)) == 0;  // a loop device's numbers
  }
  if (output != Output::kSocketOut) return true;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (out.size() >= sizeof address.sun_path) return false;
  out.copy(address.sun_path, out.size());
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound =
      listener >= 0 && bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (listener >= 0) close(listener);
  return bound;
}

// Runs qutrack as the row's output asks; the stream's product is returned in `streamed`.
Outcome RunWithOutput(const std::vector<std::string>& args, Output output,
                      const test::TempFolder& folder, const std::string& in,
                      const std::string& sample, std::string& streamed) {
  std::string command = Quote(QUTRACK_BINARY);
  for (const auto& a : args) command += " " + Quote(a);
  const std::string out = folder.File("stdout.txt"), err = folder.File("stderr.txt"),
                    status = folder.File("status.txt"), third = folder.File("fd3.txt"),
                    fifoOut = folder.File("out"), read = folder.File("read.txt");
  if (output == Output::kAppend)
    test::WriteBytes(out, test::Bytes(kEarlierLine.begin(), kEarlierLine.end()));
  if (output == Output::kDescriptor3)
    test::WriteBytes(third, test::Bytes(kEarlierLine.begin(), kEarlierLine.end()));
  switch (output) {
    case Output::kFile:
      command += " >" + Quote(out) + " 2>" + Quote(err);
      break;
    case Output::kFull:
      command += " >/dev/full 2>" + Quote(err);
      break;
    case Output::kAppend:
      command += " >>" + Quote(out) + " 2>" + Quote(err);
      break;
    case Output::kPipe:
      command = "{ " + command + " 2>" + Quote(err) + "; echo $? >" + Quote(status) +
                "; } | cat >" + Quote(out);
      break;
    case Output::kDescriptor3:
      command += " >" + Quote(out) + " 2>" + Quote(err) + " 3>>" + Quote(third);
      break;
    case Output::kInputAsDescriptor3:
      command += " >" + Quote(out) + " 2>" + Quote(err) + " 3<>" + Quote(in);
      break;
    case Output::kAppendToSample:
      command += " >>" + Quote(sample) + " 2>" + Quote(err);
      break;
    case Output::kFifoOut:
      // The reader is a process of its own; the shell waits for it before it reports.
      command = "timeout 20 cat " + Quote(fifoOut) + " >" + Quote(read) + " & " + command + " >" +
                Quote(out) + " 2>" + Quote(err) + "; status=$?; wait; exit $status";
      break;
    case Output::kSocketOut:
    case Output::kBlockDeviceOut:
      command += " >" + Quote(out) + " 2>" + Quote(err);
      break;
  }
  const int raw = std::system(command.c_str());
  Outcome run{ExitStatus(raw), Slurp(out), Slurp(err)};
  if (output == Output::kPipe) run.status = std::atoi(Slurp(status).c_str());
  streamed = output == Output::kDescriptor3 ? Slurp(third)
             : output == Output::kFifoOut   ? Slurp(read)
                                            : run.out;
  if (output == Output::kAppend || output == Output::kDescriptor3) {
    // What the stream held before stays in front of what was written.
    EXPECT_EQ(streamed.substr(0, kEarlierLine.size()), kEarlierLine);
    streamed.erase(0, kEarlierLine.size());
  }
  for (const std::string& file : {out, err, status, third, read}) std::filesystem::remove(file);
  return run;
}

bool LoadsAsATrack(const std::string& bytes) {
  TrackModel model;
  return ParseTrack({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, model)
      .ok();
}

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
  constexpr Output kFile = Output::kFile, kFull = Output::kFull, kAppend = Output::kAppend,
                   kPipe = Output::kPipe, kFd3 = Output::kDescriptor3;
  constexpr Product kNone = Product::kNone, kSvgStream = Product::kStreamedSvg,
                    kTrackStream = Product::kStreamedTrack;
  const std::string t = "t.qutrack";
  // A tag of three characters in four bytes: its offset stands where every other chunk's does.
  const std::string accented = "\xC3\xA9ZZ";
  const std::string alignedOffset = "\n    " + accented + std::string(14, ' ') + "offset";
  const std::vector<HostileRow> rows = {
      {latin1, "", {"info", "IN", "--json"}, kFile, 0, Product::kJson},
      {latin1, "", {"info", "IN"}, kFile, 0, Product::kText},
      {controls, "", {"info", "IN", "--json"}, kFile, 0, Product::kJson},
      {controls, "", {"info", "IN"}, kFile, 0, Product::kText},
      {"t.qutrack", "\xE9\xFF\x80Z", {"info", "IN", "--json"}, kFile, 0, Product::kJson},
      {"t.qutrack", "\xE9\xFF\x80Z", {"info", "IN"}, kFile, 0, Product::kText},
      {"t.qutrack", "\x1B[2J", {"info", "IN", "--json"}, kFile, 0, Product::kJson},
      {"t.qutrack", "\x1B[2J", {"info", "IN"}, kFile, 0, Product::kText},
      {latin1, "", {"plot", "IN", "OUT"}, kFile, 0, Product::kSvg},
      {controls, "", {"plot", "IN", "OUT", "-n", "3"}, kFile, 0, Product::kSvg},
      {controls, "", {"info", "IN.missing"}, kFile, 1, Product::kNone},
      {"t.qutrack", "", {"combine", "IN", "OUT", "-n", "-2147483648"}, kFile, 2, Product::kNone},
      {"t.qutrack", "", {"combine", "IN", "OUT", "-n", "0"}, kFile, 2, Product::kNone},
      {"t.qutrack", "", {"combine", "IN", "OUT", "-n", "-1"}, kFile, 2, Product::kNone},
      {"t.qutrack", "", {"plot", "IN", "OUT", "-n", "0"}, kFile, 2, Product::kNone},
      {"t.qutrack", "", {"info", "IN"}, kFull, 4, Product::kNone},
      {"t.qutrack", "", {"info", "IN", "--json"}, kFull, 4, Product::kNone},
      {"t.qutrack", "", {"combine", "IN", "OUT.qutrack"}, kFull, 4, Product::kNone},
      // A stream as OUT is written through, never replaced; nothing is made in /proc.
      {t, "", {"plot", "IN", "-"}, kFile, 0, kSvgStream},
      {t, "", {"plot", "IN", "/dev/stdout"}, kAppend, 0, kSvgStream},
      {t, "", {"plot", "IN", "/dev/stdout"}, kPipe, 0, kSvgStream},
      {t, "", {"plot", "IN", "/dev/fd/3", "-n", "3"}, kFd3, 0, kSvgStream},
      {t, "", {"normalize", "IN", "-"}, kFile, 0, kTrackStream},
      {t, "", {"normalize", "IN", "/proc/self/fd/3"}, kFd3, 0, kTrackStream},
      {t,
       "",
       {"combine", "IN", "/dev/stdout", "-n", "3"},
       kAppend,
       0,
       kTrackStream,
       "combined segments 0 to 2"},
      {t, "", {"plot", "IN", "/dev/fd/999"}, kFile, 4, kNone, "descriptor 999, which is not open"},
      // A device or a FIFO named as OUT is a stream too; a block device or a socket is refused.
      {t, "", {"normalize", "IN", "/dev/null"}, kFile, 0, kNone},
      {t, "", {"plot", "IN", "/dev/null", "-n", "3"}, kFile, 0, kNone},
      {t,
       "",
       {"combine", "IN", "/dev/full"},
       kFile,
       4,
       kNone,
       "error: cannot write to '/dev/full': no space left on device\n"},
      {t,
       "",
       {"combine", "IN", "OUT", "-n", "3"},
       Output::kFifoOut,
       0,
       kTrackStream,
       "combined segments 0 to 2"},
      {t, "", {"plot", "IN", "OUT"}, Output::kFifoOut, 0, kSvgStream},
      {t, "", {"normalize", "IN", "OUT"}, Output::kSocketOut, 4, kNone, "is a socket, not a file"},
      {t,
       "",
       {"combine", "IN", "OUT"},
       Output::kBlockDeviceOut,
       4,
       kNone,
       "is a block device, not a file"},
      // A picture is never written over a track, its own input or another, named or through a
      // stream that leads to it.
      {t, "", {"plot", "IN", "IN"}, kFile, 4, kNone, "is a track file"},
      {t, "", {"plot", "IN", "SAMPLE", "-n", "3"}, kFile, 4, kNone, "is a track file"},
      {t,
       "",
       {"plot", "IN", "/dev/fd/3"},
       Output::kInputAsDescriptor3,
       4,
       kNone,
       "'/dev/fd/3' is a track file"},
      {t,
       "",
       {"plot", "IN", "-"},
       Output::kAppendToSample,
       4,
       kNone,
       "standard output is a track file"},
      // Counts are decimal, whatever zeros lead them.
      {t, "", {"combine", "IN", "OUT.qutrack", "-n", "010"}, kFile, 0, kNone, "segments 0 to 9"},
      {t, "", {"combine", "IN", "OUT", "-n", "0x10"}, kFile, 2, kNone, "not 0x10"},
      {t, "", {"plot", "IN", "OUT", "-n", "99999999999"}, kFile, 2, kNone, "is out of range"},
      // Plain words and columns.
      {t, "", {"info", "IN"}, kFile, 1, kNone, "(1 byte needed, 0 left)", 8},
      {t, accented, {"info", "IN"}, kFile, 0, Product::kText, alignedOffset},
      {t, "", {"--version"}, kFile, 0, kNone, "qutrack " QU_VERSION "\n"},
      {t, "", {"--version"}, kFull, 4, kNone, "standard output: no space left on device"},
  };
  const test::Bytes sample = test::ReadBytes(sample_);
  for (const HostileRow& row : rows) {
    const std::string in = folder_.File(row.fileName), out = folder_.File("out");
    test::Bytes content = row.tag.empty() ? sample : WithUnknownChunk(sample, row.tag);
    if (row.cutTo > 0) content.resize(row.cutTo);
    test::WriteBytes(in, content);
    std::vector<std::string> args;
    for (const std::string& a : row.args) {
      args.push_back(a.starts_with("IN")    ? in + a.substr(2)
                     : a.starts_with("OUT") ? out + a.substr(3)
                     : a == "SAMPLE"        ? sample_
                                            : a);
    }
    if (!MakeSpecialOut(row.output, out)) {
      std::cout << "skipped a row: this system does not permit making its OUT\n";
      continue;
    }
    std::string streamed;
    const Outcome run = RunWithOutput(args, row.output, folder_, in, sample_, streamed);
    SCOPED_TRACE(DisplayText(row.fileName + " " + row.tag + " " + row.args[0] + " " +
                             row.args.back() + (row.output == kFull ? " >/dev/full" : "")));

    EXPECT_EQ(run.status, row.status) << run.err;
    const bool streamsTrack = row.product == Product::kStreamedTrack;
    if (row.status == 0 && !streamsTrack) {
      EXPECT_EQ(run.err, "");
    } else if (row.status != 0) {
      EXPECT_EQ(run.err.rfind("error: ", 0), 0u) << run.err;
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    }
    if (row.status == 2) {
      EXPECT_NE(run.err.find("--segments"), std::string::npos) << run.err;
    }
    EXPECT_NE((run.out + run.err).find(row.says), std::string::npos)
        << DisplayText(run.out + run.err);
    EXPECT_TRUE(IsSafeForTerminal(run.err)) << DisplayText(run.err);
    if (!streamsTrack) {
      EXPECT_TRUE(IsSafeForTerminal(run.out)) << DisplayText(run.out);
    }
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
    if (row.product == Product::kStreamedSvg) {
      EXPECT_TRUE(IsWellFormedXml(streamed)) << streamed.substr(0, 200);
    }
    if (streamsTrack) {
      EXPECT_TRUE(LoadsAsATrack(streamed));
    }
    // A stream, or a special file refused, never becomes a file beside it.
    const bool specialOut = row.output == Output::kFifoOut || row.output == Output::kSocketOut ||
                            row.output == Output::kBlockDeviceOut;
    if (row.product == kSvgStream || streamsTrack || specialOut) {
      EXPECT_FALSE(std::filesystem::exists(out + ".qutrack"));
    }
    for (const std::string& a : args) {
      if (a.starts_with("/dev/")) {
        EXPECT_FALSE(std::filesystem::exists(a + ".qutrack")) << a;
      }
    }
    // Nothing but OUT is ever written: not the input, not another track, nothing in the folder.
    EXPECT_EQ(test::ReadBytes(in), content);
    EXPECT_EQ(test::ReadBytes(sample_), sample);
    for (const std::string& name : folder_.Entries()) {
      EXPECT_TRUE(name == "sample.qutrack" || folder_.File(name) == in || name.starts_with("out"))
          << DisplayText(name);
    }
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    std::filesystem::remove(out + ".qutrack");
  }
}

// The developer tools take names to write; an option is answered or refused, never written.
TEST(DeveloperTools, HelpIsAnsweredAndOtherOptionsRefusedWithNothingWritten) {
  std::vector<std::string> tools = {MAKE_SAMPLE_BINARY, MAKE_CORPUS_BINARY};
#ifdef MAKE_SYNTHETIC_BINARY
  tools.push_back(MAKE_SYNTHETIC_BINARY);
#endif
  const std::pair<std::string, int> options[] = {{"--help", 0}, {"-h", 0}, {"--frobnicate", 2}};
  for (const std::string& tool : tools) {
    for (const auto& [option, status] : options) {
      test::TempFolder folder;
      const std::string out = folder.File("out.txt"), err = folder.File("err.txt");
      const int raw = std::system(("cd " + Quote(folder.path().string()) + " && " + Quote(tool) +
                                   " " + option + " >" + Quote(out) + " 2>" + Quote(err))
                                      .c_str());
      SCOPED_TRACE(tool + " " + option);
      EXPECT_EQ(ExitStatus(raw), status);
      EXPECT_NE(Slurp(status == 0 ? out : err).find("usage: "), std::string::npos);
      EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"err.txt", "out.txt"}));
    }
  }
}
#endif

}  // namespace
}  // namespace qu
