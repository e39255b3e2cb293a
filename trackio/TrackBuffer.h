#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace qu {

// Every byte of a track file passes through one of these: the whole file while loading,
// exactly the bytes written so far while saving.
using TrackBuffer = std::vector<std::uint8_t>;

// The largest cursor the format can address: positions, counts and lengths are 32-bit signed.
inline constexpr std::int64_t kMaxTrackBytes = 2147483647;

// Big-endian 32-bit fields: a 4-byte copy and a byte swap, one instruction each, and over a
// run of fields a vector shuffle.
inline std::uint32_t BigEndianToNative(std::uint32_t value) {
  if constexpr (std::endian::native == std::endian::big) {
    return value;
  } else {
#if defined(_MSC_VER) && !defined(__clang__)
    return _byteswap_ulong(value);
#else
    return __builtin_bswap32(value);
#endif
  }
}

// Copies `words` 4-byte words from `from` to `to` and converts each between big-endian and
// native order (the same swap serves both directions). The two ranges must not overlap.
void ConvertBigEndianWords(const std::uint8_t* from, std::uint8_t* to, std::size_t words);

// Asks the system to back a large, newly allocated table with large pages, so that filling it
// takes one page fault per 2 MiB instead of one per 4 KiB. Only a hint: nothing changes where
// the system has no such pages.
void PreferLargePages(void* data, std::size_t bytes);

// Allocates room for `count` entries in a new, empty table before its memory is first touched.
template <class Table>
void ReserveTable(Table& table, std::int64_t count) {
  table.reserve(static_cast<std::size_t>(count));
  PreferLargePages(table.data(), table.capacity() * sizeof(typename Table::value_type));
}

// A record's byte layout is written once, as a template lambda over an I/O policy that
// reads it (TrackReader), writes it (TrackWriter) or counts its bytes (ByteCounter). Every
// policy offers the same field verbs:
//   Byte, Bool, Long, Single, Color   one field (a Bool reads any non-zero byte as true and
//                                     writes 255 or 0; a Color's first byte is not used)
//   Reserved(n)                       n bytes skipped on reading, written as zeros
//   LenientText / StrictText(what)    a length and the text; a length of zero or less reads
//                                     as the empty text, or a negative one, named `what`,
//                                     marks a corrupt file
//   Dimension(what)                   a grid dimension; a negative one marks a corrupt file
//   OpaqueBlock(length)               a length and that many bytes, not kept: skipped on
//                                     reading, written back as zeros
//   Singles(run)                      a run of singles
//   Count, Entries, Records           a table: its count, checked against the bytes left
//                                     before anything is allocated, and its entries, each
//                                     laid out by the function given. Records is for entries
//                                     of one fixed size that no field value changes: the
//                                     whole run is checked once and converted in one loop.
// A layout takes the record as RecordOf<IO, T>&: writable for the reader, const otherwise.
// Where the two directions really differ, the layout says so with `if constexpr (IO::kReads)`.
template <class IO, class T>
using RecordOf = std::conditional_t<IO::kReads, T, const T>;

// The bytes a layout produces for one record, and whether every record of its type has them.
struct LayoutShape {
  std::int64_t bytes = 0;
  bool fixed = true;
};

template <class Entry, class Fields>
constexpr LayoutShape ShapeOf(Fields = {});

// Counts the bytes a layout writes, without writing them.
class ByteCounter {
 public:
  static constexpr bool kReads = false;

  constexpr void Byte(std::uint8_t) { bytes_ += 1; }
  constexpr void Bool(bool) { bytes_ += 1; }
  constexpr void Long(std::int32_t) { bytes_ += 4; }
  constexpr void Single(float) { bytes_ += 4; }
  constexpr void Color(std::int32_t) { bytes_ += 4; }
  constexpr void Reserved(std::int64_t count) { bytes_ += count; }
  constexpr void LenientText(const std::string& text) {
    bytes_ += 4 + static_cast<std::int64_t>(text.size());
    fixed_ = false;
  }
  constexpr void StrictText(const std::string& text, std::string_view) { LenientText(text); }
  constexpr void Dimension(std::int32_t, std::string_view) { bytes_ += 4; }
  constexpr void OpaqueBlock(std::int32_t length) {
    bytes_ += 4 + (length > 0 ? length : 0);
    fixed_ = false;
  }
  constexpr void Singles(std::span<const float> run) {
    bytes_ += 4 * static_cast<std::int64_t>(run.size());
    fixed_ = false;
  }
  template <class Table>
  constexpr std::int32_t Count(const Table& table, std::int64_t, std::string_view) {
    bytes_ += 4;
    return static_cast<std::int32_t>(table.size());
  }
  template <class Table, class Fields>
  constexpr void Entries(const Table& table, std::int32_t, Fields fields) {
    for (const auto& entry : table) fields(*this, entry);
    fixed_ = false;
  }
  template <class Table, class Fields>
  constexpr void Records(const Table& table, std::int32_t, Fields) {
    bytes_ += ShapeOf<typename Table::value_type, Fields>().bytes *
              static_cast<std::int64_t>(table.size());
    fixed_ = false;
  }

