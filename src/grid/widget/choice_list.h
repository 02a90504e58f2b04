// The list of choices the in-place editor offers under a cell whose texts
// come from a fixed set (the column types of the types row). It never takes
// the keyboard: the editor keeps the keys, steps through the list with Up
// and Down, and a click on an entry chooses it.
#pragma once

#include <QListWidget>
#include <QStringList>

namespace tessary {

class TChoiceList : public QListWidget {
  Q_OBJECT

 public:
  explicit TChoiceList(QWidget* parent);

  // Fills the list and shows it beside `cell` (client coordinates of the
  // parent): below it where it fits, else above it.
  void Open(const QStringList& choices, const QRect& cell);
  void Place(const QRect& cell);
  // Marks the first entry that begins with `text` (letter case aside), or
  // none.
  void Match(const QString& text);
  // The marked entry `delta` entries on, within the list; its text.
  QString Step(int delta);
  // The marked entry's text ("" when none is marked).
  QString Marked() const;

 signals:
  void Chosen(const QString& text);
};

}  // namespace tessary
