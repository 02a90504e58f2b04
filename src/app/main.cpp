// Entry point of the editor: one optional argument, a table file to open,
// beside Qt's own options.
#include <QTimer>
#include <QtGlobal>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/about_box.h"
#include "app/app_ports.h"
#include "app/frm_tessary.h"
#include "app/tessary_application.h"

namespace {

// Qt ends the process when its window system cannot start; say why and
// leave with status 1 instead of aborting.
void FatalStartHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
  std::fprintf(stderr, "%s\n", qPrintable(message));
  if (type == QtFatalMsg) {
    std::fputs(tessary::NoDisplayText(), stderr);
    std::_Exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tessary;
  if (const auto info = InfoOptionText(argc, argv)) {
    std::fputs(info->c_str(), stdout);
    return 0;
  }
  if (const auto unknown = UnknownOption(argc, argv)) {
    std::fprintf(stderr, "tessary: unknown option %s\n\n%s", unknown->c_str(), UsageText().c_str());
    return 2;
  }
  if (!DisplayAvailable()) {
    std::fputs(NoDisplayText(), stderr);
    return 1;
  }

  QtMessageHandler previous = qInstallMessageHandler(FatalStartHandler);
  TTessaryApplication app(argc, argv);  // takes Qt's own options out of argv
  qInstallMessageHandler(previous);
  std::filesystem::path startFile;  // the argument's bytes, whatever they are
  QString screenshot;               // --screenshot FILE: grab the window after start-up and exit
  bool filesOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (!filesOnly && std::strcmp(argv[i], "--") == 0) {
      filesOnly = true;
    } else if (!filesOnly && std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      screenshot = QString::fromLocal8Bit(argv[++i]);
    } else if (startFile.empty()) {
      startFile = argv[i];
    }
  }
  // Number texts use the full stop whatever the user's locale says.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(kApplicationTitle);
  SetDesktopIdentity();
  InstallShowErrorBox();

  // Every window closes itself; the run ends with the last one.
  auto* window = new TfrmTessary(startFile);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  // Unsaved changes of a run that ended without closing its windows.
  if (screenshot.isEmpty())
    QTimer::singleShot(0, window, [window] { window->OfferRecoveryCopies(); });
  if (!screenshot.isEmpty()) {
    QTimer::singleShot(500, window, [window, screenshot] {
      window->grab().save(screenshot);
      QApplication::quit();
    });
  }
  return app.exec();
}