  constexpr std::int64_t bytes() const { return bytes_; }
  constexpr LayoutShape shape() const { return {bytes_, fixed_}; }

 private:
  std::int64_t bytes_ = 0;
  bool fixed_ = true;
};

// The shape of an entry as laid out by `Fields` (a capture-less callable): for a fixed-size
// record its size, otherwise the size of its default (smallest) form.
template <class Entry, class Fields>
constexpr LayoutShape ShapeOf(Fields) {
  ByteCounter counter;
  Entry entry{};  // not const: a const string cannot be built in a constant expression here
  Fields{}(counter, std::as_const(entry));
  return counter.shape();
}

// Whether every entry laid out by `Fields` has one size, known while compiling. Entries that
// hold texts or tables never do (and such types cannot be built in a constant expression).
template <class Entry, class Fields>
constexpr bool kFixedSize = [] {
  if constexpr (std::is_trivially_copyable_v<Entry>) {
    return ShapeOf<Entry, Fields>().fixed;
  } else {
    return false;
  }
}();

// Bytes `fields` writes for `record`.
template <class Record, class Fields>
constexpr std::int64_t BytesOf(const Record& record, Fields fields) {
  ByteCounter counter;
  fields(counter, record);
  return counter.bytes();
}

// The field verbs over bytes whose bounds have been checked already: the one place where
// each field's encoding is written down. The checked reader and the writer below take a
// field's bytes and hand them to these.
class SpanDecoder {
 public:
  static constexpr bool kReads = true;
  explicit SpanDecoder(const std::uint8_t* at) : p_(at) {}
  void Byte(std::uint8_t& value) { value = *p_++; }
  void Bool(bool& value) { value = *p_++ != 0; }
  void Long(std::int32_t& value) { value = std::bit_cast<std::int32_t>(Next()); }
  // A bit copy, never arithmetic, so NaN payloads and negative zero survive.
  void Single(float& value) { value = std::bit_cast<float>(Next()); }
  void Color(std::int32_t& value) { value = static_cast<std::int32_t>(Next() & 0x00FFFFFFu); }
  void Reserved(std::int64_t count) { p_ += count; }
  void Singles(std::span<float> run) {
    ConvertBigEndianWords(p_, reinterpret_cast<std::uint8_t*>(run.data()), run.size());
    p_ += 4 * run.size();
  }

 private:
  std::uint32_t Next() {
    std::uint32_t value;
    std::memcpy(&value, std::exchange(p_, p_ + 4), 4);
    return BigEndianToNative(value);
  }
  const std::uint8_t* p_;
};

class SpanEncoder {
 public:
  static constexpr bool kReads = false;
  explicit SpanEncoder(std::uint8_t* at) : p_(at) {}
  void Byte(std::uint8_t value) { *p_++ = value; }
  void Bool(bool value) { *p_++ = value ? 0xFF : 0x00; }
  void Long(std::int32_t value) { Put(std::bit_cast<std::uint32_t>(value)); }
  void Single(float value) { Put(std::bit_cast<std::uint32_t>(value)); }
  // Only the low 24 bits are a colour; the first byte in the file is always 0.
  void Color(std::int32_t value) { Put(std::bit_cast<std::uint32_t>(value) & 0x00FFFFFFu); }
  void Reserved(std::int64_t count) {
    std::memset(p_, 0, static_cast<std::size_t>(count));
    p_ += count;
  }
  void Singles(std::span<const float> run) {
    ConvertBigEndianWords(reinterpret_cast<const std::uint8_t*>(run.data()), p_, run.size());
    p_ += 4 * run.size();
  }

