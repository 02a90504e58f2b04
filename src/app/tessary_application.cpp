#include "app/tessary_application.h"

#include <cstdlib>
#include <exception>

#include "app/app_ports.h"

namespace tessary {

TTessaryApplication::TTessaryApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TTessaryApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ReportGeneralError(e.what());
  }
  return true;
}

bool DisplayAvailable() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

const char* NoDisplayText() {
  return "tessary: no display to open the editor window on (DISPLAY or WAYLAND_DISPLAY must "
         "name a running display).\n"
         "Start it from a desktop session, or under a virtual display, for example:\n"
         "  xvfb-run -s \"-screen 0 1024x768x24\" tessary FILE.gda\n"
         "To look at a table without a window: tessary-cli dump FILE.gda\n";
}

}  // namespace tessary
