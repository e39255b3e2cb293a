#pragma once

#include <QString>

class QWidget;

namespace qu {

// The answer to "save the changes first?".
enum class SaveChangesAnswer { kSave, kDiscard, kCancel };

// How the window tells the user something or asks a question; modal.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // A warning with one OK button; `details`, when given, is shown beneath the text.
  virtual void Warning(QWidget* parent, const QString& title, const QString& text,
                       const QString& details = {}) = 0;
  virtual void Information(QWidget* parent, const QString& title, const QString& text,
                           const QString& details = {}) = 0;
  // The question with Save, Discard and Cancel buttons.
  virtual SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& text) = 0;
};

class QtMessagePresenter : public MessagePresenter {
 public:
  void Warning(QWidget* parent, const QString& title, const QString& text,
               const QString& details = {}) override;
  void Information(QWidget* parent, const QString& title, const QString& text,
                   const QString& details = {}) override;
  SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& text) override;
};

}  // namespace qu
