#include "dialogs/QtPathBytes.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace qu {

std::string PathBytes(const QString& path) {
#ifdef _WIN32
  return path.toStdString();
#else
  return QFile::encodeName(path).toStdString();
#endif
}

QString PathText(const std::string& bytes) {
#ifdef _WIN32
  return QString::fromStdString(bytes);
#else
  return QFile::decodeName(QByteArray::fromStdString(bytes));
#endif
}

bool PathExists(const std::string& bytes) {
#ifdef _WIN32
  return QFileInfo::exists(PathText(bytes));
#else
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(bytes), error);
#endif
}

std::string FileTitle(const std::string& bytes) {
#ifdef _WIN32
  const char* const separators = "/\\";
#else
  const char* const separators = "/";
#endif
  const std::size_t slash = bytes.find_last_of(separators);
  return slash == std::string::npos ? bytes : bytes.substr(slash + 1);
}

}  // namespace qu
