// The window's non-modal Find and Replace dialog: the text to look for, the
// replacement, the options, the buttons and a line for short messages. It
// holds no search logic; the window connects the buttons to its commands.
#pragma once

#include <QDialog>
#include <string>

#include "grid/find_replace.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tessary {

class TFindDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TFindDialog(QWidget* parent);

  // Shows the dialog as "Find" (no replacement) or "Replace", raised and
  // active, with the text to look for selected.
  void ShowFor(bool replace);
  // Shows a message; an inactive dialog comes up without taking the keys.
  void ShowMessage(const QString& text);
  // Moves the dialog off `area` (screen coordinates) when it covers it:
  // below it, or above it where the screen has no room below.
  void KeepClearOf(const QRect& area);

  TFindOptions Options() const;
  std::u16string Replacement() const;

  QLineEdit* FindText = nullptr;
  QLineEdit* ReplaceText = nullptr;
  QCheckBox* MatchCase = nullptr;
  QCheckBox* WholeCell = nullptr;
  QPushButton* FindNextBtn = nullptr;
  QPushButton* ReplaceBtn = nullptr;
  QPushButton* ReplaceAllBtn = nullptr;
  QPushButton* CloseBtn = nullptr;
  QLabel* Message = nullptr;

 private:
  void SetReplaceShown(bool shown);

  QLabel* FReplaceLabel = nullptr;
};

}  // namespace tessary
