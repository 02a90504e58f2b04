// The window's desktop habits: menus and keys, the in-place editor keeping
// its keys, Find and Replace, Go to row, dropping a file, the user
// dictionary of column names, and where an opened file starts.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

#include "app/find_dialog.h"
#include "app/frm_tessary.h"
#include "app/go_to_row_dialog.h"
#include "gff/column_names.h"
#include "gff/g2da.h"
#include "grid/widget/table_grid.h"
#include "grid/widget/table_inplace_edit.h"
#include "gui_fakes.h"

namespace tessary {
namespace {

using testing::FakeBoxes;
using testing::FakeDialog;
using testing::Press;
using testing::Type;

class WindowCommandsTest : public ::testing::Test {
 protected:
  std::unique_ptr<TfrmTessary> Start(const QString& startFile = QString()) {
    return testing::StartWindow(&dialog_, startFile);
  }
  // Columns ID and Name; the IDs are 10, 20, ... and the names `names`.
  QString Table(const QString& file, const std::vector<std::u16string>& names) {
    TCellTable t;
    t.SetColCount(2);
    t.SetRowCount(static_cast<int32_t>(names.size()) + 2);
    for (int32_t r = 0; r < t.RowCount(); ++r) {
      t.SetCells(0, r,
                 r == 0   ? u"ID"
                 : r == 1 ? u"int"
                          : FromQString(QString::number(10 * (r - 1))));
      t.SetCells(1, r, r == 0 ? u"Name" : r == 1 ? u"string" : names[static_cast<size_t>(r - 2)]);
    }
    const QString path = dir_.filePath(file);
    EXPECT_TRUE(SaveGDA(t, QFile::encodeName(path).toStdString()));
    return path;
  }
  static void Drop(TfrmTessary& w, const QString& path, bool accepted) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    EXPECT_EQ(enter.isAccepted(), accepted);
    if (!accepted) return;
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &drop);
    QCoreApplication::processEvents();
  }

  FakeBoxes boxes_;
  FakeDialog dialog_;
  QTemporaryDir dir_;
};

