// The SVG writer's pictures read back with an XML parser: well-formed, with a group and a
// path for each frame and polyline of the drawing.
#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <map>

#include "examples/SampleTracks.h"
#include "geometry/SegmentMerge.h"
#include "plot/SvgWriter.h"
#include "plot/TrackPlot.h"

namespace qu::plot {
namespace {

struct SvgSummary {
  bool wellFormed = false;
  std::map<std::string, int> pathsInGroup;  // by the id of the enclosing named group
  int texts = 0;
  QString viewBox;
};

SvgSummary Read(const std::string& svg) {
  SvgSummary summary;
  QXmlStreamReader xml(QByteArray::fromStdString(svg));
  std::vector<std::string> groups;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      const QString name = xml.name().toString();
      if (name == "svg") summary.viewBox = xml.attributes().value("viewBox").toString();
      if (name == "g") groups.push_back(xml.attributes().value("id").toString().toStdString());
      if (name == "text") ++summary.texts;
      if (name == "path") {
        for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
          if (!it->empty()) {
            ++summary.pathsInGroup[*it];
            break;
          }
        }
      }
    } else if (xml.isEndElement() && xml.name().toString() == "g") {
      groups.pop_back();
    }
  }
  summary.wellFormed = !xml.hasError();
  return summary;
}

TEST(PlotSvg, APlainTrackHasTwoViewsOfOneCurveEach) {
  const auto vertices = samples::MakeSampleTrack().bezr.Vertices;
  SvgSummary svg = Read(WriteSvg(DrawTrack(vertices, "sample <&> \"quoted\"")));
  ASSERT_TRUE(svg.wellFormed);
  EXPECT_EQ(svg.viewBox, "0 0 800 400");
  EXPECT_EQ(svg.pathsInGroup["plan"], 1);
  EXPECT_EQ(svg.pathsInGroup["elevation"], 1);
  EXPECT_GE(svg.texts, 4);
}

TEST(PlotSvg, ACombineShowsBeforeAfterAndTheTwoHandles) {
  const auto vertices = samples::MakeSampleTrack().bezr.Vertices;
  const CombinedCopy combined = CombineCopyOfRun(vertices, {0, 3});
  ASSERT_TRUE(combined.combined);
  SvgSummary svg = Read(WriteSvg(DrawTrack(vertices, "sample", &*combined.combined)));
  ASSERT_TRUE(svg.wellFormed);
  EXPECT_EQ(svg.pathsInGroup["plan"], 3 + 2);  // rest, before, after; two handles
  EXPECT_EQ(svg.pathsInGroup["elevation"], 3);
  EXPECT_EQ(svg.pathsInGroup["legend"], 0);
}

TEST(PlotSvg, DegenerateTracksStillGiveWellFormedPictures) {
  for (std::size_t count : {0u, 1u, 2u}) {
    std::vector<BezierVertex> vertices(count);
    EXPECT_TRUE(Read(WriteSvg(DrawTrack(vertices, "empty"))).wellFormed) << count;
  }
  std::vector<BezierVertex> broken = samples::MakeSampleTrack().bezr.Vertices;
  broken[5].position.x = NAN;
  EXPECT_TRUE(Read(WriteSvg(DrawTrack(broken, "nan"))).wellFormed);
  EXPECT_TRUE(Read(WriteSvg(DrawTrack(broken, "\xFF\xFE\x01<"))).wellFormed);
}

}  // namespace
}  // namespace qu::plot
