// The window's memory while counts are typed into its preview: preview_memory TRACK [COUNT…]
// loads TRACK into the real window (headless), shows the preview and waits for its picture,
// then types each COUNT key by key (default: ten counts up to 6553), waiting for the picture
// of each. Prints the memory the process holds after loading (resident set) and the most it
// held while the counts were typed (the kernel's high-water mark, reset after loading), in MiB,
// and their ratio. Linux only: it reads /proc/self.
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/frmMain.h"

namespace {

// A field of /proc/self/status in MiB ("VmRSS", "VmHWM").
double StatusMiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
  }
  return -1;
}

// Starts the high-water mark again from the present resident set.
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: preview_memory TRACK [COUNT...]\n");
    return 2;
  }
  QStringList counts;
  for (int i = 2; i < argc; ++i) counts << QString::fromLocal8Bit(argv[i]);
  if (counts.isEmpty()) {
    counts = {"2", "3", "10", "44", "100", "500", "1000", "3000", "6000", "6553"};
  }

  qu::frmMain window;
  window.show();
  QSignalSpy updated(&window, &qu::frmMain::previewUpdated);
  window.OpenFile(QString::fromLocal8Bit(argv[1]));
  window.SetPreviewShown(true);
  if (!updated.wait(60000)) return 1;
  QTest::qWait(200);  // any re-render for the panel's size
  const double held = StatusMiB("VmRSS");
  if (!ResetPeak()) return 1;

  auto* text = window.findChild<QLineEdit*>("Text1");
  for (const QString& count : counts) {
    text->selectAll();
    QTest::keyClicks(text, count);
    // The picture of the whole count: earlier ones are dropped.
    while (window.previewContent().segments != count.toInt()) {
      if (!updated.wait(60000)) return 1;
    }
  }
  const double peak = StatusMiB("VmHWM");
  std::printf("held after loading %.1f MiB, peak while typing %.1f MiB, ratio %.2f\n", held, peak,
              peak / held);
  return 0;
}
