#include "cli/OutputTarget.h"

#include <cstdint>
#include <iostream>
#include <optional>
#include <utility>

#include "text/DisplayText.h"
#include "trackio/FileAccess.h"

namespace qu::cli {
namespace {

// A stream that OUT names. One that was opened here by its name (a device or a FIFO) is closed
// when it goes.
class Stream {
 public:
  Stream(FileHandle handle, std::string label, bool opened)
      : handle(handle), label(std::move(label)), opened_(opened) {}
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ~Stream() {
    if (opened_) (void)RealFileOps().Close(handle);
  }

  const FileHandle handle;
  const std::string label;  // how a reason names it

 private:
  const bool opened_;
};

// The stream OUT names, if it names one: standard output, one of the process's descriptors, or a
// character device or FIFO named as it is. A named descriptor that is not open, a block device
// and a socket are refused.
Status FindStream(const std::string& out, std::optional<Stream>& stream) {
  stream.reset();
  if (out == "-") {
    stream.emplace(StandardOutput(), "standard output", false);
    return {};
  }
  std::optional<FileHandle> named;
  if (Status status = FindStreamNamedBy(out, named); !status) return status;
  if (named) {
    stream.emplace(*named, "'" + out + "'", false);
    return {};
  }
  if (Status status = OpenDeviceNamedBy(out, named); !status) return status;
  if (named) stream.emplace(*named, "'" + out + "'", true);
  return {};
}

std::string TrackFileRefusal(const std::string& label) {
  return label + " is a track file; a picture is never written over one";
}

// A stream that leads to a regular file is checked as a file is: a picture is never written
// over a track, and never over the input, whatever the stream's first bytes.
Status RefuseTrackStream(const Stream& stream, const std::string& input) {
  FileInfo target, read;
  if (!RealFileOps().InspectOpen(stream.handle, target) &&
      !RealFileOps().Inspect(PathFromUtf8(input), read) && SameFile(target, read)) {
    return Status::Failure(TrackFileRefusal(stream.label));
  }
  bool isTrack = false;
  if (Status status = BeginsLikeATrack(stream.handle, stream.label, isTrack); !status) {
    return status;
  }
  return isTrack ? Status::Failure(TrackFileRefusal(stream.label)) : Status();
}

}  // namespace

bool NamesStream(const std::string& out) {
  if (out == "-" || DescriptorNamedBy(out)) return true;
  FileInfo info;
  return !RealFileOps().Inspect(PathFromUtf8(out), info) &&
         (info.kind == FileInfo::Kind::kCharacterDevice || info.kind == FileInfo::Kind::kFifo);
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

Status WritePicture(const std::string& out, const std::string& input, std::string_view svg) {
  std::optional<Stream> stream;
  if (Status status = FindStream(out, stream); !status) return status;
  const FileWriteBody write = [&](ByteSink& sink) {
    std::string error;  // the file layer keeps its own reason
    sink.Put({reinterpret_cast<const std::uint8_t*>(svg.data()), svg.size()}, error);
  };
  if (stream) {
    if (Status status = RefuseTrackStream(*stream, input); !status) return status;
    return WriteToStream(stream->handle, stream->label, write);
  }
  bool isTrack = false;
  if (Status status = BeginsLikeATrack(out, isTrack); !status) return status;
  if (isTrack) return Status::Failure(TrackFileRefusal("'" + out + "'"));
  return WriteFileAtomically(out, write);
}

void NoteSavedName(const std::string& out) {
  if (NamesStream(out) || SavePathFor(out) == out) return;
  std::cerr << "note: saved as " << DisplayText(SavePathFor(out)) << "\n";
}

}  // namespace qu::cli