 private:
  void Put(std::uint32_t value) {
    value = BigEndianToNative(value);
    std::memcpy(std::exchange(p_, p_ + 4), &value, 4);
  }
  std::uint8_t* p_;
};

// Where a reader gets the bytes of a file it does not hold whole: the next bytes in order.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Fills all of `into` with the file's next bytes; false, with the reason in `error`, when it
  // cannot.
  virtual bool Fill(std::span<std::uint8_t> into, std::string& error) = 0;
};

// Where a writer that streams puts each buffer load, in order; false, with the reason in
// `error`, when it cannot.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Put(std::span<const std::uint8_t> bytes, std::string& error) = 0;
};

// Reads big-endian fields from a byte span, or from a file through a window that it refills.
// The first failure sticks: later reads return zero and leave the cursor where it is, so a
// chunk reader is a straight run of reads checked once. Failures name the chunk being read
// and the byte offset of the field.
class TrackReader {
 public:
  static constexpr bool kReads = true;

  explicit TrackReader(std::span<const std::uint8_t> bytes)
      : window_(bytes.data()),
        windowEnd_(static_cast<std::int64_t>(bytes.size())),
        size_(windowEnd_) {}
  // Reads a file of `size` bytes from `source` through `window`, whose size (at least a few
  // hundred bytes) it keeps: the memory of earlier reads is used again.
  TrackReader(std::int64_t size, ByteSource& source, TrackBuffer& window);

  // The field verbs of a layout (see above). A failed read leaves zero, false or "".
  void Byte(std::uint8_t& value) { Decode(1, value, &SpanDecoder::Byte); }
  void Bool(bool& value) { Decode(1, value, &SpanDecoder::Bool); }
  void Long(std::int32_t& value) { Decode(4, value, &SpanDecoder::Long); }
  void Single(float& value) { Decode(4, value, &SpanDecoder::Single); }
  void Color(std::int32_t& value) { Decode(4, value, &SpanDecoder::Color); }
  void Reserved(std::int64_t count) { Skip(count); }
  void LenientText(std::string& text);
  void StrictText(std::string& text, std::string_view what);
  void Dimension(std::int32_t& value, std::string_view what);
  void OpaqueBlock(std::int32_t& length);
  // Reads `count` singles into a new, empty table.
  void Singles(std::vector<float>& run, std::int64_t count) {
    if (!Fits(4 * count)) return;
    ReserveTable(run, count);
    Run(count, 4, [&](const std::uint8_t* p, std::int64_t, std::int64_t n) {
      SpanDecoder(p).Singles(GrowBy(run, n));
    });
  }
  template <class Table>
  std::int32_t Count(Table&, std::int64_t minEntryBytes, std::string_view what) {
    return ReadCount(minEntryBytes, what);
  }
  // Reads `count` entries, stopping at the first failure. The count has been checked against
  // the bytes left, so reserving it up front is safe.
  template <class Table, class Fields>
  void Entries(Table& table, std::int32_t count, Fields fields) {
    ReserveTable(table, count);
    for (std::int32_t i = 0; i < count && !failed(); ++i) fields(*this, table.emplace_back());
  }
  // The table is sized once and filled in one loop over the run, checked as a whole.
  template <class Table, class Fields>
  void Records(Table& table, std::int32_t count, Fields fields) {
    static_assert(kFixedSize<typename Table::value_type, Fields>, "entries of one fixed size");
    constexpr LayoutShape shape = ShapeOf<typename Table::value_type, Fields>();
    if (!Fits(shape.bytes * count)) return;
    ReserveTable(table, count);
    Run(count, shape.bytes, [&](const std::uint8_t* p, std::int64_t done, std::int64_t n) {
      GrowBy(table, n);
      SpanDecoder decoder(p);
      for (auto* entry = table.data() + done; entry != table.data() + done + n; ++entry) {
        fields(decoder, *entry);
      }
    });
  }

