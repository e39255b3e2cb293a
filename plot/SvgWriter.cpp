#include "plot/SvgWriter.h"

#include <array>
#include <charconv>
#include <cmath>

#include "text/DisplayText.h"

namespace qu::plot {
namespace {

template <class Number>
void AppendChars(std::string& out, Number value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out.append(text, end);
}

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
  xml.Empty("rect", {{"x", box.min.x}, {"y", box.min.y}, {"width", box.width()},
                     {"height", box.height()}});
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

void AppendNumber(std::string& out, double value) {
  if (!(std::fabs(value) < 1e15)) {  // far off the page, or not a number
    char text[400];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
    out.append(text, end);
    return;
  }
  long long tenths = std::llround(value * 10.0);
  if (tenths < 0) {
    out += '-';
    tenths = -tenths;
  }
  AppendChars(out, tenths / 10);
  if (tenths % 10 != 0) {
    out += '.';
    out += static_cast<char>('0' + tenths % 10);
  }
}

std::string EscapedText(std::string_view text) {
  std::string out;
  for (char c : DisplayText(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void XmlWriter::Value::AppendTo(std::string& out) const {
  switch (kind_) {
    case Kind::kNone:
      break;
    case Kind::kText:
      out += EscapedText(text_);
      break;
    case Kind::kNumber:
      AppendNumber(out, number_);
      break;
    case Kind::kColour: {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      out += '#';
      for (int shift = 20; shift >= 0; shift -= 4) out += kDigits[(colour_ >> shift) & 0xF];
      break;
    }
  }
}

XmlWriter::XmlWriter() : out_("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") {}

void XmlWriter::Tag(std::string_view name, Attributes attributes) {
  out_ += '<';
  out_ += name;
  for (const Attribute& attribute : attributes) {
    if (!attribute.value.present()) continue;
    out_ += ' ';
    out_ += attribute.name;
    out_ += "=\"";
    attribute.value.AppendTo(out_);
    out_ += '"';
  }
}

void XmlWriter::Start(std::string_view name, Attributes attributes) {
  Tag(name, attributes);
  out_ += ">\n";
  open_.push_back(name);
}

void XmlWriter::End() {
  if (open_.empty()) return;
  out_ += "</";
  out_ += open_.back();
  out_ += ">\n";
  open_.pop_back();
}

void XmlWriter::Empty(std::string_view name, Attributes attributes) {
  Tag(name, attributes);
  out_ += "/>\n";
}

void XmlWriter::WithText(std::string_view name, Attributes attributes, std::string_view text) {
  Tag(name, attributes);
  out_ += '>';
  out_ += EscapedText(text);
  out_ += "</";
  out_ += name;
  out_ += ">\n";
}

std::string XmlWriter::Finish() {
  while (!open_.empty()) End();
  return std::move(out_);
}

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
