#include "app/WindowLayout.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <algorithm>
#include <string>

#include "geometry/SegmentMerge.h"

namespace qu {
namespace {

// The sentence's boxes as laid out for "Combine the first [2] Segments."
const QRect kBeforeBox = Twips(660, 540, 1995, 315);
const QRect kCountBox = Twips(2580, 480, 495, 375);
const QRect kAfterBox = Twips(3240, 540, 1215, 315);

// The count box's width for the longest count COMBINE! takes: its digits, each as wide as
// the widest digit, the cursor after them, and what the box draws around its text (what its
// size hint adds to the width of the 17 x's it is made for: margins and the style's frame).
int CountBoxWidthForEveryDigit(const QLineEdit& box) {
  const QFontMetrics metrics(box.font());
  int digit = 0;
  for (char c = '0'; c <= '9'; ++c) digit = std::max(digit, metrics.horizontalAdvance(QChar(c)));
  const int digits = static_cast<int>(std::to_string(kMaxCombinedSegments).size());
  const int around = box.sizeHint().width() - 17 * metrics.horizontalAdvance(QChar('x'));
  return digits * digit + 1 + around;
}

}  // namespace

QRect Twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

QFont SentenceFont(bool bold) {
  QFont::insertSubstitutions("MS Sans Serif",
                             {"Microsoft Sans Serif", "Liberation Sans", "Arimo", "Arial"});
  QFont font("MS Sans Serif", 12, bold ? QFont::Bold : QFont::Normal);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

void LayOutSentence(QLabel& before, QLineEdit& count, QLabel& after, int start) {
  // A box too narrow for every digit grows to the right, and the words after it move with it.
  const int wider = std::max(CountBoxWidthForEveryDigit(count) - kCountBox.width(), 0);
  before.setGeometry(kBeforeBox);
  count.setGeometry(kCountBox.adjusted(0, 0, wider, 0));
  after.setGeometry(kAfterBox.translated(wider, 0));
  if (start == 0) {
    before.setText("Combine the first");
    after.setText("Segments.");
    return;
  }
  // "Combine [6] Segments from segment 120.": the count moves left to follow the shorter
  // words before it, and the words after it take the width they need.
  before.setText("Combine");
  const QFontMetrics metrics(before.font());
  const int gap = after.x() - count.geometry().right() - 1;
  before.resize(metrics.horizontalAdvance(before.text()) + 4, before.height());
  count.move(before.geometry().right() + 1 + 4, count.y());
  after.setText(QString("Segments from segment %1.").arg(start));
  after.setGeometry(count.geometry().right() + 1 + gap, after.y(),
                    metrics.horizontalAdvance(after.text()) + 4, after.height());
}

}  // namespace qu
