#include "app/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

#include "grid/widget/qt_text.h"

namespace tessary {

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FindDialog"));
  setModal(false);
  auto* grid = new QGridLayout(this);
  auto* findLabel = new QLabel(QStringLiteral("Find &what:"), this);
  FindText = new QLineEdit(this);
  findLabel->setBuddy(FindText);
  FReplaceLabel = new QLabel(QStringLiteral("Replace w&ith:"), this);
  ReplaceText = new QLineEdit(this);
  FReplaceLabel->setBuddy(ReplaceText);
  MatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
  WholeCell = new QCheckBox(QStringLiteral("W&hole cell"), this);
  FindNextBtn = new QPushButton(QStringLiteral("&Find next"), this);
  ReplaceBtn = new QPushButton(QStringLiteral("&Replace"), this);
  ReplaceAllBtn = new QPushButton(QStringLiteral("Replace &all"), this);
  CloseBtn = new QPushButton(QStringLiteral("Close"), this);
  Message = new QLabel(this);
  Message->setMinimumWidth(220);
  Message->setWordWrap(true);

  auto* options = new QHBoxLayout;
  options->addWidget(MatchCase);
  options->addWidget(WholeCell);
  options->addStretch();
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(FindText, 0, 1);
  grid->addWidget(FindNextBtn, 0, 2);
  grid->addWidget(FReplaceLabel, 1, 0);
  grid->addWidget(ReplaceText, 1, 1);
  grid->addWidget(ReplaceBtn, 1, 2);
  grid->addLayout(options, 2, 1);
  grid->addWidget(ReplaceAllBtn, 2, 2);
  grid->addWidget(Message, 3, 0, 1, 2);
  grid->addWidget(CloseBtn, 3, 2);
  grid->setColumnStretch(1, 1);

  // Enter finds the next cell whichever field has the keys; F3 as well.
  FindNextBtn->setDefault(true);
  for (QPushButton* b : {ReplaceBtn, ReplaceAllBtn, CloseBtn}) b->setAutoDefault(false);
  auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
  connect(f3, &QShortcut::activated, FindNextBtn, &QPushButton::click);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
  // Nothing to look for: nothing to press.
  auto enable = [this] {
    const bool any = !FindText->text().isEmpty();
    for (QPushButton* b : {FindNextBtn, ReplaceBtn, ReplaceAllBtn}) b->setEnabled(any);
  };
  connect(FindText, &QLineEdit::textChanged, this, enable);
  // A message belongs to the search it reported on.
  for (QLineEdit* e : {FindText, ReplaceText}) {
    connect(e, &QLineEdit::textEdited, Message, &QLabel::clear);
  }
  for (QCheckBox* c : {MatchCase, WholeCell})
    connect(c, &QCheckBox::toggled, Message, &QLabel::clear);
  enable();
}

void TFindDialog::SetReplaceShown(bool shown) {
  for (QWidget* w : {static_cast<QWidget*>(FReplaceLabel), static_cast<QWidget*>(ReplaceText),
                     static_cast<QWidget*>(ReplaceBtn), static_cast<QWidget*>(ReplaceAllBtn)}) {
    w->setVisible(shown);
  }
  setWindowTitle(shown ? QStringLiteral("Replace") : QStringLiteral("Find"));
  adjustSize();
}

void TFindDialog::ShowFor(bool replace) {
  SetReplaceShown(replace);
  Message->clear();
  show();
  raise();
  activateWindow();
  FindText->setFocus(Qt::OtherFocusReason);
  FindText->selectAll();
}

void TFindDialog::ShowMessage(const QString& text) {
  Message->setText(text);
  if (!isVisible()) {
    SetReplaceShown(false);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
  }
}

void TFindDialog::KeepClearOf(const QRect& area) {
  const QRect frame = frameGeometry();
  if (!isVisible() || !frame.intersects(area)) return;
  constexpr int kGap = 8;
  const QRect room = screen()->availableGeometry();
  int top = area.bottom() + 1 + kGap;
  if (top + frame.height() > room.bottom() + 1) top = area.top() - kGap - frame.height();
  move(frame.left(), std::max(room.top(), top));
}

TFindOptions TFindDialog::Options() const {
  return TFindOptions{FromQString(FindText->text()), MatchCase->isChecked(),
                      WholeCell->isChecked()};
}

std::u16string TFindDialog::Replacement() const { return FromQString(ReplaceText->text()); }

}  // namespace tessary
