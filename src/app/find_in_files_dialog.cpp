#include "app/find_in_files_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/app_ports.h"
#include "app/window_paths.h"
#include "gff/column_names.h"
#include "grid/widget/qt_text.h"

namespace tessary {

TFindInFilesDialog::TFindInFilesDialog(QWidget* parent, TFileDialogPort& folders)
    : QDialog(parent), FFolders(folders) {
  setObjectName(QStringLiteral("FindInFilesDialog"));
  setWindowTitle(QStringLiteral("Find in files"));
  auto* grid = new QGridLayout(this);
  auto addRow = [this, grid](int row, const QString& label, QLineEdit*& edit) {
    auto* l = new QLabel(label, this);
    edit = new QLineEdit(this);
    l->setBuddy(edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(edit, row, 1);
  };
  addRow(0, QStringLiteral("Find &what:"), FindText);
  addRow(1, QStringLiteral("In &folder:"), Folder);
  addRow(2, QStringLiteral("In c&olumn:"), Column);
  Column->setPlaceholderText(QStringLiteral("every column"));
  BrowseBtn = new QPushButton(QStringLiteral("&Browse..."), this);
  BrowseBtn->setAutoDefault(false);
  grid->addWidget(BrowseBtn, 1, 2);

  MatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
  WholeCell = new QCheckBox(QStringLiteral("W&hole cell"), this);
  Subfolders = new QCheckBox(QStringLiteral("Include &subfolders"), this);
  auto* options = new QHBoxLayout;
  for (QCheckBox* c : {MatchCase, WholeCell, Subfolders}) options->addWidget(c);
  options->addStretch();
  grid->addLayout(options, 3, 1, 1, 2);

  Message = new QLabel(this);
  Message->setWordWrap(true);
  grid->addWidget(Message, 4, 0, 1, 3);
  Buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  FindBtn = Buttons->addButton(QStringLiteral("Find"), QDialogButtonBox::AcceptRole);
  FindBtn->setDefault(true);
  grid->addWidget(Buttons, 5, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnMinimumWidth(1, fontMetrics().averageCharWidth() * 48);

  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(BrowseBtn, &QPushButton::clicked, this, [this] {
    if (const std::optional<QString> chosen = FFolders.ExecuteFolder(this, Folder->text())) {
      Folder->setText(*chosen);
    }
  });
  auto enable = [this] { FindBtn->setEnabled(!FindText->text().isEmpty()); };
  connect(FindText, &QLineEdit::textChanged, this, enable);
  for (QLineEdit* e : {FindText, Folder, Column}) {
    connect(e, &QLineEdit::textEdited, Message, &QLabel::clear);
  }
  enable();
}

TFindInFilesQuery TFindInFilesDialog::Query() const {
  TFindInFilesQuery query;
  query.Folder = ToPath(Folder->text());
  query.Subfolders = Subfolders->isChecked();
  query.Options =
      TFindOptions{FromQString(FindText->text()), MatchCase->isChecked(), WholeCell->isChecked()};
  if (!Column->text().isEmpty()) query.ColumnHash = NameToHash(FromQString(Column->text()));
  return query;
}

void TFindInFilesDialog::accept() {
  if (FindText->text().isEmpty()) return;
  const QString folder = Folder->text();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    Message->setText(folder.isEmpty() ? QStringLiteral("Choose the folder to search.")
                                      : QStringLiteral("There is no folder %1.").arg(folder));
    Folder->setFocus(Qt::OtherFocusReason);
    return;
  }
  Message->clear();
  QDialog::accept();
}

}  // namespace tessary
