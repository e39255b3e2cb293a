#pragma once

#include <QString>
#include <QStringList>

namespace qu {

// What the program was asked to do by its arguments: qu-vellumar [--help] [--version] [FILE].
struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  QString file;  // kRun: the track to load at start, or empty
  QString text;  // kHelp and kVersion: what to print; kUsageError: the one line for stderr
};

// Parses the arguments, the program's name first. Needs no application object, so Qt's own
// options are unknown options here. On Windows "/?" as the first argument is --help.
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace qu
