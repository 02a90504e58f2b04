// What the window remembers between runs, in a settings folder of the
// test's own, and the windows of one run.
#include "app/window_settings.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "app/frm_tessary.h"
#include "gff/g2da.h"
#include "grid/widget/table_grid.h"
#include "gui_fakes.h"

namespace tessary {
namespace {

using testing::FakeBoxes;
using testing::FakeDialog;

class WindowSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
  }
  void TearDown() override { qputenv("XDG_CONFIG_HOME", previous_); }
  QString Table(const QString& name) {
    TCellTable t;
    const QString path = files_.filePath(name);
    EXPECT_TRUE(SaveGDA(t, QFile::encodeName(path).toStdString()));
    return path;
  }

  QByteArray previous_;
  QTemporaryDir config_;
  QTemporaryDir files_;
  FakeBoxes boxes_;
  FakeDialog dialog_;
};

TEST_F(WindowSettingsTest, GeometryOptionsAndRecentTablesComeBack) {
  EXPECT_EQ(window_settings::FileName(), config_.filePath(QStringLiteral("tessary/tessary.conf")));
  const QString first = Table(QStringLiteral("first.gda"));
  {
    auto w = testing::StartWindow(&dialog_, first);
    w->setGeometry(40, 50, 700, 500);
    QTest::mouseClick(w->DownKeyAddRow, Qt::LeftButton);
    QTest::mouseClick(w->DelKeyRemRow, Qt::LeftButton);
    w->MKeepfirstcolumn->trigger();
    w->close();
  }
  auto w = testing::StartWindow(&dialog_);
  EXPECT_EQ(w->size(), QSize(700, 500));
  EXPECT_FALSE(w->DownKeyAddRow->isChecked());
  EXPECT_FALSE(w->GDAGrid->Navigation().AppendOnArrowDown);
  EXPECT_FALSE(w->DelKeyRemRow->isChecked());  // [Del] starts off whatever it was
  EXPECT_TRUE(w->MKeepfirstcolumn->isChecked());
  EXPECT_TRUE(w->GDAGrid->KeepFirstColumn());

  // Open recent: the latest first, at most ten; a table gone is removed
  // with a message.
  for (int i = 0; i < 11; ++i) ASSERT_TRUE(w->OpenFile(Table(QStringLiteral("t%1.gda").arg(i))));
  QStringList recent = window_settings::RecentFiles();
  ASSERT_EQ(recent.size(), 10);
  EXPECT_EQ(recent.first(), files_.filePath(QStringLiteral("t10.gda")));
  EXPECT_FALSE(recent.contains(first));
  emit w->MOpenrecent->aboutToShow();
  ASSERT_EQ(w->MOpenrecent->actions().size(), 10);
  EXPECT_EQ(w->MOpenrecent->actions()[1]->text(), QStringLiteral("&2 ") + recent[1]);
  w->MOpenrecent->actions()[1]->trigger();
  EXPECT_EQ(w->GDAFilename(), recent[1]);
  ASSERT_TRUE(QFile::remove(recent[2]));
  w->OpenRecentClick(recent[2]);
  ASSERT_EQ(boxes_.Shown.size(), 1u);
  EXPECT_EQ(boxes_.Shown[0].Text,
            recent[2] + QStringLiteral(" no longer exists. It is removed from Open recent."));
  EXPECT_FALSE(window_settings::RecentFiles().contains(recent[2]));
  EXPECT_EQ(w->GDAFilename(), recent[1]);
}

// Each window is a document of its own; Quit asks for each one with
// unsaved changes, and a Cancel keeps that window and the ones after it.
TEST_F(WindowSettingsTest, NewWindowsAreDocumentsOfTheirOwn) {
  auto w = testing::StartWindow(&dialog_);
  TfrmTessary* other = w->MNewwindowClick();
  ASSERT_NE(other, w.get());
  EXPECT_TRUE(other->isVisible());
  other->GDAGrid->History().SetCells(0, 2, u"7");
  EXPECT_TRUE(other->Modified());
  EXPECT_FALSE(w->Modified());
  w->GDAGrid->History().SetCells(0, 2, u"8");
  boxes_.SaveAnswers = {TSaveChoice::scDiscard, TSaveChoice::scCancel};
  w->MQuitClick();
  EXPECT_EQ(boxes_.Questions.size(), 2u);
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(other->isVisible());
  boxes_.SaveAnswers = {TSaveChoice::scDiscard};
  QPointer<TfrmTessary> closing(other);
  other->MQuitClick();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closing.isNull());  // a new window goes when it closes
}

}  // namespace
}  // namespace tessary
