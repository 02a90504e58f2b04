#include "app/sheet_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace tessary {

std::optional<int> TQtSheetDialog::Choose(QWidget* parent, const QString& fileName,
                                          const QStringList& sheets, int preselected) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Import from Excel file"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(QStringLiteral("Sheets of %1:").arg(fileName), &dialog);
  auto* list = new QListWidget(&dialog);
  list->setObjectName(QStringLiteral("SheetList"));
  list->addItems(sheets);
  list->setCurrentRow(preselected);
  label->setBuddy(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
  layout->addWidget(label);
  layout->addWidget(list);
  layout->addWidget(buttons);
  list->setFocus();
  if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return std::nullopt;
  return list->currentRow();
}

}  // namespace tessary
