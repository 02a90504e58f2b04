#include "app/go_to_row_dialog.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "grid/row_lookup.h"
#include "grid/widget/qt_text.h"

namespace tessary {

TGoToRowDialog::TGoToRowDialog(QWidget* parent, const TCellTable& table, bool byId)
    : QDialog(parent), FTable(table) {
  setObjectName(QStringLiteral("GoToRowDialog"));
  setWindowTitle(QStringLiteral("Go to row"));
  const int32_t rows = std::max(0, table.RowCount() - kFirstDataRow);
  ByNumber = new QRadioButton(QStringLiteral("Data row &number (1 to %1)").arg(rows), this);
  ByIdValue = new QRadioButton(QStringLiteral("&ID value"), this);
  const bool hasId = HasIdColumn(table);
  ByIdValue->setEnabled(hasId);
  (hasId && byId ? ByIdValue : ByNumber)->setChecked(true);
  Value = new QLineEdit(this);
  Value->setMinimumWidth(200);
  Message = new QLabel(this);
  Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ByNumber);
  layout->addWidget(ByIdValue);
  layout->addWidget(Value);
  layout->addWidget(Message);
  layout->addWidget(Buttons);
  connect(Buttons, &QDialogButtonBox::accepted, this, &TGoToRowDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(Value, &QLineEdit::textEdited, Message, &QLabel::clear);
  // Choosing a kind with Alt+N or Alt+I, or a click, leaves the keys in
  // the value, so that the digits typed next go there.
  for (QRadioButton* choice : {ByNumber, ByIdValue}) {
    choice->installEventFilter(this);
    connect(choice, &QRadioButton::clicked, this,
            [this] { Value->setFocus(Qt::MouseFocusReason); });
  }
  Value->setFocus(Qt::OtherFocusReason);
}

bool TGoToRowDialog::ById() const { return ByIdValue->isChecked(); }

bool TGoToRowDialog::eventFilter(QObject* watched, QEvent* event) {
  auto* choice = qobject_cast<QRadioButton*>(watched);
  if (choice && event->type() == QEvent::Shortcut) {
    if (choice->isEnabled()) choice->setChecked(true);
    Value->setFocus(Qt::ShortcutFocusReason);
    Value->selectAll();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TGoToRowDialog::accept() {
  const QString text = Value->text().trimmed();
  const int32_t rows = std::max(0, FTable.RowCount() - kFirstDataRow);
  if (ById()) {
    FFound = RowOfId(FTable, FromQString(text));
    if (!FFound) {
      Message->setText(QStringLiteral("No data row has the ID \"%1\".").arg(text));
      return;
    }
  } else {
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    FFound = ok ? RowOfDataNumber(FTable, number) : std::nullopt;
    if (!FFound) {
      Message->setText(rows == 0
                           ? QStringLiteral("The table has no data rows.")
                           : QStringLiteral("Type a data row number from 1 to %1.").arg(rows));
      return;
    }
  }
  QDialog::accept();
}

}  // namespace tessary
