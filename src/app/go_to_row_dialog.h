// The window's Go to row dialog: a data row number (the first data row is
// 1) or, where the first column is "ID", an ID value. It looks the row up
// when OK is pressed and stays open with a message when there is none.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tessary {

class TCellTable;

class TGoToRowDialog : public QDialog {
  Q_OBJECT

 public:
  // `byId` chooses the ID value first (where the table has an ID column).
  TGoToRowDialog(QWidget* parent, const TCellTable& table, bool byId);

  // The grid row found, once accepted.
  std::optional<int32_t> FoundRow() const { return FFound; }
  bool ById() const;

  QRadioButton* ByNumber = nullptr;
  QRadioButton* ByIdValue = nullptr;
  QLineEdit* Value = nullptr;
  QLabel* Message = nullptr;
  QDialogButtonBox* Buttons = nullptr;

  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const TCellTable& FTable;
  std::optional<int32_t> FFound;
};

}  // namespace tessary
