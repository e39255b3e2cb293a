#pragma once

#include <QString>
#include <string>

class QMimeData;

namespace qu {

// File names between the window and the track library: the bytes a name is opened by, and
// the text it is shown as.

// Bytes from a file name or a file as text for the screen: valid UTF-8 as it is, any other
// byte and every control character shown as \xNN.
QString ShownText(const std::string& bytes);
// The name of the file a path leads to, without its folder, as shown.
QString ShownFileName(const std::string& path);

// The path with its folder, so that the dialogs start there, and with the system's own
// separators; the path as given when its absolute form would be too long for the system to
// open (a relative name from a working folder that deep still opens, as it does on the
// command line).
std::string AbsolutePath(const std::string& path);

// The local file of a drag that carries exactly one, as the bytes of its name; empty for any
// other drag.
std::string DroppedFile(const QMimeData* data);

}  // namespace qu
