// Stand-ins for the window's dialogs, and key helpers that send real key
// events to whatever has the keyboard focus.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_ports.h"
#include "app/frm_tessary.h"
#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"

namespace tessary::testing {

// Both dialogs answer the queued Answers first, then `Answer`; SaveCalls
// counts the save dialogs.
class FakeDialog : public TFileDialogPort {
 public:
  std::optional<QString> Execute(QWidget*, const QString& fileName,
                                 const QString& filter) override {
    ++Calls;
    LastFileName = fileName;
    LastFilter = filter;
    if (Answers.empty()) return Answer;
    const std::optional<QString> answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  std::optional<QString> ExecuteSave(QWidget* parent, const QString& fileName,
                                     const QString& filter) override {
    ++SaveCalls;
    return Execute(parent, fileName, filter);
  }
  std::optional<QString> Answer;
  std::deque<std::optional<QString>> Answers;
  QString LastFileName;
  QString LastFilter;
  int Calls = 0;
  int SaveCalls = 0;
};

struct Box {
  QString Text;
  QString Caption;
  TBoxIcon Icon;
};

// Records the boxes and questions while installed. Questions take the
// queued answers; with none queued they are cancelled (answered No).
class FakeBoxes : public TMessageBoxPort {
 public:
  FakeBoxes() {
    previous_ = SetMessageBoxes(this);
    InstallShowErrorBox();
  }
  ~FakeBoxes() override { SetMessageBoxes(previous_); }
  void Show(const QString& text, const QString& caption, TBoxIcon icon) override {
    Shown.push_back(Box{text, caption, icon});
  }
  TSaveChoice AskSaveChanges(const QString& text, const QString&) override {
    Questions.push_back(text);
    if (SaveAnswers.empty()) return TSaveChoice::scCancel;
    const TSaveChoice answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    return answer;
  }
  bool AskYesNo(const QString& text, const QString&) override {
    Questions.push_back(text);
    if (YesNoAnswers.empty()) return false;
    const bool answer = YesNoAnswers.front();
    YesNoAnswers.pop_front();
    return answer;
  }
  TRestoreChoice AskRestore(const QString& text, const QString&) override {
    Questions.push_back(text);
    if (RestoreAnswers.empty()) return TRestoreChoice::rcLater;
    const TRestoreChoice answer = RestoreAnswers.front();
    RestoreAnswers.pop_front();
    return answer;
  }
  TCheckChoice AskBeforeSave(const QString& text, const QString&) override {
    Questions.push_back(text);
    if (CheckAnswers.empty()) return TCheckChoice::ccCancel;
    const TCheckChoice answer = CheckAnswers.front();
    CheckAnswers.pop_front();
    return answer;
  }
  std::vector<Box> Shown;
  std::vector<QString> Questions;
  std::deque<TRestoreChoice> RestoreAnswers;
  std::deque<TSaveChoice> SaveAnswers;
  std::deque<bool> YesNoAnswers;
  std::deque<TCheckChoice> CheckAnswers;

 private:
  TMessageBoxPort* previous_;
};

inline QWidget* Focus() { return QApplication::focusWidget(); }

// The editor window shown and active, the grid holding the keyboard focus.
inline std::unique_ptr<TfrmTessary> StartWindow(TFileDialogPort* dialog,
                                                const QString& startFile = QString()) {
  auto w = std::make_unique<TfrmTessary>(startFile, dialog);
  w->show();
  QApplication::setActiveWindow(w.get());
  EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
  w->GDAGrid->setFocus();
  return w;
}

inline void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(Focus(), key, mods);
}

inline void Type(const QString& text) { QTest::keyClicks(Focus(), text); }

inline std::u16string U(const char* text) { return FromQString(QString::fromUtf8(text)); }

}  // namespace tessary::testing
