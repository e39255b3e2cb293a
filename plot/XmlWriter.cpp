#include "plot/XmlWriter.h"

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

}  // namespace qu::plot
