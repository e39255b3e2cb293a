#pragma once

#include <QFont>
#include <QRect>

class QLabel;
class QLineEdit;

namespace qu {

// Where the window's controls sit. Positions are given in twips; 15 twips make one logical
// pixel.
QRect Twips(int left, int top, int width, int height);

// The client area of the window at start, and the margin around the preview beneath it.
inline constexpr int kClientWidth = 5115 / 15;
inline constexpr int kClientHeight = 900 / 15;
inline constexpr int kMargin = 4;

// The typeface of the sentence under the buttons, or the closest the system has: a narrow
// sans serif keeps the sentence on one line.
QFont SentenceFont(bool bold);

// Lays out the sentence under the buttons for the run's start: "Combine the first [2]
// Segments." from the first segment, "Combine [6] Segments from segment 120." from any
// other. The count box is wide enough for every digit of the longest count; the words after
// it keep their distance from it.
void LayOutSentence(QLabel& before, QLineEdit& count, QLabel& after, int start);

}  // namespace qu
