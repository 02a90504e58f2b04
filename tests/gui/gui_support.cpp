// One application object for every test of a GUI test program, and data,
// settings and state folders of its own, so that no test reaches the home folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    home_ = new QTemporaryDir;
    setenv("XDG_DATA_HOME", qPrintable(home_->filePath(QStringLiteral("data"))), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home_->filePath(QStringLiteral("config"))), 1);
    setenv("XDG_STATE_HOME", qPrintable(home_->filePath(QStringLiteral("state"))), 1);
    static int argc = 1;
    static char name[] = "gui_test";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
    delete home_;
    home_ = nullptr;
  }

 private:
  QApplication* app_ = nullptr;
  QTemporaryDir* home_ = nullptr;
};

const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
