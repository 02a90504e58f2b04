// The product's identity: --version and --help, and Help > About.
#include "app/about_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

#include "app/frm_tessary.h"
#include "tessary_version.h"

namespace tessary {
namespace {

std::optional<std::string> Info(std::vector<const char*> args) {
  args.insert(args.begin(), "tessary");
  return InfoOptionText(static_cast<int>(args.size()), args.data());
}

TEST(AboutBoxTest, VersionAndHelpAreAnsweredBeforeAnyWindow) {
  EXPECT_EQ(Info({"--version"}), std::string("tessary ") + kProductVersion + "\n");
  EXPECT_EQ(Info({"table.gda", "-h"}).value_or("").rfind("usage: tessary [FILE.gda]\n", 0), 0u);
  EXPECT_EQ(Info({"table.gda"}), std::nullopt);
  // After "--" every argument is a file name.
  EXPECT_EQ(Info({"--", "--version"}), std::nullopt);
}

// An option nobody knows ends the run with the usage; Qt's own pass.
TEST(AboutBoxTest, UnknownOptionsAreFoundBeforeAnyWindow) {
  auto unknown = [](std::vector<const char*> args) {
    args.insert(args.begin(), "tessary");
    return UnknownOption(static_cast<int>(args.size()), args.data());
  };
  EXPECT_EQ(unknown({"--bogus"}), "--bogus");
  EXPECT_EQ(unknown({"t.gda", "-x"}), "-x");
  EXPECT_EQ(unknown({"-style", "Fusion", "--platform=offscreen", "-reverse", "t.gda"}),
            std::nullopt);
  EXPECT_EQ(unknown({"--screenshot", "-odd.png", "--", "-file.gda"}), std::nullopt);
}

// Help is the last menu of the bar; its About box names the version and
// the licence.
TEST(AboutBoxTest, HelpMenuShowsVersionAndLicence) {
  TfrmTessary window;
  const QList<QAction*> menus = window.menuBar()->actions();
  ASSERT_FALSE(menus.isEmpty());
  EXPECT_EQ(menus.first()->text(), QStringLiteral("&File"));
  EXPECT_EQ(menus.last()->text(), QStringLiteral("&Help"));
  QAction* about = menus.last()->menu()->actions().value(0);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->text(), QStringLiteral("About Tessary..."));

  QString shown;
  QTimer::singleShot(0, [&shown] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->windowTitle() + "|" + box->text();
      box->accept();
    }
  });
  about->trigger();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("About Tessary|"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("Tessary ") + kProductVersion));
  EXPECT_TRUE(shown.contains(QStringLiteral("MIT License")));
}

}  // namespace
}  // namespace tessary
