// The window's painter of the plot module's drawings: curves are clipped at their frame.
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "app/DrawingPainter.h"
#include "plot/Legend.h"
#include "plot/TrackPlot.h"

namespace qu {

class DrawingPainterTest : public QObject {
  Q_OBJECT

 private:
  // A page with one frame and a curve of `style` straight across it, well beyond its edges.
  static plot::Drawing Crossing(plot::LineStyle style) {
    plot::Drawing drawing;
    plot::Frame frame;
    frame.name = "plan";
    frame.box = {{100, 100}, {300, 300}};
    frame.lines.push_back({style, {{{40, 200}, {360, 200}}}});
    frame.lines.push_back({style, {{{200, 40}, {200, 360}}}});
    drawing.frames.push_back(frame);
    drawing.axisNote = {{780, 374}, "y is up", 12, plot::Anchor::kEnd, 0x222222};
    return drawing;
  }

  static QImage Painted(const plot::Drawing& drawing, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintDrawing(painter, drawing, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
  }

 private slots:
  void curvesStopAtTheirFrame_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("scale");  // the image's pixels per picture unit
    QTest::newRow("solid") << int(plot::LineStyle::kTrack) << 1;
    QTest::newRow("solid, twice the size") << int(plot::LineStyle::kTrack) << 2;
    QTest::newRow("dashed") << int(plot::LineStyle::kRunBefore) << 1;
  }

  void curvesStopAtTheirFrame() {
    QFETCH(int, style);
    QFETCH(int, scale);
    const plot::Drawing drawing = Crossing(static_cast<plot::LineStyle>(style));
    const QImage image = Painted(drawing, QSize(800, 400) * scale);
    const QColor page = QColor::fromRgb(static_cast<QRgb>(drawing.background));
    const QColor frameFill = QColor::fromRgb(static_cast<QRgb>(drawing.frameFill));
    auto at = [&](double x, double y) {
      return image.pixelColor(static_cast<int>(x * scale), static_cast<int>(y * scale));
    };
    // Inside the frame, along both lines (a dash is drawn from each stroke's start): ink.
    bool inkInside = false;
    for (double x = 110; x < 290; x += 1) inkInside = inkInside || at(x, 200) != frameFill;
    QVERIFY(inkInside);
    // Where the lines run on outside the frame: the page, untouched.
    for (double d = 3; d < 60; d += 1) {
      QCOMPARE(at(100 - d, 200), page);
      QCOMPARE(at(300 + d, 200), page);
      QCOMPARE(at(200, 100 - d), page);
      QCOMPARE(at(200, 300 + d), page);
    }
    // Inside the frame away from the lines: the frame's fill.
    QCOMPARE(at(150, 150), frameFill);
  }

  // The picture keeps its aspect ratio and is centred: on a wider image the margins are white.
  // The legend is laid out by estimated widths; in the painter's typeface every label, with a
  // run's seven-digit numbers too, is no wider than its estimate, so entries never overlap.
  void legendLabelsFitTheirEstimates() {
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    const QFontMetricsF metrics(font);
    // The estimate is made for proportional faces; a platform without any (Wine's offscreen
    // platform draws every glyph as a square box) says nothing about it.
    if (metrics.horizontalAdvance(QStringLiteral("iiii")) >=
        metrics.horizontalAdvance(QStringLiteral("MMMM"))) {
      QSKIP("no proportional sans-serif face on this platform");
    }
    for (const int first : {7, 97, 9997, 1999997, 9999997}) {
      const CombinedRun overlay{{first, 6}, {}, 1234.5};
      plot::Drawing drawing;
      plot::DrawLegend(drawing, &overlay, true);
      QVERIFY(!drawing.legend.empty());
      for (const plot::LegendEntry& entry : drawing.legend) {
        const double advance = metrics.horizontalAdvance(QString::fromStdString(entry.label.text));
        QVERIFY2(advance <= plot::EstimatedTextWidth(entry.label),
                 qPrintable(QString("%1: %2 > %3")
                                .arg(QString::fromStdString(entry.label.text))
                                .arg(advance)
                                .arg(plot::EstimatedTextWidth(entry.label))));
      }
    }
  }

  void aWiderImageIsCentred() {
    const plot::Drawing drawing = Crossing(plot::LineStyle::kTrack);
    const QImage image = Painted(drawing, QSize(1000, 400));
    QCOMPARE(image.pixelColor(50, 200), QColor(Qt::white));
    QCOMPARE(image.pixelColor(950, 200), QColor(Qt::white));
    QCOMPARE(image.pixelColor(120, 200), QColor::fromRgb(static_cast<QRgb>(drawing.background)));
  }
};

}  // namespace qu

QTEST_MAIN(qu::DrawingPainterTest)
#include "DrawingPainterTest.moc"