  // The primitives, for code outside a layout.
  std::uint8_t ReadByte() { return Read(&TrackReader::Byte); }
  std::int32_t ReadLong() { return Read(&TrackReader::Long); }
  float ReadSingle() { return Read(&TrackReader::Single); }
  std::int32_t ReadColor() { return Read(&TrackReader::Color); }
  std::string ReadString(std::int32_t length);
  std::string ReadTag();  // upper-cased, so tags match whatever their case in the file
  void Skip(std::int64_t count);
  // An entry count that must be non-negative and whose entries, each at least
  // `minEntryBytes` long, must fit in the bytes left. Checked before anything is allocated.
  std::int32_t ReadCount(std::int64_t minEntryBytes, std::string_view what);
  // A count, length or dimension field, noted as one; a negative one, named by `what`, fails.
  std::int32_t ReadSizeField(std::string_view what);
  // The next bytes, up to `count` (at most a few), without moving the cursor.
  std::span<const std::uint8_t> Peek(std::int64_t count);

  // Notes the offset of a count, length or dimension field just about to be read, for tools
  // that want to know where a file's counts are.
  void NoteCountField() {
    if (countFields_) countFields_->push_back(cursor_);
  }
  void RecordCountFieldsInto(std::vector<std::int64_t>* sink) { countFields_ = sink; }

  // Names the chunk that later failures are reported in.
  void EnterChunk(std::string tag) { chunk_ = std::move(tag); }
  const std::string& chunk() const { return chunk_; }

  void Fail(std::string_view what, std::int64_t offset);
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  // Whether the failure was the source's, not the bytes'.
  bool sourceFailed() const { return sourceFailed_; }

  std::int64_t cursor() const { return cursor_; }
  std::int64_t remaining() const { return size_ - cursor_; }

 private:
  template <class T>
  void Decode(std::int64_t width, T& value, void (SpanDecoder::*verb)(T&)) {
    const std::uint8_t* p = Take(width);
    value = T{};
    if (p) (SpanDecoder(p).*verb)(value);
  }
  template <class T>
  T Read(void (TrackReader::*verb)(T&)) {
    T value{};
    (this->*verb)(value);
    return value;
  }
  // The bytes of the next field of `width` bytes, or nullptr after recording the failure.
  const std::uint8_t* Take(std::int64_t width) {
    if (width > windowEnd_ - cursor_ || failed()) return TakeSlowly(width);
    const std::uint8_t* field = window_ + (cursor_ - windowStart_);
    cursor_ += width;
    return field;
  }
  const std::uint8_t* TakeSlowly(std::int64_t width);
  // Whether `width` more bytes are there, recording the failure when they are not.
  bool Fits(std::int64_t width) {
    if (width <= remaining() && !failed()) return true;
    TakeFailed(width);
    return false;
  }
  const std::uint8_t* TakeFailed(std::int64_t width);
  // Appends `n` value-initialised entries to a table being filled piece by piece and gives
  // them: each piece is zeroed just before it is filled, while it is in the cache, rather than
  // the whole table in a pass of its own.
  template <class Table>
  static std::span<typename Table::value_type> GrowBy(Table& table, std::int64_t n) {
    const std::size_t done = table.size();
    table.resize(done + static_cast<std::size_t>(n));
    return std::span(table).subspan(done);
  }
  // Makes at least `width` bytes after the cursor readable in the window.
  bool Refill(std::int64_t width);
  // Hands `count` units of `unit` bytes that are known to be there to `use(bytes, done, n)`,
  // as many at a time as the window holds: all at once for bytes in memory.
  template <class Use>
  void Run(std::int64_t count, std::int64_t unit, Use use) {
    for (std::int64_t done = 0; done < count;) {
      if (windowEnd_ - cursor_ < unit && !Refill(unit)) return;
      const std::int64_t n = std::min(count - done, (windowEnd_ - cursor_) / unit);
      use(window_ + (cursor_ - windowStart_), done, n);
      cursor_ += n * unit;
      done += n;
    }
  }

  const std::uint8_t* window_;  // holds the bytes from windowStart_ to windowEnd_
  std::int64_t windowStart_ = 0;
  std::int64_t windowEnd_ = 0;
  std::int64_t size_;
  std::int64_t cursor_ = 0;
  ByteSource* source_ = nullptr;
  TrackBuffer* buffer_ = nullptr;
  bool sourceFailed_ = false;
  std::string chunk_ = "QUEN";
  std::string error_;
  std::vector<std::int64_t>* countFields_ = nullptr;
};

// Writes big-endian fields into a buffer that grows to hold the whole output, or that streams:
// each time it is full it is handed to a sink and filled again. Booleans are written as 255
// or 0.
class TrackWriter {
 public:
  static constexpr bool kReads = false;

