#include "PreviewPanel.h"

#include <QLabel>
#include <QPainter>
#include <QResizeEvent>

namespace qu {
namespace {

constexpr int kGap = 4;
// The drawing module's pictures are twice as wide as they are high.
constexpr double kPictureAspect = 2.0;

}  // namespace

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("preview");
  message_ = new QLabel(this);
  message_->setObjectName("previewMessage");
  message_->setWordWrap(true);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  message_->setFocusPolicy(Qt::NoFocus);
  message_->setTextInteractionFlags(Qt::NoTextInteraction);
}

void PreviewPanel::SetContent(PreviewContent content) {
  content_ = std::move(content);
  message_->setText(content_.message);
  LayOut();
  update();
}

void PreviewPanel::LayOut() {
  const int twoLines = 2 * fontMetrics().lineSpacing() + 2;
  message_->setGeometry(0, 0, width(), std::max(twoLines, message_->heightForWidth(width())));
  if (PictureSize() != pictureSize_) {
    pictureSize_ = PictureSize();
    emit pictureSizeChanged();
  }
}

QRect PreviewPanel::PictureArea() const {
  const int top = message_->geometry().bottom() + 1 + kGap;
  return QRect(0, top, width(), std::max(height() - top, 0));
}

QSize PreviewPanel::PictureSize() const {
  const QRect area = PictureArea();
  const int width = std::min(area.width(), static_cast<int>(area.height() * kPictureAspect));
  return QSize(width, static_cast<int>(width / kPictureAspect));
}

void PreviewPanel::resizeEvent(QResizeEvent*) {
  LayOut();
}

void PreviewPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = PictureArea();
  painter.fillRect(area, palette().base());
  if (content_.image.isNull()) return;
  // Centred, at the size it was made for; a picture made for an older size is scaled until
  // its replacement arrives.
  QSizeF size = content_.image.deviceIndependentSize();
  size.scale(QSizeF(area.size()), Qt::KeepAspectRatio);
  QRectF target(QPointF(), size);
  target.moveCenter(QRectF(area).center());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, content_.image);
}

}  // namespace qu
