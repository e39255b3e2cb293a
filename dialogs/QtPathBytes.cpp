#include "dialogs/QtPathBytes.h"

#include <QDir>
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

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "/\\";
#else
constexpr const char* kSeparators = "/";
#endif

}  // namespace

std::string FileTitle(const std::string& bytes) {
  const std::size_t slash = bytes.find_last_of(kSeparators);
  return slash == std::string::npos ? bytes : bytes.substr(slash + 1);
}

std::string FolderOf(const std::string& bytes) {
  const std::size_t slash = bytes.find_last_of(kSeparators);
  return slash == std::string::npos ? std::string() : bytes.substr(0, slash + 1);
}

std::string NativePath(const std::string& bytes) {
#ifdef _WIN32
  return PathBytes(QDir::toNativeSeparators(PathText(bytes)));
#else
  return bytes;
#endif
}

}  // namespace qu
