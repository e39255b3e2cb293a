#include "app/FileNames.h"

#include <QByteArray>
#include <QMimeData>
#include <QUrl>
#include <climits>
#include <cstddef>
#include <filesystem>
#include <system_error>

#include "dialogs/QtPathBytes.h"
#include "text/DisplayText.h"
#include "trackio/FileAccess.h"

namespace qu {
namespace {

// The longest path the system opens in one piece, terminating NUL included.
#ifdef PATH_MAX
constexpr std::size_t kSystemPathMax = PATH_MAX;
#else
constexpr std::size_t kSystemPathMax = 4096;
#endif

}  // namespace

QString ShownText(const std::string& bytes) {
  return QString::fromStdString(DisplayText(bytes));
}

QString ShownFileName(const std::string& path) {
  return ShownText(FileTitle(path));
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::string absolute =
      Utf8FromPath(std::filesystem::absolute(PathFromUtf8(path), error).lexically_normal());
  return NativePath(error || absolute.size() >= kSystemPathMax ? path : absolute);
}

std::string DroppedFile(const QMimeData* data) {
  if (!data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile()) return {};
#ifdef _WIN32
  return PathBytes(url.toLocalFile());
#else
  // The URL's percent-encoded path is decoded to bytes, not to text, so a name that is not
  // UTF-8 still names its file.
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
#endif
}

}  // namespace qu
