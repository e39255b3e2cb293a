#include "app/CommandLine.h"

#include <QCommandLineParser>

#ifndef QU_VERSION
#error "QU_VERSION must be defined by the build"
#endif

namespace qu {
namespace {

// On Windows "/?" as the first argument asks for the help, as it does of the system's own
// programs; elsewhere it is a file name like any other.
QStringList WithHelpSwitchRead(QStringList arguments) {
#ifdef _WIN32
  if (arguments.size() > 1 && arguments[1] == "/?") arguments[1] = "--help";
#endif
  return arguments;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  // "-platform" is one unknown option, not eight unknown letters.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription("Reshape a run of a roller-coaster track's Bezier path.");
  // Qt's own help option would also offer --help-all, the help on Qt's options, which this
  // program does not take.
  const QCommandLineOption help({"h", "help"}, "Displays this help.");
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument("FILE", "The track file (.qutrack) to load at start.", "[FILE]");

  CommandLine line;
  if (!parser.parse(WithHelpSwitchRead(arguments))) {
    line.action = CommandLine::Action::kUsageError;
    line.text = "qu-vellumar: " + parser.errorText() + "\n";
  } else if (parser.isSet(help)) {
    line.action = CommandLine::Action::kHelp;
    // Without an application object the parser does not know the program's name.
    line.text = parser.helpText().replace("<executable_name>", "qu-vellumar");
  } else if (parser.isSet(version)) {
    line.action = CommandLine::Action::kVersion;
    line.text = QString("qu-vellumar %1\n").arg(QU_VERSION);
  } else if (parser.positionalArguments().size() > 1) {
    line.action = CommandLine::Action::kUsageError;
    line.text = "qu-vellumar: one track file at most\n";
  } else if (!parser.positionalArguments().isEmpty()) {
    line.file = parser.positionalArguments().constFirst();
  }
  return line;
}

}  // namespace qu
