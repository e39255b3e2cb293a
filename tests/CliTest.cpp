// The qutrack command line, run as a user would: exit statuses, messages, files written.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

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

  Outcome Qutrack(const std::vector<std::string>& args) const {
    std::string command = Quote(QUTRACK_BINARY);
    for (const auto& a : args) command += " " + Quote(a);
    const std::string out = folder_.File("stdout.txt"), err = folder_.File("stderr.txt");
    const int raw =
        std::system(ShellCommand(command + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
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

  run = Qutrack({"combine", sample_, out, "-n", "0"});
  EXPECT_EQ(run.status, 3);

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
  EXPECT_EQ(info["tables"]["segments"], 44);
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

TEST_F(CliTest, EverySubcommandHasHelp) {
  for (const char* command : {"normalize", "info", "combine", "plot"}) {
    const Outcome run = Qutrack({command, "--help"});
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_NE(run.out.find("Usage:"), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace qu
