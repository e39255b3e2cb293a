// A libFuzzer mutator for the track targets that knows the chunk frame. Random bytes rarely
// keep a tag, a size that matches the bytes and the child counts right, so most of the time
// the input is loaded, taken apart into its chunk tree, changed inside that tree and written
// back with sizes and child counts that match, and the change lands in a chunk's fields.
// Otherwise, and for an input that does not load, libFuzzer's own byte mutations.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "trackio/TrackFile.h"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

using Bytes = std::vector<std::uint8_t>;
using Random = std::minstd_rand;

constexpr std::size_t kTagBytes = 4;
constexpr std::size_t kSizeBytes = 4;
constexpr std::size_t kHeaderBytes = 32;  // tag, size, version, 16 reserved, child count

constexpr std::array<const char*, 14> kKnownTags = {"TRCK", "INFO", "BEZR", "SEGM", "SUPP",
                                                    "FUND", "RASC", "FREN", "TUBE", "CATW",
                                                    "SCEN", "SCOB", "TERA", "ENVC"};

// Values that sit on the edges of the 32-bit fields: counts, lengths and singles alike.
constexpr std::array<std::uint32_t, 20> kEdgeWords = {0x00000000,
                                                      0x00000001 /* smallest subnormal */,
                                                      0x00000002,
                                                      0xFFFFFFFF,
                                                      0xFFFFFFFE,
                                                      0x7FFFFFFF,
                                                      0x80000000,
                                                      0x00007FFF,
                                                      0x00008000,
                                                      0x0000FFFF,
                                                      0x00010000,
                                                      0x7FC00000 /* NaN */,
                                                      0x7F800000 /* +inf */,
                                                      0xFF800000 /* -inf */,
                                                      0x00800000 /* smallest normal */,
                                                      0x007FFFFF /* largest subnormal */,
                                                      0x7F7FFFFF /* largest single */,
                                                      0x3F800000 /* 1 */,
                                                      0xBF800000 /* -1 */,
                                                      0x4E6E6B28 /* 1e9 */};

// One chunk: its tag, the bytes of its own fields after the size field (ending with the child
// count for a chunk the loader knows), where its count and length fields are in those bytes,
// and the chunks nested in it.
struct Node {
  std::array<std::uint8_t, kTagBytes> tag{};
  Bytes body;
  std::vector<std::size_t> countFields;
  std::vector<Node> children;
  bool recognised = false;
  int childCountError = 0;  // added to the true child count when written
};

// The file: its magic and header fields, its top-level chunks, and any bytes after them.
struct Tree {
  Node root;
  Bytes trailing;
};

std::uint32_t ReadWord(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void WriteWord(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 24);
  p[1] = static_cast<std::uint8_t>(value >> 16);
  p[2] = static_cast<std::uint8_t>(value >> 8);
  p[3] = static_cast<std::uint8_t>(value);
}

void AppendWord(Bytes& out, std::uint32_t value) {
  out.resize(out.size() + 4);
  WriteWord(out.data() + out.size() - 4, value);
}

// Takes the chunk tree of a file that loads apart, from the loader's own account of where
// each chunk starts and how many children it has: the chunks follow one another, each
// followed by its children, so a chunk's own fields end where the next chunk begins.
class TreeBuilder {
 public:
  TreeBuilder(const std::uint8_t* data, const qu::ChunkTrace& trace, std::size_t end)
      : data_(data), trace_(trace), end_(end) {}

  void Children(Node& parent, std::int64_t count) {
    for (std::int64_t i = 0; i < count && next_ < trace_.size(); ++i) {
      const qu::ChunkTraceEntry& entry = trace_[next_++];
      const auto start = static_cast<std::size_t>(entry.offset);
      const std::size_t ownEnd =
          next_ < trace_.size() ? static_cast<std::size_t>(trace_[next_].offset) : end_;
      Node node;
      std::copy_n(data_ + start, kTagBytes, node.tag.begin());
      const std::size_t bodyStart = start + kTagBytes + kSizeBytes;
      node.body.assign(data_ + bodyStart, data_ + std::max(ownEnd, bodyStart));
      node.recognised = entry.recognised;
      for (std::int64_t field : entry.countFields) {
        const auto at = static_cast<std::size_t>(field);
        if (at >= bodyStart && at + 4 <= ownEnd) node.countFields.push_back(at - bodyStart);
      }
      Children(node, entry.recognised ? entry.childCount : 0);
      parent.children.push_back(std::move(node));
    }
  }

