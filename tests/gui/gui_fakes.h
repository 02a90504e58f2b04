// Stand-ins for the window's dialogs, and key helpers that send real key
// events to whatever has the keyboard focus.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "app/app_ports.h"
#include "grid/widget/qt_text.h"

namespace tessary::testing {

class FakeDialog : public TFileDialogPort {
 public:
  std::optional<QString> Execute(QWidget*, const QString& fileName,
                                 const QString& filter) override {
    ++Calls;
    LastFileName = fileName;
    LastFilter = filter;
    return Answer;
  }
  std::optional<QString> Answer;
  QString LastFileName;
  QString LastFilter;
  int Calls = 0;
};

struct Box {
  QString Text;
  QString Caption;
  TBoxIcon Icon;
};

// Records the boxes while installed.
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
  std::vector<Box> Shown;

 private:
  TMessageBoxPort* previous_;
};

inline QWidget* Focus() { return QApplication::focusWidget(); }

inline void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(Focus(), key, mods);
}

inline void Type(const QString& text) { QTest::keyClicks(Focus(), text); }

inline std::u16string U(const char* text) { return FromQString(QString::fromUtf8(text)); }

}  // namespace tessary::testing
