#pragma once

#include <QString>

class QWidget;

namespace qu {

// How the window tells the user something: a modal warning with one OK button.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual void Warning(QWidget* parent, const QString& title, const QString& text) = 0;
};

class QtMessagePresenter : public MessagePresenter {
 public:
  void Warning(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace qu
