#include "app/PreviewPanel.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSpinBox>

#include "app/DrawingPainter.h"
#include "plot/PlanPick.h"

namespace qu {
namespace {

constexpr int kGap = 4;
// The drawing module's pictures are twice as wide as they are high.
constexpr double kPictureAspect = 2.0;

}  // namespace

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("preview");
  startLabel_ = new QLabel("Start at segment", this);
  startLabel_->setObjectName("startLabel");
  startLabel_->setFocusPolicy(Qt::NoFocus);
  start_ = new QSpinBox(this);
  start_->setObjectName("spnStart");
  start_->setRange(0, 0);
  start_->setAccelerated(true);
  start_->setToolTip(
      "The first segment of the run COMBINE! refits; a click on the plan picks "
      "the nearest vertex");
  startLabel_->setBuddy(start_);
  // The typeface of the sentence under the buttons, at the panel's size: the default dialog
  // font ("MS Shell Dlg") draws labels but, under Wine, no text at all in an edit field.
  QFont font = start_->font();
  font.setFamilies({"MS Sans Serif"});
  font.setStyleHint(QFont::SansSerif);
  start_->setFont(font);
  // The style's hint measures the range the field has now, 0 to 0: room for six more digits
  // whatever the style, so that a start on a long track shows whole.
  start_->setFixedWidth(start_->sizeHint().width() +
                        start_->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
  connect(start_, &QSpinBox::valueChanged, this, &PreviewPanel::startEdited);

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

void PreviewPanel::ShowStart(int start, int largest) {
  const QSignalBlocker quiet(start_);
  start_->setRange(0, std::max(largest, 0));
  start_->setValue(start);
}

void PreviewPanel::SetStartEnabled(bool enabled) {
  start_->setEnabled(enabled);
}

int PreviewPanel::WordsTop() const {
  return start_->sizeHint().height() + kGap;
}

int PreviewPanel::HeightFor(int pictureHeight) const {
  return WordsTop() + 2 * fontMetrics().lineSpacing() + 2 + kGap + pictureHeight;
}

void PreviewPanel::LayOut() {
  const int rowHeight = start_->sizeHint().height();
  const int labelWidth = startLabel_->sizeHint().width();
  startLabel_->setGeometry(0, 0, labelWidth, rowHeight);
  start_->setGeometry(labelWidth + kGap, 0, start_->width(), rowHeight);
  const int twoLines = 2 * fontMetrics().lineSpacing() + 2;
  message_->setGeometry(0, WordsTop(), width(),
                        std::max(twoLines, message_->heightForWidth(width())));
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

QRectF PreviewPanel::PictureRect() const {
  const QRect area = PictureArea();
  QSizeF size = content_.image.deviceIndependentSize();
  size.scale(QSizeF(area.size()), Qt::KeepAspectRatio);
  // Across, centred; downwards, right beneath the words, so that a panel taller than the
  // picture needs leaves its room below the picture, not between the words and it.
  QRectF target(QPointF(), size);
  target.moveCenter(QRectF(area).center());
  target.moveTop(area.top());
  return target;
}

void PreviewPanel::resizeEvent(QResizeEvent*) {
  LayOut();
}

void PreviewPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || content_.image.isNull()) return;
  const QRectF target = PictureRect();
  if (!target.contains(event->position()) || target.width() <= 0) return;
  // From the panel's pixels to the drawing's units.
  const double scale = content_.drawing.width / target.width();
  const QPointF inPicture = (event->position() - target.topLeft()) * scale;
  if (const auto plan = plot::PlanPointAt(content_.drawing, {inPicture.x(), inPicture.y()})) {
    emit planClicked(*plan);
  }
}

void PreviewPanel::paintEvent(QPaintEvent*) {
  if (content_.image.isNull()) return;
  QPainter painter(this);
  // Centred, at the size it was made for; a picture made for an older size is scaled until
  // its replacement arrives.
  // The room around it in its own background, so that it does not stand in bands of another.
  painter.fillRect(PictureArea(), ColourOf(content_.drawing.background));
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(PictureRect(), content_.image);
}

}  // namespace qu
