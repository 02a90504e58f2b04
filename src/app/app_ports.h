// The window's dialogs behind small interfaces, so that tests can stand in
// for the file dialog and the message boxes.
#pragma once

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace tessary {

// The file-open dialog, also used by "Save as": no default extension, no
// overwrite prompt, names of files that do not exist are accepted.
class TFileDialogPort {
 public:
  virtual ~TFileDialogPort() = default;
  // `filter` in the form "description|pattern[|description|pattern...]".
  // Returns the chosen path, or nothing on cancel.
  virtual std::optional<QString> Execute(QWidget* parent, const QString& fileName,
                                         const QString& filter) = 0;
};

enum class TBoxIcon { biNone, biError };

// Modal message boxes with one OK button and no owner window.
class TMessageBoxPort {
 public:
  virtual ~TMessageBoxPort() = default;
  virtual void Show(const QString& text, const QString& caption, TBoxIcon icon) = 0;
};

class TQtFileDialog : public TFileDialogPort {
 public:
  std::optional<QString> Execute(QWidget* parent, const QString& fileName,
                                 const QString& filter) override;
};

class TQtMessageBoxes : public TMessageBoxPort {
 public:
  void Show(const QString& text, const QString& caption, TBoxIcon icon) override;
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
