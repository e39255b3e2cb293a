#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "plot/Drawing.h"

namespace qu::plot {

// A number as the pictures write it: rounded to a tenth, without a trailing ".0". Written with
// std::to_chars, so the process's locale never changes it.
void AppendNumber(std::string& out, double value);

// Text as XML character data or an attribute value: its display form (DisplayText: valid
// UTF-8 without control characters), then the markup characters escaped.
std::string EscapedText(std::string_view text);

// Writes an XML document one element at a time, each on its own line. Every attribute value
// and every text is escaped, and every number goes through AppendNumber; element and
// attribute names are the caller's constants.
class XmlWriter {
 public:
  // A colour, written as #RRGGBB.
  struct Hex {
    Colour colour;
  };

  // An attribute's value: text, a number or a colour; or none, and the attribute is left out.
  class Value {
   public:
    Value(std::string_view text) : kind_(Kind::kText), text_(text) {}
    Value(const std::string& text) : Value(std::string_view(text)) {}
    Value(const char* text) : Value(std::string_view(text)) {}
    Value(double number) : kind_(Kind::kNumber), number_(number) {}
    Value(Hex colour) : kind_(Kind::kColour), colour_(colour.colour) {}
    static Value None() { return Value(); }
    bool present() const { return kind_ != Kind::kNone; }
    void AppendTo(std::string& out) const;

   private:
    Value() = default;
    enum class Kind { kNone, kText, kNumber, kColour };
    Kind kind_ = Kind::kNone;
    std::string_view text_;
    double number_ = 0.0;
    Colour colour_ = 0;
  };

  struct Attribute {
    std::string_view name;
    Value value;
  };
  using Attributes = std::initializer_list<Attribute>;

  // Starts the document with its XML declaration.
  XmlWriter();

  // An element that holds others, up to the matching End().
  void Start(std::string_view name, Attributes attributes = {});
  void End();
  // An element with no content.
  void Empty(std::string_view name, Attributes attributes);
  // An element that holds one text.
  void WithText(std::string_view name, Attributes attributes, std::string_view text);

  // The document, every element still open closed.
  std::string Finish();

 private:
  void Tag(std::string_view name, Attributes attributes);

  std::string out_;
  std::vector<std::string_view> open_;
};

}  // namespace qu::plot