  TrackWriter() = default;
  // Writes into `storage` from its start, reusing its memory.
  explicit TrackWriter(TrackBuffer storage) : bytes_(std::move(storage)) {}
  // Streams through `buffer` (its size is kept, at least a few hundred bytes) into `sink`.
  TrackWriter(TrackBuffer& buffer, ByteSink& sink);

  // Sizes the buffer up front when the final length is known, so no append reallocates.
  void Reserve(std::size_t bytes) {
    if (bytes <= bytes_.size()) return;
    ReserveTable(bytes_, static_cast<std::int64_t>(bytes));
    bytes_.resize(bytes);
  }

  // The field verbs of a layout (see above).
  void Byte(std::uint8_t value) { SpanEncoder(Room(1)).Byte(value); }
  void Bool(bool value) { SpanEncoder(Room(1)).Bool(value); }
  void Long(std::int32_t value) { SpanEncoder(Room(4)).Long(value); }
  void Single(float value) { SpanEncoder(Room(4)).Single(value); }
  void Color(std::int32_t value) { SpanEncoder(Room(4)).Color(value); }
  void Reserved(std::int64_t count) { WriteZeros(count); }
  void LenientText(const std::string& text) {
    Long(static_cast<std::int32_t>(text.size()));
    WriteString(text);
  }
  void StrictText(const std::string& text, std::string_view) { LenientText(text); }
  void Dimension(std::int32_t value, std::string_view) { Long(value); }
  void OpaqueBlock(std::int32_t length) {
    Long(length);
    WriteZeros(length);  // nothing for zero or less
  }
  void Singles(std::span<const float> run) {
    Run(run.size(), 4, [&](std::uint8_t* out, std::size_t done, std::size_t n) {
      SpanEncoder(out).Singles(run.subspan(done, n));
    });
  }
  template <class Table>
  std::int32_t Count(const Table& table, std::int64_t, std::string_view) {
    Long(static_cast<std::int32_t>(table.size()));
    return static_cast<std::int32_t>(table.size());
  }
  template <class Table, class Fields>
  void Entries(const Table& table, std::int32_t, Fields fields) {
    for (const auto& entry : table) fields(*this, entry);
  }
  template <class Table, class Fields>
  void Records(const Table& table, std::int32_t, Fields fields) {
    static_assert(kFixedSize<typename Table::value_type, Fields>, "entries of one fixed size");
    constexpr LayoutShape shape = ShapeOf<typename Table::value_type, Fields>();
    Run(table.size(), shape.bytes, [&](std::uint8_t* out, std::size_t done, std::size_t n) {
      SpanEncoder encoder(out);
      for (const auto* entry = table.data() + done; entry != table.data() + done + n; ++entry) {
        fields(encoder, *entry);
      }
    });
  }

  // The primitives, for code outside a layout.
  void WriteString(std::string_view text);
  void WriteTag(std::string_view tag) { WriteString(tag.substr(0, 4)); }
  void WriteZeros(std::int64_t count);

  // Bytes written so far.
  std::size_t cursor() const { return flushed_ + used_; }
  // The bytes written, when not streaming.
  TrackBuffer Take();
  // Streaming: hands the rest to the sink and gives the buffer back. False, with the
  // sink's reason in `error`, when any hand-over failed.
  bool Finish(TrackBuffer& buffer, std::string& error);

 private:
  // Space for the next `count` bytes, which the caller must fill.
  std::uint8_t* Room(std::size_t count) {
    if (count > bytes_.size() - used_) MakeRoom(count);
    std::uint8_t* out = bytes_.data() + used_;
    used_ += count;
    return out;
  }
  // Grows the buffer, or hands its contents to the sink, until `count` bytes fit.
  void MakeRoom(std::size_t count);
  // Hands `count` units of `unit` bytes to `fill(out, done, n)`, as many at a time as fit.
  template <class Fill>
  void Run(std::size_t count, std::size_t unit, Fill fill) {
    for (std::size_t done = 0; done < count;) {
      // Growing makes room for the whole run, streaming for at least one unit.
      MakeRoom(sink_ ? unit : unit * (count - done));
      const std::size_t n = std::min(count - done, (bytes_.size() - used_) / unit);
      fill(Room(n * unit), done, n);
      done += n;
    }
  }

  TrackBuffer bytes_;
  std::size_t used_ = 0;
  std::size_t flushed_ = 0;
  ByteSink* sink_ = nullptr;
  std::string sinkError_;
};

}  // namespace qu
