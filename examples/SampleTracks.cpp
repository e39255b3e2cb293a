#include "examples/SampleTracks.h"

#include <cmath>
#include <string>

namespace qu::samples {
namespace {

Vector3 Lerp(const Vector3& a, const Vector3& b, float t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

Vector3 Offset(const Vector3& p, const Vector3& from, const Vector3& to, float scale) {
  return {p.x + (to.x - from.x) * scale, p.y + (to.y - from.y) * scale,
          p.z + (to.z - from.z) * scale};
}

// Key points of the sample ride, y up: station, lift, crest, drop, a turn, the way back.
std::vector<Vector3> SampleRidePoints() {
  const std::vector<Vector3> keys = {
      {0, 2, 0},   {8, 2.5f, 7},   {19, 4, 9},  {30, 7, 4},  {40, 14, 0}, {50, 22, 0},
      {58, 26, 0}, {64, 26.5f, 0}, {70, 21, 0}, {76, 11, 0}, {82, 4, 1},  {90, 3, 4},
      {97, 5, 11}, {100, 7, 20},   {97, 8, 29}, {90, 8, 36}, {80, 7, 40}, {66, 6, 42},
      {50, 5, 41}, {34, 4, 37},    {20, 3, 29}, {9, 2, 18},  {2, 2, 8}};
  std::vector<Vector3> points;
  for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
    points.push_back(keys[i]);
    points.push_back(Lerp(keys[i], keys[i + 1], 0.5f));
  }
  points.push_back(keys.back());
  return points;
}

TrackSegment SampleSegment(std::int32_t type, std::int32_t index) {
  TrackSegment s;
  s.segmentType = type;
  s.color1 = 0xC02020;
  s.color2 = 0x303030;
  s.color3 = 0xE0E0E0;
  s.segFlag1 = index % 2 == 0;
  s.segFlag2 = false;
  switch (type) {
    case 1:  // station
      s.type1 = {1.5f,  2.0f,  0.5f, 12.0f, true, 30.0f, 2,    4,   1,
                 false, 0.25f, 0.5f, 0.75f, true, 8.0f,  1.0f, 3.0f};
      break;
    case 2:  // lift
      s.type2 = {3.0f, 0.8f, 1.2f, 1, true, false};
      break;
    case 3:  // brakes
      s.type3 = {6.0f, 2.5f, 0.0f, 2, false, true};
      break;
    case 4:  // booster
      s.type4 = {true, false, 9.0f, 12.0f, 1.5f, true, 0.5f, 0.25f, 4.0f, 2.0f, false, true};
      break;
    default:
      break;
  }
  return s;
}

std::int32_t SampleSegmentType(std::size_t index, std::size_t count) {
  if (index < 4) return 1;           // station
  if (index < 12) return 2;          // lift hill
  if (index + 4 >= count) return 3;  // brakes before the station
  if (index == 20) return 4;         // booster after the turn
  return 0;
}

void FillSupports(TrackModel& m, const std::vector<BezierVertex>& vertices) {
  for (std::size_t i = 4; i < vertices.size(); i += 3) {
    FundEntry e;
    e.Point = {vertices[i].position.x, 0.0f, vertices[i].position.z};
    e.FlagA = true;
    e.ValueA = 0.4f;
    e.FlagB = i % 2 == 0;
    e.ValueB = vertices[i].position.y;
    m.fund.Entries.push_back(e);
  }
  m.rasc.Entries = {{2, {{1, 0.5f}, {2, 1.5f}}}, {0, {}}, {1, {{7, 3.25f}}}};
  m.fren.Points = {{50, 0, -2}, {58, 0, -2}, {64, 0, -2}};
  m.tube.Entries = {{1, 2, 3, 4, 5, 6, 7, 8, 0.3f}, {11, 12, 13, 14, 15, 16, 17, 18, 0.6f}};
  m.catw.Entries = {{1, 0, 4, 9, 0, 1, 8}, {2, 1, 5, 10, 1, 0, 0}};
}

void FillScenery(TrackModel& m) {
  for (int i = 0; i < 6; ++i) {
    m.scen.Entries.push_back({{-8.0f + 20.0f * static_cast<float>(i), 0.0f, -10.0f},
                              static_cast<float>(i) * 0.5f,
                              i % 3});
  }
  ScobEntry oak{"oak tree", "scenery/oak.mesh", {1, 0, 0}, {0, 1, 0},
                {0, 0, 1},  {30, 0, -12},       {1, 1, 1}};
  ScobEntry hut{"station hut", "scenery/hut.mesh", {0, 0, 1}, {0, 1, 0},
                {-1, 0, 0},    {10, 0, -6},        {2, 2, 2}};
  m.scob.Entries = {oak, hut};
}

void FillTerrain(TeraChunk& t) {
  t.TeraPresent = true;
  t.Columns = 8;
  t.Rows = 6;
  t.ValueA = 16.0f;
  t.ValueB = 0.5f;
  t.TextA = "grass";
  t.ValueC = 1.0f;
  t.TextB = "rock";
  t.ValueD = 0.25f;
  t.Flag = true;
  t.TextC = "sand";
  t.ValueE = 2.0f;
  t.ByteValue = 3;
  for (std::int32_t row = 0; row < t.Rows; ++row) {
    for (std::int32_t column = 0; column < t.Columns; ++column) {
      t.Grid.push_back(0.5f * std::sin(0.8f * static_cast<float>(column)) +
                       0.25f * static_cast<float>(row));
    }
  }
}

}  // namespace

std::vector<BezierVertex> SmoothVertices(const std::vector<Vector3>& points) {
  std::vector<BezierVertex> vertices(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vector3& before = points[i == 0 ? 0 : i - 1];
    const Vector3& after = points[i + 1 == points.size() ? i : i + 1];
    const float scale = (i == 0 || i + 1 == points.size()) ? 1.0f / 3.0f : 1.0f / 6.0f;
    vertices[i].position = points[i];
    vertices[i].controlOut = Offset(points[i], before, after, scale);
    vertices[i].controlIn = Offset(points[i], after, before, scale);
    vertices[i].auxValue = 0.0f;
  }
  return vertices;
}

TrackModel MakeSampleTrack() {
  TrackModel m;
  m.trck.TrackValue1 = 1;
  m.trck.ColorSets = {{true, {0xC02020, 0x303030, 0xE0E0E0, 0x2040C0}, "Main colours"},
                      {false, {0x20A020, 0x101010, 0xFFFFFF, 0x808080}, "Station"}};
  m.trck.TrackValue2 = 2;
  m.trck.TrackColors = {0xC02020, 0x303030, 0xE0E0E0, 0x2040C0,
                        0x20A020, 0x101010, 0xFFFFFF, 0x808080};
  m.info.InfoText = "Sample ride: station, lift hill, drop and a turn back.";

  m.bezr.Vertices = SmoothVertices(SampleRidePoints());
  for (std::size_t i = 0; i < m.bezr.Vertices.size(); ++i) {
    m.bezr.Vertices[i].auxValue = static_cast<float>(i % 4) * 0.25f;
    m.bezr.Vertices[i].flag1 = i < 4;
    m.bezr.Vertices[i].flag2 = i % 5 == 0;
  }
  const std::size_t segmentCount = m.bezr.Vertices.size() - 1;
  for (std::size_t i = 0; i < segmentCount; ++i) {
    m.segm.Segments.push_back(
        SampleSegment(SampleSegmentType(i, segmentCount), static_cast<std::int32_t>(i)));
  }
  m.segm.SegmentsFlag = true;

  FillSupports(m, m.bezr.Vertices);
  FillScenery(m);
  FillTerrain(m.tera);
  m.envc.TextA = "sky/summer_day";
  m.envc.TextB = "ambience/park";
  return m;
}

std::vector<BezierVertex> MakeSmoothPath(std::int32_t vertexCount) {
  std::vector<Vector3> points;
  for (std::int32_t i = 0; i < vertexCount; ++i) {
    const float t = static_cast<float>(i) * 0.35f;
    points.push_back({40.0f * std::cos(t * 0.21f) + 3.0f * t, 10.0f + 6.0f * std::sin(t * 0.7f),
                      40.0f * std::sin(t * 0.17f)});
  }
  return SmoothVertices(points);
}

TrackModel MakeSyntheticTrack(const SyntheticSizes& sizes) {
  TrackModel m = MakeSampleTrack();
  m.bezr.Vertices = MakeSmoothPath(sizes.vertices);
  m.segm.Segments.clear();
  for (std::int32_t i = 0; i < sizes.segments; ++i)
    m.segm.Segments.push_back(SampleSegment(i % 6, i));
  m.fund.Entries.assign(static_cast<std::size_t>(sizes.sceneryEntries), m.fund.Entries.front());
  m.scen.Entries.assign(static_cast<std::size_t>(sizes.sceneryEntries), m.scen.Entries.front());
  m.scob.Entries.assign(static_cast<std::size_t>(sizes.sceneryEntries), m.scob.Entries.front());
  m.tera.Columns = sizes.gridColumns;
  m.tera.Rows = sizes.gridRows;
  m.tera.Grid.assign(
      static_cast<std::size_t>(sizes.gridColumns) * static_cast<std::size_t>(sizes.gridRows), 0.0f);
  for (std::size_t i = 0; i < m.tera.Grid.size(); ++i)
    m.tera.Grid[i] = static_cast<float>(i % 977) * 0.01f;
  return m;
}

}  // namespace qu::samples
