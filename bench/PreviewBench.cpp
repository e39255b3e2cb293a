// The window's preview: the work done for one keystroke in the text box (the combine on a
// copy of the run, the drawing, its painting at the panel's size), the work done once for each
// version of the track that the keystrokes share, and the whole way from a key press in the
// real window to the new picture in the panel. Runs headless.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/Preview.h"
#include "app/frmMain.h"
#include "examples/SampleTracks.h"
#include "geometry/SegmentMerge.h"
#include "plot/TrackPlot.h"
#include "trackio/TrackFile.h"

namespace {

// The sample track (44 segments), or a smooth track of `vertices` vertices.
qu::TrackModel Track(int vertices) {
  qu::TrackModel model = qu::samples::MakeSampleTrack();
  if (vertices > 0) model.bezr.Vertices = qu::samples::MakeSmoothPath(vertices);
  return model;
}

const QSize kPanelPicture(333, 166);  // the panel as it opens

// A keystroke's job: the track's version prepared beforehand, as the window has it by then,
// with the rest of the track painted at the panel's size.
void BM_PreviewJob(benchmark::State& state) {
  const int vertices = static_cast<int>(state.range(0));
  const int count = static_cast<int>(state.range(1));
  qu::PreviewRequest request;
  request.mode = qu::PreviewRequest::Mode::kLive;
  request.countText = std::to_string(count);
  request.start = static_cast<int>(state.range(3));
  request.size = kPanelPicture;
  request.devicePixelRatio = static_cast<qreal>(state.range(2));
  request.current = std::make_shared<const qu::TrackVersion>(
      std::make_shared<const std::vector<qu::BezierVertex>>(Track(vertices).bezr.Vertices));
  request.current->RestLayer(request.size, request.devicePixelRatio);
  std::size_t points = 0;
  bool restPainted = false;
  for (auto _ : state) {
    const qu::PreviewContent content = qu::ComputePreview(request);
    if (content.kind != qu::PreviewContent::Kind::kLive) state.SkipWithError("refused");
    points = 0;
    restPainted = content.drawing.frames.front().restAt.has_value();
    for (const auto& frame : content.drawing.frames) {
      for (const auto& line : frame.lines) {
        for (const auto& stroke : line.strokes) points += stroke.size();
      }
    }
    benchmark::DoNotOptimize(content.image.constBits());
  }
  state.counters["points"] = static_cast<double>(points);
  // 1: the rest of the track came from the version's painting; 0: drawn for the keystroke.
  state.counters["rest_layer"] = restPainted ? 1 : 0;
}

// The work done once for each version of the track (after a load, COMBINE!, undo or redo):
// the whole track sampled, drawn and measured, and its plan painted at the panel's size.
void BM_TrackVersion(benchmark::State& state) {
  const auto vertices = std::make_shared<const std::vector<qu::BezierVertex>>(
      Track(static_cast<int>(state.range(0))).bezr.Vertices);
  std::size_t points = 0;
  for (auto _ : state) {
    const qu::TrackVersion version(vertices);
    benchmark::DoNotOptimize(version.RestLayer(kPanelPicture, 1.0).constBits());
    points = 0;
    for (const auto& frame : version.whole().drawing.frames) {
      for (const auto& line : frame.lines) {
        for (const auto& stroke : line.strokes) points += stroke.size();
      }
    }
  }
  state.counters["points"] = static_cast<double>(points);
}

// The drawing of a run in the middle of a track (the whole track for a run one segment
// shorter than it), its plan focused on the run (as `qutrack plot` draws it) or showing the
// whole track (as the window's preview does).
void BM_RunDrawing(benchmark::State& state) {
  const auto vertices = qu::samples::MakeSmoothPath(static_cast<int>(state.range(0)));
  const int count = static_cast<int>(state.range(1));
  const int first = (static_cast<int>(vertices.size()) - 1 - count) / 2;
  const auto combined = qu::CombineCopyOfRun(vertices, {first, count});
  if (!combined.combined) state.SkipWithError("refused");
  const auto scope = state.range(2) ? qu::plot::PlanScope::kWholeTrack : qu::plot::PlanScope::kRun;
  for (auto _ : state) {
    const qu::plot::Drawing drawing =
        qu::plot::DrawTrack(vertices, "run", &*combined.combined, scope);
    benchmark::DoNotOptimize(drawing.frames.data());
  }
}

// From the key press that completes the count to the panel showing its picture.
void BM_KeystrokeToPreview(benchmark::State& state) {
  const int vertices = static_cast<int>(state.range(0));
  const QString count = QString::number(state.range(1));
  QTemporaryDir folder;
  const QString path = folder.filePath("track.qutrack");
  qu::TrackModel model = Track(vertices);
  if (!qu::SaveTrack(path.toStdString(), model).ok()) state.SkipWithError("cannot save");

  qu::frmMain window;
  window.show();
  window.OpenFile(path);
  window.SetPreviewShown(true);
  auto* text = window.findChild<QLineEdit*>("Text1");
  QSignalSpy updated(&window, &qu::frmMain::previewUpdated);
  for (auto _ : state) {
    text->setText(count.chopped(1));
    if (!updated.wait(30000)) state.SkipWithError("no preview");
    updated.clear();
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(text, count.back().toLatin1());
    if (!updated.wait(30000)) state.SkipWithError("no preview");
    state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
    if (window.previewContent().segments != count.toInt()) state.SkipWithError("wrong preview");
    updated.clear();
  }
}

}  // namespace

// Arguments: vertices (0: the sample track), the count typed, the device pixel ratio, the
// run's first segment.
BENCHMARK(BM_PreviewJob)
    ->Args({0, 3, 1, 0})
    ->Args({0, 3, 2, 0})
    ->Args({0, 6, 1, 20})
    ->Args({6554, 6553, 1, 0})
    ->Args({6554, 6553, 2, 0})
    ->Args({20000, 6, 1, 10000})
    ->Args({200000, 6, 1, 100000})
    ->Args({2000000, 6, 1, 1000000})
    ->Unit(benchmark::kMillisecond);
// Argument: vertices.
BENCHMARK(BM_TrackVersion)->Arg(20000)->Arg(200000)->Arg(2000000)->Unit(benchmark::kMillisecond);
// Arguments: vertices, the run's segments, whether the plan shows the whole track.
BENCHMARK(BM_RunDrawing)
    ->Args({6554, 6553, 0})
    ->Args({6554, 6553, 1})
    ->Args({200000, 6, 0})
    ->Args({200000, 6, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeToPreview)
    ->Args({0, 3})
    ->Args({6554, 6553})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
