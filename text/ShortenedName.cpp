#include "text/ShortenedName.h"

#include <cctype>
#include <vector>

#include "text/DisplayText.h"

namespace qu {
namespace {

// A character of UTF-8 text, or an escaped byte (`\xNN`, four characters) taken whole.
struct Piece {
  std::size_t start = 0;  // byte offset
  std::size_t characters = 1;
};

std::vector<Piece> PiecesOf(std::string_view text) {
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < text.size();) {
    const bool escape = text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
                        std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
                        std::isxdigit(static_cast<unsigned char>(text[i + 3]));
    pieces.push_back({i, escape ? 4u : 1u});
    if (escape) {
      i += 4;
      continue;
    }
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return pieces;
}

}  // namespace

std::string ShortenedName(std::string_view name, std::size_t characters) {
  const std::string shown = DisplayText(name);
  const std::vector<Piece> pieces = PiecesOf(shown);
  std::size_t total = 0;
  for (const Piece& piece : pieces) total += piece.characters;
  if (total <= characters) return shown;
  // The start and the end share what the ellipsis leaves, the end taking the odd one (it
  // holds the extension); whole pieces only, so an escape may leave them a little shorter.
  const std::size_t room = characters > 0 ? characters - 1 : 0;
  const std::size_t headRoom = room / 2, tailRoom = room - headRoom;
  std::size_t head = 0, used = 0;
  while (head < pieces.size() && used + pieces[head].characters <= headRoom) {
    used += pieces[head++].characters;
  }
  std::size_t tail = pieces.size();
  used = 0;
  while (tail > head && used + pieces[tail - 1].characters <= tailRoom) {
    used += pieces[--tail].characters;
  }
  const auto startOf = [&](std::size_t piece) {
    return piece < pieces.size() ? pieces[piece].start : shown.size();
  };
  return shown.substr(0, startOf(head)) + "\u2026" + shown.substr(startOf(tail));
}

}  // namespace qu