 private:
  const std::uint8_t* data_;
  const qu::ChunkTrace& trace_;
  std::size_t end_;
  std::size_t next_ = 0;
};

bool BuildTree(const std::uint8_t* data, std::size_t size, Tree& tree) {
  static qu::TrackModel model;
  static qu::ChunkTrace trace;
  qu::TrackReader in({data, size});
  if (!qu::ParseTrack(in, model, &trace)) return false;
  const auto end = static_cast<std::size_t>(in.cursor());
  const std::size_t headerEnd = trace.empty() ? end : static_cast<std::size_t>(trace[0].offset);
  if (headerEnd != kHeaderBytes) return false;
  std::copy_n(data, kTagBytes, tree.root.tag.begin());
  tree.root.body.assign(data + kTagBytes + kSizeBytes, data + kHeaderBytes);
  tree.root.recognised = true;
  TreeBuilder(data, trace, end).Children(tree.root, model.header.ChildCount);
  tree.trailing.assign(data + end, data + size);
  return true;
}

// The trees of recent inputs: those of the corpus, which libFuzzer mutates again and again,
// and those this mutator wrote, which libFuzzer hands back for the next of its chained
// mutations. A tree written here is the tree as written, even where a change (a tag, a child
// count off by one) means that loading its bytes would now take them apart differently or
// fail: it stays a well-framed tree to mutate further. Parsing is the mutator's main cost.
struct Remembered {
  Bytes bytes;
  Tree tree;
};
constexpr std::size_t kRememberedTrees = 4096;
std::unordered_map<std::size_t, Remembered>& Memory() {
  static std::unordered_map<std::size_t, Remembered> memory;
  return memory;
}

std::size_t HashOf(const std::uint8_t* data, std::size_t size) {
  return std::hash<std::string_view>{}({reinterpret_cast<const char*>(data), size});
}

void Remember(Bytes bytes, Tree tree) {
  auto& memory = Memory();
  if (memory.size() >= kRememberedTrees) memory.clear();
  const std::size_t hash = HashOf(bytes.data(), bytes.size());
  memory.insert_or_assign(hash, Remembered{std::move(bytes), std::move(tree)});
}

// The tree remembered for the bytes, or, when `parse` allows, the tree parsed from them.
bool FindTree(const std::uint8_t* data, std::size_t size, Tree& tree, bool parse) {
  const auto found = Memory().find(HashOf(data, size));
  if (found != Memory().end() && found->second.bytes.size() == size &&
      std::equal(data, data + size, found->second.bytes.begin())) {
    tree = found->second.tree;
    return true;
  }
  if (!parse || !BuildTree(data, size, tree)) return false;
  Remember(Bytes(data, data + size), tree);
  return true;
}

// The bytes a chunk occupies after its size field, children included.
std::size_t SubtreeBytes(const Node& node) {
  std::size_t bytes = node.body.size();
  for (const Node& child : node.children) bytes += kTagBytes + kSizeBytes + SubtreeBytes(child);
  return bytes;
}

// Writes a chunk with a size that matches its bytes and, for a chunk the loader knows, the
// number of its children (off by the node's error) in its child-count field.
void WriteNode(const Node& node, Bytes& out) {
  out.insert(out.end(), node.tag.begin(), node.tag.end());
  AppendWord(out, static_cast<std::uint32_t>(SubtreeBytes(node)));
  const std::size_t body = out.size();
  out.insert(out.end(), node.body.begin(), node.body.end());
  if (node.recognised && node.body.size() >= 4) {
    const auto count = static_cast<std::int64_t>(node.children.size()) + node.childCountError;
    WriteWord(out.data() + body + node.body.size() - 4, static_cast<std::uint32_t>(count));
  }
  for (const Node& child : node.children) WriteNode(child, out);
}

Bytes WriteTree(const Tree& tree) {
  Bytes out;
  WriteNode(tree.root, out);
  out.insert(out.end(), tree.trailing.begin(), tree.trailing.end());
  return out;
}

std::size_t Pick(Random& random, std::size_t count) {
  return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
}

bool OneIn(Random& random, std::size_t n) {
  return Pick(random, n) == 0;
}

// Every chunk of the tree, the root first, in file order.
void Collect(Node& node, std::vector<Node*>& nodes) {
  nodes.push_back(&node);
  for (Node& child : node.children) Collect(child, nodes);
}

