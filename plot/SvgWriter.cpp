#include "plot/SvgWriter.h"

#include <array>
#include <cmath>
#include <vector>

#include "plot/XmlWriter.h"

namespace qu::plot {
namespace {

// Writes strokes as SVG path data: "M x y L x y x y …", a point that rounds to the same
// coordinates as the one written before it left out.
class PathData {
 public:
  void Add(const std::vector<Point2>& stroke) {
    for (std::size_t i = 0; i < stroke.size(); ++i) {
      if (i == 0) {
        Write(stroke[i], "M");
      } else if (Rounded(stroke[i]) != last_) {
        Write(stroke[i], lineStarted_ ? nullptr : "L");
      }
    }
  }
  const std::string& text() const { return d_; }

 private:
  static std::array<long long, 2> Rounded(const Point2& p) {
    return {std::llround(p.x * 10.0), std::llround(p.y * 10.0)};
  }
  void Write(const Point2& p, const char* command) {
    if (!d_.empty()) d_ += ' ';
    if (command) d_ += command;
    AppendNumber(d_, p.x);
    d_ += ' ';
    AppendNumber(d_, p.y);
    last_ = Rounded(p);
    lineStarted_ = command == nullptr || command[0] == 'L';
  }

  std::string d_;
  std::array<long long, 2> last_{};
  bool lineStarted_ = false;
};

const char* AnchorName(Anchor anchor) {
  return anchor == Anchor::kEnd ? "end" : "start";
}

void WriteText(XmlWriter& xml, const Text& text) {
  xml.WithText("text",
               {{"x", text.at.x},
                {"y", text.at.y},
                {"font-size", text.size},
                {"text-anchor", AnchorName(text.anchor)},
                {"fill", XmlWriter::Hex{text.colour}}},
               text.text);
}

// The dash pattern of a dashed line; none for a solid one.
XmlWriter::Value Dashes(const LineLook& look) {
  static const std::string dashes = [] {
    std::string text;
    AppendNumber(text, kDashOn);
    text += ' ';
    AppendNumber(text, kDashOff);
    return text;
  }();
  return look.dashed ? XmlWriter::Value(dashes) : XmlWriter::Value::None();
}

void WritePolyline(XmlWriter& xml, const Polyline& line) {
  PathData data;
  for (const auto& stroke : line.strokes) data.Add(stroke);
  if (data.text().empty()) return;
  const LineLook look = LookOf(line.style);
  xml.Empty("path", {{"d", data.text()},
                     {"fill", "none"},
                     {"stroke", XmlWriter::Hex{look.colour}},
                     {"stroke-width", look.width},
                     {"stroke-linejoin", "round"},
                     {"stroke-dasharray", Dashes(look)}});
}

void WriteCircle(XmlWriter& xml, const Circle& circle) {
  const XmlWriter::Value fill =
      circle.fill ? XmlWriter::Value(XmlWriter::Hex{*circle.fill}) : XmlWriter::Value("none");
  xml.Empty("circle", {{"cx", circle.centre.x},
                       {"cy", circle.centre.y},
                       {"r", circle.radius},
                       {"fill", fill},
                       {"stroke", XmlWriter::Hex{circle.outline}}});
}

void WriteFrame(XmlWriter& xml, const Drawing& drawing, const Frame& frame) {
  const std::string clipId = frame.name + "-frame";
  const std::string clipRef = "url(#" + clipId + ")";
  const Box& box = frame.box;
  xml.Start("g", {{"id", frame.name}});
  xml.Start("clipPath", {{"id", clipId}});
  xml.Empty("rect",
            {{"x", box.min.x}, {"y", box.min.y}, {"width", box.width()}, {"height", box.height()}});
  xml.End();
  xml.Empty("rect", {{"x", box.min.x},
                     {"y", box.min.y},
                     {"width", box.width()},
                     {"height", box.height()},
                     {"fill", XmlWriter::Hex{drawing.frameFill}},
                     {"stroke", XmlWriter::Hex{drawing.frameOutline}},
                     {"stroke-width", drawing.frameOutlineWidth}});
  WriteText(xml, frame.label);
  xml.Start("g", {{"clip-path", clipRef}});
  for (const Polyline& line : frame.lines) WritePolyline(xml, line);
  for (const Circle& circle : frame.marks) WriteCircle(xml, circle);
  xml.End();
  xml.End();
}

void WriteLegend(XmlWriter& xml, const Drawing& drawing) {
  xml.Start("g", {{"id", "legend"}});
  for (const LegendEntry& entry : drawing.legend) {
    const LineLook look = LookOf(entry.style);
    xml.Empty("line", {{"x1", entry.from.x},
                       {"y1", entry.from.y},
                       {"x2", entry.to.x},
                       {"y2", entry.to.y},
                       {"stroke", XmlWriter::Hex{look.colour}},
                       {"stroke-width", entry.width},
                       {"stroke-dasharray", Dashes(look)}});
    WriteText(xml, entry.label);
  }
  if (drawing.deviation) WriteText(xml, *drawing.deviation);
  WriteText(xml, drawing.axisNote);
  xml.End();
}

}  // namespace

std::string WriteSvg(const Drawing& drawing) {
  XmlWriter xml;
  std::string viewBox = "0 0 ";
  AppendNumber(viewBox, drawing.width);
  viewBox += ' ';
  AppendNumber(viewBox, drawing.height);
  xml.Start("svg", {{"xmlns", "http://www.w3.org/2000/svg"},
                    {"width", drawing.width},
                    {"height", drawing.height},
                    {"viewBox", viewBox},
                    {"preserveAspectRatio", "xMidYMid meet"},
                    {"font-family", "sans-serif"}});
  xml.Empty("rect", {{"width", drawing.width},
                     {"height", drawing.height},
                     {"fill", XmlWriter::Hex{drawing.background}}});
  WriteText(xml, drawing.title);
  for (const Frame& frame : drawing.frames) WriteFrame(xml, drawing, frame);
  WriteLegend(xml, drawing);
  return xml.Finish();
}

}  // namespace qu::plot
