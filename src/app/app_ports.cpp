#include "app/app_ports.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "common/error_report.h"
#include "gff/show_error.h"

namespace tessary {

QString QtNameFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

std::optional<QString> TQtFileDialog::Execute(QWidget* parent, const QString& fileName,
                                              const QString& filter) {
  // Qt's own dialog: an open dialog that also takes names of new files, adds
  // no extension and never asks before overwriting.
  QFileDialog dialog(parent);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QtNameFilter(filter));
  if (!fileName.isEmpty()) dialog.selectFile(fileName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}

std::optional<QString> TQtFileDialog::ExecuteSave(QWidget* parent, const QString& fileName,
                                                  const QString& filter) {
  QFileDialog dialog(parent, QStringLiteral("Save as"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Save"));
  dialog.setNameFilter(QtNameFilter(filter));
  const QFileInfo info(fileName);
  dialog.setDirectory(info.absolutePath());
  dialog.selectFile(info.fileName());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}

std::optional<QString> TQtFileDialog::ExecuteFolder(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QStringLiteral("Choose a folder"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}

void TQtMessageBoxes::Show(const QString& text, const QString& caption, TBoxIcon icon) {
  const QMessageBox::Icon shown = icon == TBoxIcon::biError     ? QMessageBox::Critical
                                  : icon == TBoxIcon::biWarning ? QMessageBox::Warning
                                                                : QMessageBox::NoIcon;
  QMessageBox box(shown, caption, text, QMessageBox::Ok);
  box.exec();
}

TSaveChoice TQtMessageBoxes::AskSaveChanges(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Warning, caption, text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  // The same texts on every desktop.
  box.button(QMessageBox::Save)->setText(QStringLiteral("Save"));
  box.button(QMessageBox::Discard)->setText(QStringLiteral("Discard"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancel"));
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save:
      return TSaveChoice::scSave;
    case QMessageBox::Discard:
      return TSaveChoice::scDiscard;
    default:
      return TSaveChoice::scCancel;
  }
}

bool TQtMessageBoxes::AskYesNo(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("Yes"));
  box.button(QMessageBox::No)->setText(QStringLiteral("No"));
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

TRestoreChoice TQtMessageBoxes::AskRestore(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption, text);
  QPushButton* restore = box.addButton(QStringLiteral("Restore"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
  QPushButton* later = box.addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
  box.setDefaultButton(restore);
  box.setEscapeButton(later);
  box.exec();
  if (box.clickedButton() == restore) return TRestoreChoice::rcRestore;
  if (box.clickedButton() == discard) return TRestoreChoice::rcDiscard;
  return TRestoreChoice::rcLater;
}

TCheckChoice TQtMessageBoxes::AskBeforeSave(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Warning, caption, text);
  QPushButton* save = box.addButton(QStringLiteral("Save anyway"), QMessageBox::AcceptRole);
  QPushButton* goTo = box.addButton(QStringLiteral("Go to"), QMessageBox::ActionRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(goTo);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return TCheckChoice::ccSaveAnyway;
  if (box.clickedButton() == goTo) return TCheckChoice::ccGoTo;
  return TCheckChoice::ccCancel;
}

namespace {

TMessageBoxPort*& CurrentBoxes() {
  static TQtMessageBoxes qtBoxes;
  static TMessageBoxPort* current = &qtBoxes;
  return current;
}

}  // namespace

TMessageBoxPort& MessageBoxes() { return *CurrentBoxes(); }

TMessageBoxPort* SetMessageBoxes(TMessageBoxPort* boxes) {
  static TQtMessageBoxes qtBoxes;
  TMessageBoxPort* previous = CurrentBoxes();
  CurrentBoxes() = boxes ? boxes : &qtBoxes;
  return previous;
}

void InstallShowErrorBox() {
  SetShowErrorHandler([](const std::string& message) {
    MessageBoxes().Show(QString::fromStdString(message), QStringLiteral("Error:"),
                        TBoxIcon::biNone);
  });
}

void ReportGeneralError(const std::string& message) {
  MessageBoxes().Show(QString::fromStdString(GeneralErrorText(message)), QStringLiteral("Tessary"),
                      TBoxIcon::biError);
}

}  // namespace tessary