TEST_F(WindowCommandsTest, MenusCarryTheirKeysAndTheKeysReachThem) {
  auto w = Start();
  QStringList menus;
  for (QAction* m : w->menuBar()->actions()) menus << m->text();
  EXPECT_EQ(menus.join(u','), QStringLiteral("&File,&Edit,&View,&Table,&Help"));
  auto keys = [](QMenu* menu) {
    QStringList items;
    for (QAction* a : menu->actions()) {
      if (!a->isSeparator()) items << a->text() + QLatin1Char('=') + a->shortcut().toString();
    }
    return items.join(u',');
  };
  EXPECT_EQ(keys(w->MFile),
            QStringLiteral("Open=Ctrl+O,Save=Ctrl+S,Save as=Ctrl+Shift+S,"
                           "Close=Ctrl+N,Export to=,Import from=,Open recent=,"
                           "New window=Ctrl+Shift+N,Compare with...=,Append table...=,"
                           "Quit=Ctrl+Q"));
  EXPECT_EQ(keys(w->MEdit),
            QStringLiteral("Undo=Ctrl+Z,Redo=Ctrl+Y,Cut=Ctrl+X,Copy=Ctrl+C,Paste=Ctrl+V,"
                           "Select all=Ctrl+A,Find...=Ctrl+F,Find next=F3,Replace...=Ctrl+H,"
                           "Find in files...=Ctrl+Shift+F,Go to row...=Ctrl+G,Fill down=Ctrl+D,"
                           "Next difference=F8,Previous difference=Shift+F8,Take other value="));
  EXPECT_EQ(keys(w->MTable),
            QStringLiteral("Sort ascending=,Sort descending=,Filter...=Ctrl+Shift+L,Clear filter=,"
                           "Insert column=,Delete columns="));
  EXPECT_EQ(w->MRedo->shortcuts().value(1), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
  EXPECT_EQ(keys(w->GridContextMenu(QPoint(), false)),
            QStringLiteral("Cut=Ctrl+X,Copy=Ctrl+C,Paste=Ctrl+V,Fill down=Ctrl+D,Insert row=,"
                           "Delete rows=,Insert column=,Delete columns=,Sort ascending=,"
                           "Sort descending=,Filter: equals this cell=,Clear filter="));

  Press(Qt::Key_O, Qt::ControlModifier);  // the open dialog, cancelled
  EXPECT_EQ(dialog_.Calls, 1);
  Press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(dialog_.SaveCalls, 1);
  Press(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(w->GDAGrid->Table().Selection(), (TGridRect{0, 0, 0, 2}));
  Press(Qt::Key_F, Qt::ControlModifier);
  ASSERT_NE(w->FindDialog(), nullptr);
  EXPECT_TRUE(w->FindDialog()->isVisible());
  EXPECT_FALSE(w->FindDialog()->ReplaceText->isVisible());
}

// Undo, redo and clipboard keys act on the text being edited, not the table.
TEST_F(WindowCommandsTest, TheInPlaceEditorKeepsItsKeys) {
  auto w = Start(Table(QStringLiteral("t.gda"), {u"alpha", u"beta"}));
  TCellTable& t = w->GDAGrid->Table();
  Press(Qt::Key_Right);
  Press(Qt::Key_F2);
  ASSERT_TRUE(w->GDAGrid->EditorMode());
  Press(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(t.Selection(), (TGridRect{1, 2, 1, 2}));
  Press(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("alpha"));
  Type(QStringLiteral("x"));
  Press(Qt::Key_V, Qt::ControlModifier);
  Press(Qt::Key_Z, Qt::ControlModifier);
  Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  Press(Qt::Key_Z, Qt::ControlModifier);
  Press(Qt::Key_Y, Qt::ControlModifier);
  ASSERT_TRUE(w->GDAGrid->EditorMode());
  EXPECT_EQ(w->GDAGrid->InplaceEditor()->toPlainText(), QStringLiteral("xalpha"));
  EXPECT_EQ(t.Cells(1, 3), u"beta");  // no table step was undone or redone
  Press(Qt::Key_Return);
  EXPECT_EQ(t.Cells(1, 2), u"xalpha");
}

TEST_F(WindowCommandsTest, FindWrapsAndReplaceAllIsOneStep) {
  auto w = Start(Table(QStringLiteral("t.gda"), {u"Red fox", u"blue", u"red", u"RED"}));
  TCellTable& t = w->GDAGrid->Table();
  w->MFind->trigger();
  TFindDialog* find = w->FindDialog();
  find->FindText->setText(QStringLiteral("red"));
  find->MatchCase->setChecked(true);
  QTest::mouseClick(find->FindNextBtn, Qt::LeftButton);
  EXPECT_EQ(t.Current(), (TGridCoord{1, 4}));
  EXPECT_TRUE(find->Message->text().isEmpty());
  w->MFindnext->trigger();  // F3: past the end, on from the top, said in the status line
  EXPECT_EQ(t.Current(), (TGridCoord{1, 4}));
  EXPECT_EQ(w->statusBar()->currentMessage(),
            QStringLiteral("Passed the end of the table; went on from the top."));
  find->FindText->setText(QStringLiteral("green"));
  w->MFindnext->trigger();
  EXPECT_EQ(find->Message->text(), QStringLiteral("\"green\" was not found."));

  // Replace: the current cell when it matches, then on to the next one.
  w->MReplace->trigger();
  find->FindText->setText(QStringLiteral("red"));
  find->ReplaceText->setText(QStringLiteral("green"));
  find->MatchCase->setChecked(false);
  t.MoveCurrent(TGridCoord{1, 4});
  QTest::mouseClick(find->ReplaceBtn, Qt::LeftButton);
  EXPECT_EQ(t.Cells(1, 4), u"green");
  EXPECT_EQ(t.Current(), (TGridCoord{1, 5}));
  w->EditUndo();

  // Replace all: every matching cell, undone by one undo.
  QTest::mouseClick(find->ReplaceAllBtn, Qt::LeftButton);
  EXPECT_EQ(find->Message->text(), QStringLiteral("Replaced in 3 cells."));
  EXPECT_EQ(t.Cells(1, 2), u"green fox");
  EXPECT_EQ(t.Cells(1, 5), u"green");
  w->EditUndo();
  EXPECT_EQ(t.Cells(1, 2), u"Red fox");
  EXPECT_EQ(t.Cells(1, 5), u"RED");
  EXPECT_FALSE(w->Modified());

  // Designer mode: the names row is searched too.
  w->ModeButtons->button(1)->click();
  find->FindText->setText(QStringLiteral("Name"));
  QTest::mouseClick(find->FindNextBtn, Qt::LeftButton);
  EXPECT_EQ(t.Current(), (TGridCoord{1, 0}));
}

TEST_F(WindowCommandsTest, GoToRowByNumberAndById) {
  auto w = Start(Table(QStringLiteral("t.gda"), {u"a", u"b", u"c", u"d"}));
  TCellTable& t = w->GDAGrid->Table();
  auto go = [&](bool byId, const QString& value) {
    Press(Qt::Key_G, Qt::ControlModifier);
    auto* dialog = w->findChild<TGoToRowDialog*>();
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return QString();
    (byId ? dialog->ByIdValue : dialog->ByNumber)->setChecked(true);
    dialog->Value->setText(value);
    dialog->Buttons->button(QDialogButtonBox::Ok)->click();
    const QString message = dialog->Message->text();
    if (dialog->isVisible()) dialog->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return message;
  };
  EXPECT_EQ(go(false, QStringLiteral("3")), QString());
  EXPECT_EQ(t.Current(), (TGridCoord{0, 4}));
  EXPECT_EQ(go(true, QStringLiteral("40")), QString());
  EXPECT_EQ(t.Current(), (TGridCoord{0, 5}));
  EXPECT_EQ(go(false, QStringLiteral("5")), QStringLiteral("Type a data row number from 1 to 4."));
  EXPECT_EQ(go(true, QStringLiteral("50")), QStringLiteral("No data row has the ID \"50\"."));
  EXPECT_EQ(t.Current(), (TGridCoord{0, 5}));

  // Alt+N and Alt+I choose the kind and leave the keys in the value.
  Press(Qt::Key_G, Qt::ControlModifier);
  TGoToRowDialog* dialog = nullptr;
  for (auto* d : w->findChildren<TGoToRowDialog*>()) dialog = d->isVisible() ? d : dialog;
  ASSERT_NE(dialog, nullptr);
  QApplication::setActiveWindow(dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
  Press(Qt::Key_I, Qt::AltModifier);
  EXPECT_TRUE(dialog->ByIdValue->isChecked());
  Press(Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(dialog->ByNumber->isChecked());
  Type(QStringLiteral("2"));
  Press(Qt::Key_Return);
  EXPECT_EQ(t.Current(), (TGridCoord{0, 3}));
}

TEST_F(WindowCommandsTest, DroppingATableFileOpensIt) {
  const QString first = Table(QStringLiteral("first.gda"), {u"a"});
  const QString second = Table(QStringLiteral("second.GDA"), {u"b"});
  auto w = Start(first);
  Drop(*w, dir_.filePath(QStringLiteral("notes.txt")), false);
  Press(Qt::Key_Right);
  Type(QStringLiteral("changed"));
  Press(Qt::Key_Return);
  Drop(*w, second, true);  // asked first; Cancel keeps the table
  ASSERT_EQ(boxes_.Questions.size(), 1u);
  EXPECT_EQ(w->GDAFilename(), first);
  boxes_.SaveAnswers = {TSaveChoice::scDiscard};
  Drop(*w, second, true);
  EXPECT_EQ(w->GDAFilename(), second);
  EXPECT_EQ(w->GDAGrid->Table().Cells(1, 2), u"b");
}

TEST_F(WindowCommandsTest, ColumnNamesTheUserTypedComeBack) {
  const QString path = Table(QStringLiteral("t.gda"), {u"a"});
  auto w = Start(path);
  TCellTable& t = w->GDAGrid->Table();
  ASSERT_TRUE(w->UserNamesFile().has_value());
  EXPECT_TRUE(w->UserNamesFile()->string().starts_with(qgetenv("XDG_DATA_HOME").toStdString()));
  w->ModeButtons->button(1)->click();
  t.SetCells(1, 0, u"my_label");
  w->MSave->trigger();
  w->MClose->trigger();
  ASSERT_TRUE(w->OpenFile(path));
  EXPECT_EQ(t.Cells(1, 0), u"my_label");

  // A damaged dictionary: one warning in a run, and the tables still open.
  QFile file(QString::fromStdString(w->UserNamesFile()->string()));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("name\0with a NUL byte", 20);
  file.close();
  ASSERT_TRUE(w->OpenFile(path));
  ASSERT_TRUE(w->OpenFile(path));
  ASSERT_EQ(boxes_.Shown.size(), 1u);
  EXPECT_TRUE(boxes_.Shown[0].Text.startsWith(
      QStringLiteral("The user dictionary of column names is ignored.")));
  EXPECT_EQ(t.Cells(1, 0), HashToName(NameToHash(u"my_label")));
}

// An opened file starts at its first data cell, at the top; a text that does
// not fit its cell shows whole lines only.
TEST_F(WindowCommandsTest, AnOpenedFileStartsTopLeftAndCellsShowWholeLines) {
  std::vector<std::u16string> names(300, u"x");
  names[0] = u"Human\r\nwarrior";
  const QString path = Table(QStringLiteral("t.gda"), names);
  auto w = Start(path);
  TCellTable& t = w->GDAGrid->Table();
  Press(Qt::Key_End, Qt::ControlModifier);
  ASSERT_GT(t.TopRow(), 100);
  ASSERT_TRUE(w->OpenFile(path));
  EXPECT_EQ(t.Current(), (TGridCoord{0, 2}));
  EXPECT_EQ(t.TopRow(), 2);
  EXPECT_EQ(t.LeftCol(), 0);

  const QRect cell = w->GDAGrid->CellRect(1, 2);
  const QImage image = w->GDAGrid->viewport()->grab(cell).toImage();
  const int lineBottom = 2 + QFontMetrics(w->GDAGrid->CellFont()).height();
  int inked = 0;
  for (int y = lineBottom; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) inked += image.pixelColor(x, y).lightness() < 128;
  }
  EXPECT_EQ(inked, 0);  // nothing of the second line
}

}  // namespace
}  // namespace tessary
