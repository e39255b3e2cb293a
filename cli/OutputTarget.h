#pragma once

#include <string>
#include <string_view>

#include "trackio/Status.h"
#include "trackio/TrackFile.h"

namespace qu::cli {

// OUT of a subcommand names a stream rather than a file: "-" for standard output, a path that
// names one of the process's open descriptors (/dev/stdout, /dev/fd/3), or a character device or
// FIFO named as it is (/dev/null). A stream is written as it is, as the bytes are made, and never
// replaced; no extension is added to it.
bool NamesStream(const std::string& out);
// Whether OUT is standard output, which then carries the product and no report.
bool NamesStandardOutput(const std::string& out);

// Saves the track to OUT: through the stream, or to the file (".qutrack" appended unless it
// ends so) by the crash-safe save.
Status SaveTrackTo(const std::string& out, TrackModel& model, TrackFiles& files);
// Writes a picture to OUT: through the stream, or to the file by the crash-safe save. A file
// that is a track, or the command's `input`, is never written over, whether OUT names it or a
// stream leads to it, nor is a file whose first bytes cannot be read to tell.
Status WritePicture(const std::string& out, const std::string& input, std::string_view svg);

// Says on standard error which file a save to OUT wrote, when it is not OUT itself.
void NoteSavedName(const std::string& out);

}  // namespace qu::cli