std::vector<Node*> AllNodes(Tree& tree) {
  std::vector<Node*> nodes;
  Collect(tree.root, nodes);
  return nodes;
}

// A chunk that may hold children: the root or one the loader knows.
Node* PickParent(Random& random, const std::vector<Node*>& nodes) {
  std::vector<Node*> parents;
  for (Node* node : nodes) {
    if (node->recognised) parents.push_back(node);
  }
  return parents[Pick(random, parents.size())];
}

bool Contains(const Node& tree, const Node* node) {
  if (&tree == node) return true;
  return std::any_of(tree.children.begin(), tree.children.end(),
                     [&](const Node& child) { return Contains(child, node); });
}

// Some bytes of a chunk's own fields set to an edge value, changed by libFuzzer, or
// (rarely) the chunk's tag changed.
bool MutateField(Random& random, Node& node, std::size_t maxGrowth) {
  if (node.body.empty()) return false;
  Bytes& body = node.body;
  switch (Pick(random, 4)) {
    case 0: {  // a 4-byte field to an edge value, at a field boundary or anywhere
      if (body.size() < 4) return false;
      std::size_t at = Pick(random, body.size() - 3);
      if (!OneIn(random, 4)) at -= at % 4;
      WriteWord(body.data() + at, kEdgeWords[Pick(random, kEdgeWords.size())]);
      return true;
    }
    case 1: {  // a single nudged by a unit in its last place, or its sign flipped
      if (body.size() < 4) return false;
      const std::size_t at = Pick(random, body.size() / 4) * 4;
      const std::uint32_t word = ReadWord(body.data() + at);
      const std::uint32_t changed =
          OneIn(random, 3) ? word ^ 0x80000000u : word + (OneIn(random, 2) ? 1u : 0xFFFFFFFFu);
      WriteWord(body.data() + at, changed);
      return true;
    }
    case 2: {  // libFuzzer's byte mutations, inside this chunk's own fields only
      const std::size_t size = body.size();
      body.resize(size + maxGrowth);
      body.resize(LLVMFuzzerMutate(body.data(), size, size + maxGrowth));
      // The bytes may have moved: a count field is known no more where they changed size.
      if (body.size() != size) node.countFields.clear();
      return true;
    }
    default: {  // the tag: another known one, a letter's case, or any bytes
      const std::size_t how = Pick(random, 3);
      if (how == 0) {
        std::memcpy(node.tag.data(), kKnownTags[Pick(random, kKnownTags.size())], kTagBytes);
      } else if (how == 1) {
        node.tag[Pick(random, kTagBytes)] ^= 0x20;
      } else {
        node.tag[Pick(random, kTagBytes)] = static_cast<std::uint8_t>(Pick(random, 256));
      }
      return true;
    }
  }
}

// A count or length field changed. Half the time the entries it counts are grown or shrunk
// to match, by an entry size guessed from the bytes between this field and the next (a
// text's characters are one byte each).
bool MutateCount(Random& random, Node& node, std::size_t maxGrowth) {
  if (node.countFields.empty()) return false;
  const std::size_t pick = Pick(random, node.countFields.size());
  const std::size_t at = node.countFields[pick];
  if (at + 4 > node.body.size()) return false;
  const std::int64_t old = static_cast<std::int32_t>(ReadWord(node.body.data() + at));
  std::int64_t value = old;
  switch (Pick(random, 6)) {
    case 0:
      value = old + 1;
      break;
    case 1:
      value = old - 1;
      break;
    case 2:
      value = 0;
      break;
    case 3:
      value = old * 2;
      break;
    case 4:
      value = old + 1 + static_cast<std::int64_t>(Pick(random, 16));
      break;
    default:
      value = static_cast<std::int32_t>(kEdgeWords[Pick(random, kEdgeWords.size())]);
      break;
  }
  value = std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX);
  WriteWord(node.body.data() + at, static_cast<std::uint32_t>(value));
  if (OneIn(random, 2) || old < 0 || value < 0) return true;

  // The bytes from after this field to the next count field, or to the 16 reserved bytes and
  // the child count that end every table chunk.
  const std::size_t from = at + 4;
  std::size_t to = node.body.size() >= 20 ? node.body.size() - 20 : node.body.size();
  for (std::size_t other : node.countFields) {
    if (other > at) to = std::min(to, other);
  }
  std::size_t unit = 1;
  if (old > 0 && to > from && (to - from) % static_cast<std::size_t>(old) == 0 &&
      !OneIn(random, 4)) {
    unit = (to - from) / static_cast<std::size_t>(old);
  }
  std::size_t delta = 0;
  if (value > old) {
    delta = static_cast<std::size_t>(value - old) * unit;
    if (delta > maxGrowth) return true;
    // New entries as copies of the first one, or zeros when there is none.
    Bytes added(delta);
    if (old > 0 && from + unit <= node.body.size()) {
      for (std::size_t i = 0; i < delta; ++i) added[i] = node.body[from + i % unit];
    }
    node.body.insert(node.body.begin() + static_cast<std::ptrdiff_t>(from), added.begin(),
                     added.end());
  } else {
    delta = static_cast<std::size_t>(old - value) * unit;
    if (from + delta > node.body.size()) return true;
    node.body.erase(node.body.begin() + static_cast<std::ptrdiff_t>(from),
                    node.body.begin() + static_cast<std::ptrdiff_t>(from + delta));
  }
  // The fields after this one move with the bytes; one that the erasure cut away is gone.
  std::vector<std::size_t> moved;
  for (std::size_t other : node.countFields) {
    if (other <= at) {
      moved.push_back(other);
    } else if (value > old) {
      moved.push_back(other + delta);
    } else if (other >= from + delta) {
      moved.push_back(other - delta);
    }
  }
  node.countFields = std::move(moved);
  return true;
}

