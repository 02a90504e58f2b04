#include "app/about_box.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <cstring>
#include <set>
#include <string_view>

#include "tessary_version.h"

namespace tessary {

std::string UsageText() {
  return "usage: tessary [FILE.gda]\n"
         "       tessary --help | --version\n"
         "\n"
         "Opens the table editor window, with FILE.gda when given.\n"
         "\n"
         "  -h, --help        print this text and exit\n"
         "  --version         print the version and exit\n"
         "  --screenshot PNG  save a picture of the window after start-up and quit\n"
         "  --                every argument after it is a file name\n"
         "\n"
         "Qt's own options work as well, such as -style NAME, -platform NAME and -reverse.\n";
}

std::optional<std::string> InfoOptionText(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--") == 0) break;
    if (std::strcmp(arg, "--version") == 0) {
      return std::string("tessary ") + kProductVersion + "\n";
    }
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return UsageText();
  }
  return std::nullopt;
}

std::optional<std::string> UnknownOption(int argc, const char* const* argv) {
  // The options the application object takes (one or two leading hyphens,
  // a value after a blank or an "=").
  static const std::set<std::string_view> kWithValue = {"platform",
                                                        "platformpluginpath",
                                                        "platformtheme",
                                                        "plugin",
                                                        "qwindowgeometry",
                                                        "geometry",
                                                        "qwindowicon",
                                                        "icon",
                                                        "qwindowtitle",
                                                        "title",
                                                        "session",
                                                        "style",
                                                        "stylesheet",
                                                        "display",
                                                        "name",
                                                        "visual",
                                                        "ncols",
                                                        "qmljsdebugger"};
  static const std::set<std::string_view> kFlags = {
      "reverse", "widgetcount", "nograb", "dograb", "sync", "cmap", "testability"};
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg.size() < 2 || arg[0] != '-') continue;  // a file name, or "-"
    if (arg == "--screenshot") {
      ++i;
      continue;
    }
    std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
    const size_t equals = name.find('=');
    const bool valueGiven = equals != std::string_view::npos;
    name = name.substr(0, equals);
    if (kWithValue.count(name)) {
      if (!valueGiven) ++i;
      continue;
    }
    if (kFlags.count(name) && !valueGiven) continue;
    return std::string(arg);
  }
  return std::nullopt;
}

void SetDesktopIdentity() {
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
  const QIcon icon = QIcon::fromTheme(QString::fromLatin1(kDesktopId));
  if (!icon.isNull()) QApplication::setWindowIcon(icon);
}

QString AboutText() {
  return QStringLiteral(
             "<h3>%1 %2</h3><p>%3.</p><p>Copyright &copy; %4<br>Licensed under the %5.</p>")
      .arg(QString::fromUtf8(kProductName), QString::fromUtf8(kProductVersion),
           QString::fromUtf8(kProductDescription), QString::fromUtf8(kProductCopyright),
           QString::fromUtf8(kProductLicence));
}

void ShowAboutBox(QWidget* parent) {
  QMessageBox::about(parent, QStringLiteral("About Tessary"), AboutText());
}

void AddHelpMenu(QMenuBar* bar, QWidget* window) {
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  QAction* about = help->addAction(QStringLiteral("About Tessary..."));
  about->setMenuRole(QAction::AboutRole);
  QObject::connect(about, &QAction::triggered, window, [window] { ShowAboutBox(window); });
}

}  // namespace tessary
