#pragma once

#include <QWidget>

#include "app/Preview.h"
#include "plot/PlotGeometry.h"

class QLabel;
class QSpinBox;

namespace qu {

// Shows a PreviewContent: a field for the segment COMBINE!'s run starts at, the content's
// words beneath it, as many lines as they take, and its picture beneath them, scaled to the
// space left. A click on the picture's plan view names the point of the track clicked.
class PreviewPanel : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewPanel(QWidget* parent = nullptr);

  void SetContent(PreviewContent content);
  const PreviewContent& content() const { return content_; }
  // The size the picture is drawn at, in logical pixels.
  QSize PictureSize() const;
  // Where the picture shows in the panel: in the space beneath the words, at its top and
  // centred across, its aspect kept.
  QRectF PictureRect() const;
  // The panel's height with two lines of words and a picture this high.
  int HeightFor(int pictureHeight) const;

  // The start field's value and the largest it takes, without announcing it.
  void ShowStart(int start, int largest);
  void SetStartEnabled(bool enabled);

 signals:
  // The space for the picture changed; a picture made for the old size should be redone.
  void pictureSizeChanged();
  // The user changed the start field.
  void startEdited(int start);
  // The user clicked the plan view at this point of the track (x and z).
  void planClicked(qu::plot::Point2 plan);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QRect PictureArea() const;
  int WordsTop() const;
  // Gives the words the lines they need, at least two, and the picture the rest.
  void LayOut();

  QLabel* startLabel_ = nullptr;
  QSpinBox* start_ = nullptr;
  QLabel* message_ = nullptr;
  PreviewContent content_;
  QSize pictureSize_;  // as last announced
};

}  // namespace qu
