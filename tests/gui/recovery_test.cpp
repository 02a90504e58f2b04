// Recovery copies: written 30 s after a change (on a fake clock), never
// offered while their window runs, offered and restored after a crash, and
// removed by Save and a clean close.
#include <chrono>
#include <filesystem>
#include <memory>

#include "app/recovery_store.h"
#include "gui_fakes.h"

namespace tessary::testing {
namespace {

using std::chrono::steady_clock;

TEST(Recovery, CopyWrittenOfferedRestoredAndRemoved) {
  FakeDialog dialog;
  FakeBoxes boxes;
  const std::filesystem::path folder = RecoveryFolder();
  auto now = std::make_shared<steady_clock::time_point>(steady_clock::now());
  auto w = StartWindow(&dialog);
  w->SetRecoveryClock([now] { return *now; });
  w->GDAGrid->Table().MoveCurrent(TGridCoord{0, 2});
  Type(QStringLiteral("abc"));  // kept as typed, although Save would store 0
  Press(Qt::Key_Return);
  ASSERT_TRUE(w->Modified());
  EXPECT_FALSE(w->WriteRecoveryCopyIfDue());
  *now += std::chrono::seconds(30);
  ASSERT_TRUE(w->WriteRecoveryCopyIfDue());
  const std::filesystem::path own = w->RecoveryCopyPath();
  QTRY_VERIFY(std::filesystem::exists(own));
  EXPECT_FALSE(w->WriteRecoveryCopyIfDue());  // nothing new since

  // Its window holds it: not offered. The same bytes without a holder, as a
  // killed window leaves them, are.
  EXPECT_TRUE(FindLeftCopies(folder).empty());
  const std::filesystem::path left = folder / "1-1.recovery";
  std::filesystem::copy_file(own, left);
  auto second = StartWindow(&dialog);
  second->OfferRecoveryCopies();  // Later
  ASSERT_EQ(boxes.Questions.size(), 1u);
  EXPECT_TRUE(boxes.Questions[0].startsWith(QStringLiteral(
      "Tessary was not closed properly. Restore unsaved changes to noname.gda (saved at ")));
  EXPECT_TRUE(std::filesystem::exists(left));
  boxes.RestoreAnswers = {TRestoreChoice::rcRestore};
  second->OfferRecoveryCopies();
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_EQ(second->GDAGrid->Table().Cells(0, 2), u"abc");
  EXPECT_EQ(second->GDAGrid->Table().Cells(0, 1), u"int");
  EXPECT_TRUE(second->Modified());
  EXPECT_EQ(second->GDAFilename(), QStringLiteral("noname.gda"));
  EXPECT_TRUE(std::filesystem::exists(second->RecoveryCopyPath()));

  // Save removes the copy; Discard offered for another one deletes it.
  dialog.Answer = QString::fromStdString((folder / "saved.gda").string());
  boxes.CheckAnswers = {TCheckChoice::ccSaveAnyway};  // "abc" stored as 0
  second->MSaveClick();
  EXPECT_FALSE(second->Modified());
  EXPECT_FALSE(std::filesystem::exists(second->RecoveryCopyPath()));
  std::filesystem::copy_file(own, left);
  boxes.RestoreAnswers = {TRestoreChoice::rcDiscard};
  second->OfferRecoveryCopies();
  EXPECT_FALSE(std::filesystem::exists(left));

  // A window that closes leaves neither its copy nor its lock.
  w.reset();
  second.reset();
  EXPECT_TRUE(FindLeftCopies(folder).empty());
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename(), "saved.gda");
  }
}

}  // namespace
}  // namespace tessary::testing
