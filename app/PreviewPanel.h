#pragma once

#include <QWidget>

#include "Preview.h"

class QLabel;

namespace qu {

// Shows a PreviewContent: its words above, as many lines as they take, and its picture
// beneath, scaled to the space left.
class PreviewPanel : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewPanel(QWidget* parent = nullptr);

  void SetContent(PreviewContent content);
  const PreviewContent& content() const { return content_; }
  // The size the picture is drawn at, in logical pixels.
  QSize PictureSize() const;

 signals:
  // The space for the picture changed; a picture made for the old size should be redone.
  void pictureSizeChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QRect PictureArea() const;
  // Gives the words the lines they need, at least two, and the picture the rest.
  void LayOut();

  QLabel* message_ = nullptr;
  PreviewContent content_;
  QSize pictureSize_;  // as last announced
};

}  // namespace qu
