#pragma once

#include <QString>
#include <string>

namespace qu {

// File names between Qt's text and the bytes the track library opens. On Windows the library
// takes UTF-8 and makes UTF-16 of it for the system; elsewhere a name is the bytes the system
// stores, which need not be UTF-8, so Qt's own file-name encoding is used in both directions.
std::string PathBytes(const QString& path);
QString PathText(const std::string& bytes);

// Whether something exists under the name those bytes give.
bool PathExists(const std::string& bytes);
// The name without its folder.
std::string FileTitle(const std::string& bytes);
// The folder of a path with the separator that ends it ("/home/a/" of "/home/a/b.qutrack");
// empty for a name without a folder.
std::string FolderOf(const std::string& bytes);
// The path with the system's own separators, as a user of the system writes it: on Windows,
// backslashes; elsewhere the path as it is.
std::string NativePath(const std::string& bytes);

}  // namespace qu
