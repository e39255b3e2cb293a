#include "cli/OutputTarget.h"

#include <cstdint>
#include <iostream>
#include <optional>

#include "text/DisplayText.h"
#include "trackio/FileAccess.h"

namespace qu::cli {
namespace {

struct Stream {
  FileHandle handle;
  std::string label;  // how a reason names it
};

// The stream OUT names, if it names one; a named descriptor that is not open is refused.
Status FindStream(const std::string& out, std::optional<Stream>& stream) {
  stream.reset();
  if (out == "-") {
    stream = Stream{StandardOutput(), "standard output"};
    return {};
  }
  std::optional<FileHandle> named;
  if (Status status = FindStreamNamedBy(out, named); !status) return status;
  if (named) stream = Stream{*named, "'" + out + "'"};
  return {};
}

}  // namespace

bool NamesStream(const std::string& out) {
  return out == "-" || DescriptorNamedBy(out).has_value();
}

bool NamesStandardOutput(const std::string& out) {
  return out == "-" || DescriptorNamedBy(out) == 1;
}

Status SaveTrackTo(const std::string& out, TrackModel& model, TrackFiles& files) {
  std::optional<Stream> stream;
  if (Status status = FindStream(out, stream); !status) return status;
  if (stream) return files.SaveToStream(stream->handle, stream->label, model);
  return files.Save(out, model);
}

Status WritePicture(const std::string& out, std::string_view svg) {
  std::optional<Stream> stream;
  if (Status status = FindStream(out, stream); !status) return status;
  const FileWriteBody write = [&](ByteSink& sink) {
    std::string error;  // the file layer keeps its own reason
    sink.Put({reinterpret_cast<const std::uint8_t*>(svg.data()), svg.size()}, error);
  };
  if (stream) return WriteToStream(stream->handle, stream->label, write);
  if (BeginsLikeATrack(out)) {
    return Status::Failure("'" + out + "' is a track file; a picture is never written over one");
  }
  return WriteFileAtomically(out, write);
}

void NoteSavedName(const std::string& out) {
  if (NamesStream(out) || SavePathFor(out) == out) return;
  std::cerr << "note: saved as " << DisplayText(SavePathFor(out)) << "\n";
}

}  // namespace qu::cli
