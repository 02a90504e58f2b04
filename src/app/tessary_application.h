// The application object: every event runs inside a guard, so that a
// failure no command caught reaches the general error report and the
// application goes on.
#pragma once

#include <QApplication>

namespace tessary {

class TTessaryApplication : public QApplication {
 public:
  TTessaryApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Whether a window system can be reached: a platform chosen through
// QT_QPA_PLATFORM, an X display or a Wayland display.
bool DisplayAvailable();

// The text printed when the editor cannot open a window.
const char* NoDisplayText();

}  // namespace tessary
