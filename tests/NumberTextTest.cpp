#include <gtest/gtest.h>

#include <cmath>

#include "app/NumberText.h"

namespace qu {
namespace {

TEST(NumberText, ReadsTheLeadingNumber) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"2", 2},       {" -3", -3},  {"3 Segments", 3},   {"1 2", 12},
      {"2x", 2},      {"2.5", 2.5}, {"+4", 4},           {"", 0},
      {"abc", 0},     {"-", 0},     {".5", 0.5},         {"5.", 5},
      {"1.2.3", 1.2}, {"1e2", 100}, {"1E+2x", 100},      {"2e", 2},
      {"2e-", 2},     {"\t7\n", 7}, {"&H10", 0},         {"&o17", 0},
      {"1,5", 1},     {"0x10", 0},  {"1e400", INFINITY}, {"-1e400", -INFINITY},
      {"1e-400", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(NumberText, RoundsHalvesToEven) {
  const std::pair<double, double> table[] = {{1.5, 2},   {2.5, 2},    {3.5, 4},      {-0.5, -0.0},
                                             {-1.5, -2}, {2.4999, 2}, {0.5000001, 1}};
  for (const auto& [x, rounded] : table) EXPECT_EQ(RoundHalfEven(x), rounded) << x;
}

TEST(NumberText, LastSegmentFromTypedCounts) {
  struct Case {
    const char* text;
    std::optional<int> last;
  };
  const Case cases[] = {
      {"2", 1},
      {"1", 0},
      {" -3", 2},
      {"3 Segments", 2},
      {"1 2", 11},
      {"2.5", 2},
      {"3.5", 2},
      {"4.5", 4},
      {"", -1},
      {"abc", -1},
      {"0", -1},
      {"99999", std::nullopt},
      {"32768", 32767},
      {"32769", std::nullopt},
      {"1e400", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LastSegmentFromText(c.text), c.last) << '"' << c.text << '"';
}

}  // namespace
}  // namespace qu
