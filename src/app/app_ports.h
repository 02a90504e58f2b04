// The window's dialogs behind small interfaces, so that tests can stand in
// for the file dialog and the message boxes.
#pragma once

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace tessary {

// The file dialogs. `filter` in the form
// "description|pattern[|description|pattern...]"; each returns the chosen
// path, or nothing on cancel. Neither adds an extension to a typed name.
class TFileDialogPort {
 public:
  virtual ~TFileDialogPort() = default;
  // The file-open dialog: names of files that do not exist are accepted.
  virtual std::optional<QString> Execute(QWidget* parent, const QString& fileName,
                                         const QString& filter) = 0;
  // The save dialog, titled "Save as" with a "Save" button, starting in the
  // folder of `fileName` with its name filled in. It does not ask before
  // replacing a file: the window asks through the message boxes.
  virtual std::optional<QString> ExecuteSave(QWidget* parent, const QString& fileName,
                                             const QString& filter) = 0;
  // The folder dialog, starting in `folder`; a port without one chooses
  // nothing.
  virtual std::optional<QString> ExecuteFolder(QWidget* /*parent*/, const QString& /*folder*/) {
    return std::nullopt;
  }
};

enum class TBoxIcon { biNone, biWarning, biError };

// The answers to "Save changes to NAME?".
enum class TSaveChoice { scSave, scDiscard, scCancel };

// The answers to "Tessary was not closed properly. Restore unsaved changes
// to NAME (saved at TIME)?".
enum class TRestoreChoice { rcRestore, rcDiscard, rcLater };

// The answers to the question before saving a table with findings.
enum class TCheckChoice { ccSaveAnyway, ccGoTo, ccCancel };

// Modal message boxes without owner window: a message with one OK button,
// and questions.
class TMessageBoxPort {
 public:
  virtual ~TMessageBoxPort() = default;
  virtual void Show(const QString& text, const QString& caption, TBoxIcon icon) = 0;
  // Buttons "Save", "Discard" and "Cancel"; Esc cancels.
  virtual TSaveChoice AskSaveChanges(const QString& text, const QString& caption) = 0;
  // Buttons "Yes" and "No"; Esc answers No.
  virtual bool AskYesNo(const QString& text, const QString& caption) = 0;
  // Buttons "Restore", "Discard" and "Later"; Esc answers Later.
  virtual TRestoreChoice AskRestore(const QString& text, const QString& caption) = 0;
  // Buttons "Save anyway", "Go to" and "Cancel"; Esc cancels.
  virtual TCheckChoice AskBeforeSave(const QString& text, const QString& caption) = 0;
};

class TQtFileDialog : public TFileDialogPort {
 public:
  std::optional<QString> Execute(QWidget* parent, const QString& fileName,
                                 const QString& filter) override;
  std::optional<QString> ExecuteSave(QWidget* parent, const QString& fileName,
                                     const QString& filter) override;
  std::optional<QString> ExecuteFolder(QWidget* parent, const QString& folder) override;
};

class TQtMessageBoxes : public TMessageBoxPort {
 public:
  void Show(const QString& text, const QString& caption, TBoxIcon icon) override;
  TSaveChoice AskSaveChanges(const QString& text, const QString& caption) override;
  bool AskYesNo(const QString& text, const QString& caption) override;
  TRestoreChoice AskRestore(const QString& text, const QString& caption) override;
  TCheckChoice AskBeforeSave(const QString& text, const QString& caption) override;
};

// "GDA files|*.gda" as a Qt name filter: "GDA files (*.gda)".
QString QtNameFilter(const QString& filter);

// The message boxes of the application: the Qt ones unless replaced.
TMessageBoxPort& MessageBoxes();
// Replaces them (nullptr restores the Qt ones); returns the previous port.
TMessageBoxPort* SetMessageBoxes(TMessageBoxPort* boxes);

// Routes ShowError to a box with the caption "Error:" and no icon.
void InstallShowErrorBox();

// The general error report for a failure no command caught: its text (with
// the full-stop rule), the caption "Tessary", the error icon.
void ReportGeneralError(const std::string& message);

}  // namespace tessary
