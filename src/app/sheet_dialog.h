// The choice of the worksheet an import from a workbook reads.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace tessary {

class TSheetChoicePort {
 public:
  virtual ~TSheetChoicePort() = default;
  // Shows the workbook's sheets with `preselected` chosen; returns the
  // position of the sheet picked, or nothing on cancel.
  virtual std::optional<int> Choose(QWidget* parent, const QString& fileName,
                                    const QStringList& sheets, int preselected) = 0;
};

// A modal dialog "Import from Excel file": the file's name, the list of
// sheets, OK and Cancel; a double click or Enter picks a sheet.
class TQtSheetDialog : public TSheetChoicePort {
 public:
  std::optional<int> Choose(QWidget* parent, const QString& fileName, const QStringList& sheets,
                            int preselected) override;
};

}  // namespace tessary
