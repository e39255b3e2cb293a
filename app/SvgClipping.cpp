#include "SvgClipping.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>
#include <optional>
#include <string_view>
#include <vector>

namespace qu {
namespace {

// The documents are long (mostly path data) and are only cut at element boundaries, so they
// are scanned tag by tag rather than parsed: in well-formed XML every "<" opens a tag, a
// comment, a processing instruction or a section, and a ">" inside a tag can only be within
// a quoted attribute value.
struct Tag {
  std::size_t begin = 0;  // of "<"
  std::size_t end = 0;    // past ">"
  std::string_view name;
  bool closing = false;      // "</name>"
  bool selfClosing = false;  // "<name …/>"
  bool markup = false;       // "<?…?>", "<!…>"
  std::string_view text;     // the whole tag
};

std::optional<Tag> NextTag(std::string_view svg, std::size_t from) {
  const std::size_t begin = svg.find('<', from);
  if (begin == std::string_view::npos) return std::nullopt;
  Tag tag;
  tag.begin = begin;
  char quote = 0;
  std::size_t i = begin + 1;
  for (; i < svg.size(); ++i) {
    const char c = svg[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      break;
    }
  }
  if (i >= svg.size()) return std::nullopt;
  tag.end = i + 1;
  tag.text = svg.substr(begin, tag.end - begin);
  tag.markup = tag.text.size() > 1 && (tag.text[1] == '?' || tag.text[1] == '!');
  tag.closing = tag.text.size() > 1 && tag.text[1] == '/';
  tag.selfClosing = !tag.markup && tag.text.size() > 2 && tag.text[tag.text.size() - 2] == '/';
  const std::size_t nameStart = begin + (tag.closing ? 2 : 1);
  std::size_t nameEnd = nameStart;
  while (nameEnd < tag.end - 1 && svg[nameEnd] != ' ' && svg[nameEnd] != '/' &&
         svg[nameEnd] != '>' && svg[nameEnd] != '\n' && svg[nameEnd] != '\t') {
    ++nameEnd;
  }
  tag.name = svg.substr(nameStart, nameEnd - nameStart);
  return tag;
}

// The value of an attribute of a start tag, or nothing.
std::optional<std::string_view> Attribute(std::string_view tag, std::string_view name) {
  for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
    const char before = tag[at - 1];
    const std::size_t eq = at + name.size();
    if ((before != ' ' && before != '\n' && before != '\t') || eq + 1 >= tag.size() ||
        tag[eq] != '=') {
      continue;
    }
    const char quote = tag[eq + 1];
    const std::size_t close = tag.find(quote, eq + 2);
    if (close == std::string_view::npos) return std::nullopt;
    return tag.substr(eq + 2, close - eq - 2);
  }
  return std::nullopt;
}

double Number(std::string_view tag, std::string_view name) {
  const auto value = Attribute(tag, name);
  return value ? QByteArray(value->data(), static_cast<qsizetype>(value->size())).toDouble() : 0;
}

// A document split into what draws unclipped and, for each clipped element, a document of
// that element alone (inside copies of its ancestors' start tags) with its clip rectangle.
struct SplitDocument {
  QByteArray unclipped;
  std::vector<std::pair<QByteArray, QRectF>> clipped;
};

SplitDocument Split(const QByteArray& bytes) {
  const std::string_view svg(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  QHash<QByteArray, QRectF> rects;
  SplitDocument split;
  std::vector<Tag> open;  // the start tags around the position
  std::optional<std::string_view> clipId;
  std::size_t copiedTo = 0;  // of svg into split.unclipped
  for (std::optional<Tag> tag = NextTag(svg, 0); tag; tag = NextTag(svg, tag->end)) {
    if (tag->markup) continue;
    if (tag->closing) {
      if (tag->name == "clipPath") clipId.reset();
      if (!open.empty()) open.pop_back();
      continue;
    }
    if (tag->name == "clipPath") clipId = Attribute(tag->text, "id");
    if (tag->name == "rect" && clipId) {
      rects.insert(QByteArray(clipId->data(), static_cast<qsizetype>(clipId->size())),
                   QRectF(Number(tag->text, "x"), Number(tag->text, "y"),
                          Number(tag->text, "width"), Number(tag->text, "height")));
    }
    const auto ref = Attribute(tag->text, "clip-path");
    const bool isUrl = ref && ref->size() > 6 && ref->substr(0, 5) == "url(#" && ref->back() == ')';
    const auto clip =
        isUrl
            ? rects.constFind(QByteArray(ref->data() + 5, static_cast<qsizetype>(ref->size() - 6)))
            : rects.constEnd();
    if (clip == rects.constEnd()) {
      if (!tag->selfClosing) open.push_back(*tag);
      continue;
    }
    // The clipped element runs to its matching end tag.
    std::size_t end = tag->end;
    for (int depth = tag->selfClosing ? 0 : 1; depth > 0;) {
      const std::optional<Tag> inner = NextTag(svg, end);
      if (!inner) return {bytes, {}};
      end = inner->end;
      if (!inner->markup && !inner->selfClosing) depth += inner->closing ? -1 : 1;
    }
    QByteArray alone;
    for (const Tag& ancestor : open) {
      alone.append(ancestor.text.data(), static_cast<qsizetype>(ancestor.text.size()));
    }
    alone.append(svg.data() + tag->begin, static_cast<qsizetype>(end - tag->begin));
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
      alone.append("</").append(it->name.data(), static_cast<qsizetype>(it->name.size()));
      alone.append('>');
    }
    split.clipped.emplace_back(std::move(alone), *clip);
    split.unclipped.append(svg.data() + copiedTo, static_cast<qsizetype>(tag->begin - copiedTo));
    copiedTo = end;
    tag->end = end;  // continue after the element
  }
  split.unclipped.append(svg.data() + copiedTo, static_cast<qsizetype>(svg.size() - copiedTo));
  return split;
}

// Where a viewBox lands in `target` when it keeps its aspect ratio and is centred.
QTransform ViewBoxToTarget(const QRectF& viewBox, const QRectF& target) {
  if (viewBox.isEmpty()) return {};
  const double scale =
      std::min(target.width() / viewBox.width(), target.height() / viewBox.height());
  const QPointF offset(target.x() + (target.width() - viewBox.width() * scale) / 2,
                       target.y() + (target.height() - viewBox.height() * scale) / 2);
  return QTransform::fromTranslate(-viewBox.x(), -viewBox.y()) *
         QTransform::fromScale(scale, scale) * QTransform::fromTranslate(offset.x(), offset.y());
}

}  // namespace

void RenderSvgClipped(const QByteArray& svg, QPainter& painter, const QRectF& target) {
  const SplitDocument split = Split(svg);
  QSvgRenderer unclipped(split.unclipped);
  unclipped.setAspectRatioMode(Qt::KeepAspectRatio);
  unclipped.render(&painter, target);
  const QTransform toTarget = ViewBoxToTarget(unclipped.viewBoxF(), target);
  for (const auto& [document, clip] : split.clipped) {
    QSvgRenderer renderer(document);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    painter.save();
    painter.setClipRect(toTarget.mapRect(clip), Qt::IntersectClip);
    renderer.render(&painter, target);
    painter.restore();
  }
}

}  // namespace qu
