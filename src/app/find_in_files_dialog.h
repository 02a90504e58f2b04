// The Find in files dialog: the text to look for, the folder to search
// (with or without its subfolders), a column name to keep to and Find's
// options. It checks its fields when Find is pressed and stays open with a
// message when they will not do; the window starts the search when it is
// accepted.
#pragma once

#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "grid/find_replace.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tessary {

class TFileDialogPort;

// What to search for and where.
struct TFindInFilesQuery {
  std::filesystem::path Folder;
  bool Subfolders = false;
  TFindOptions Options;
  std::optional<uint32_t> ColumnHash;  // only the columns of this name hash
};

class TFindInFilesDialog : public QDialog {
  Q_OBJECT

 public:
  // Browse asks `folders` for a folder; it is not owned.
  TFindInFilesDialog(QWidget* parent, TFileDialogPort& folders);

  TFindInFilesQuery Query() const;

  QLineEdit* FindText = nullptr;
  QLineEdit* Folder = nullptr;
  QPushButton* BrowseBtn = nullptr;
  QLineEdit* Column = nullptr;
  QCheckBox* MatchCase = nullptr;
  QCheckBox* WholeCell = nullptr;
  QCheckBox* Subfolders = nullptr;
  QLabel* Message = nullptr;
  QDialogButtonBox* Buttons = nullptr;
  QPushButton* FindBtn = nullptr;

  void accept() override;

 private:
  TFileDialogPort& FFolders;
};

}  // namespace tessary