// One change to the tree: a field, a count, a chunk dropped, duplicated, moved to another
// parent or swapped with a sibling, or a child count written off by one.
bool MutateTree(Random& random, Tree& tree, std::size_t maxGrowth) {
  const std::vector<Node*> nodes = AllNodes(tree);
  Node& node = *nodes[Pick(random, nodes.size())];
  switch (Pick(random, 8)) {
    case 0:
    case 1:
      return MutateField(random, node, maxGrowth);
    case 2:
    case 3:
      return MutateCount(random, node, maxGrowth);
    case 4: {  // a child count off by one
      if (!node.recognised) return false;
      node.childCountError = OneIn(random, 2) ? 1 : -1;
      return true;
    }
    default: {
      Node& parent = *PickParent(random, nodes);
      if (parent.children.empty()) return false;
      const std::size_t index = Pick(random, parent.children.size());
      const auto at = parent.children.begin() + static_cast<std::ptrdiff_t>(index);
      const std::size_t how = Pick(random, 4);
      if (how == 0) {  // dropped
        parent.children.erase(at);
      } else if (how == 1) {  // duplicated next to itself
        if (SubtreeBytes(*at) + kTagBytes + kSizeBytes > maxGrowth) return false;
        Node copy = *at;
        parent.children.insert(at, std::move(copy));
      } else if (how == 2) {  // swapped with a sibling
        std::swap(*at, parent.children[Pick(random, parent.children.size())]);
      } else {  // moved to another parent, never into itself
        Node moved = std::move(*at);
        parent.children.erase(at);
        std::vector<Node*> targets;
        for (Node* candidate : AllNodes(tree)) {
          if (candidate->recognised) targets.push_back(candidate);
        }
        Node& target = *targets[Pick(random, targets.size())];
        target.children.insert(target.children.begin() + static_cast<std::ptrdiff_t>(Pick(
                                                             random, target.children.size() + 1)),
                               std::move(moved));
      }
      return true;
    }
  }
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
  Random random(seed);
  Tree tree;
  // Parsing costs as much as a run of the round-trip target: new bytes are parsed only half
  // the time.
  if (OneIn(random, 4) || !FindTree(data, size, tree, OneIn(random, 2))) {
    return LLVMFuzzerMutate(data, size, maxSize);
  }
  bool changed = false;
  const std::size_t steps = 1 + Pick(random, 3);
  for (std::size_t i = 0; i < steps; ++i) {
    const std::size_t used =
        SubtreeBytes(tree.root) + kTagBytes + kSizeBytes + tree.trailing.size();
    changed |= MutateTree(random, tree, maxSize > used ? maxSize - used : 0);
  }
  Bytes out = WriteTree(tree);
  if (!changed || out.size() > maxSize || out.empty()) return LLVMFuzzerMutate(data, size, maxSize);
  const std::size_t written = out.size();
  std::memcpy(data, out.data(), written);
  Remember(std::move(out), std::move(tree));
  return written;
}
