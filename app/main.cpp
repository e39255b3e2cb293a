#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app/AppIcon.h"
#include "app/CommandLine.h"
#include "app/frmMain.h"
#include "dialogs/QtPathBytes.h"
#include "text/ConsoleWriter.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>
#endif

namespace {

// A window program on Windows starts without a console: the help, version and usage texts
// go to the console of the command prompt it was started from, when there is one.
void UseParentConsole() {
#ifdef _WIN32
  if (GetStdHandle(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
#endif
}

// Writes text to standard output or standard error: to a console in its own characters, to
// a file or a pipe as UTF-8 bytes.
bool Print(std::FILE* stream, const QString& text) {
  return qu::WriteText(stream, text.toStdString());
}

// Prints the help or version text and flushes it: a full disk or a closed standard output is
// reported with the system's reason and status 1, not taken for success.
int PrintAnswer(const QString& text) {
  errno = 0;
  const bool written = Print(stdout, text);
  const bool flushed = std::fflush(stdout) == 0;
  if (written && flushed) return 0;
  const int error = errno;
  std::string reason = error != 0 ? std::strerror(error) : "";
  if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z') {
    reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
  }
  if (!reason.empty()) reason.insert(0, ": ");
  qu::WriteText(stderr, "qu-vellumar: cannot write to standard output" + reason + "\n");
  return 1;
}

// Prints the help or version text and gives the exit status; nothing for a plain start.
std::optional<int> Answered(const qu::CommandLine& line) {
  if (line.action != qu::CommandLine::Action::kRun) UseParentConsole();
  switch (line.action) {
    case qu::CommandLine::Action::kRun:
      return std::nullopt;
    case qu::CommandLine::Action::kHelp:
    case qu::CommandLine::Action::kVersion:
      return PrintAnswer(line.text);
    case qu::CommandLine::Action::kUsageError:
      Print(stderr, line.text);
      return 2;
  }
  return std::nullopt;
}

// The arguments as text. On Windows the narrow arguments main receives are in the ANSI code
// page, which cannot hold every name, so they are read from the wide command line.
QStringList ArgumentTexts(int argc, char** argv) {
  QStringList texts;
#ifdef _WIN32
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) texts << QString::fromWCharArray(wide[i]);
    LocalFree(wide);
    return texts;
  }
#endif
  for (int i = 0; i < argc; ++i) texts << QString::fromLocal8Bit(argv[i]);
  return texts;
}

// The file argument as the bytes it was given in: a name that is not UTF-8 has no exact
// text form, and the bytes are what names the file. (Windows names are UTF-16 and always
// have one.)
std::string FileArgumentBytes([[maybe_unused]] int argc, [[maybe_unused]] char** argv,
                              const QString& file) {
#ifndef _WIN32
  for (int i = 1; i < argc; ++i) {
    if (QString::fromLocal8Bit(argv[i]) == file) return argv[i];
  }
#endif
  return qu::PathBytes(file);
}

}  // namespace

int main(int argc, char** argv) {
  // The arguments are read before the GUI starts, so that help, version and usage errors
  // need no display. Qt's own options (-platform, -style…) are therefore not accepted; its
  // environment variables (QT_QPA_PLATFORM, QT_STYLE_OVERRIDE…) still work.
  const qu::CommandLine line = qu::ParseCommandLine(ArgumentTexts(argc, argv));
  if (const std::optional<int> status = Answered(line)) return *status;

  QApplication app(argc, argv);
  QApplication::setApplicationName("QU-Vellumar");
  QApplication::setWindowIcon(qu::AppIcon());

  qu::frmMain window;
  window.show();
  if (!line.file.isEmpty()) window.OpenFile(FileArgumentBytes(argc, argv, line.file));
  return app.exec();
}
