// The window's recovery copy: written while the table has unsaved changes,
// removed when they are saved or discarded and when the window closes, and
// offered at the next start when a window did not close cleanly.
#include <QButtonGroup>
#include <QDateTime>
#include <QLocale>
#include <QTimer>
#include <chrono>
#include <ctime>

#include "app/frm_tessary.h"
#include "app/recovery_store.h"
#include "grid/widget/table_grid.h"
#include "table/cell_table.h"

namespace tessary {

// The window's copy, its schedule and the timer that runs it.
struct TWindowRecovery {
  explicit TWindowRecovery(QObject* owner)
      : Copy(RecoveryFolder()),
        Schedule([] { return std::chrono::steady_clock::now(); }),
        Timer(new QTimer(owner)) {
    Timer->setSingleShot(true);
  }
  TRecoveryCopy Copy;
  TRecoverySchedule Schedule;
  QTimer* Timer;
  bool Written = false;  // the folder holds a copy of this window's table
};

void TfrmTessary::StartRecovery() {
  FRecovery = std::make_shared<TWindowRecovery>(this);
  connect(FRecovery->Timer, &QTimer::timeout, this, [this] { WriteRecoveryCopyIfDue(); });
}

// A window that closes cleanly leaves neither its copy nor its lock, also
// when the run ends before the window object is deleted.
void TfrmTessary::EndRecovery() {
  if (FRecovery) FRecovery->Timer->stop();
  FRecovery.reset();
}

void TfrmTessary::SetRecoveryClock(std::function<std::chrono::steady_clock::time_point()> clock) {
  FRecovery->Schedule = TRecoverySchedule(std::move(clock));
}

std::filesystem::path TfrmTessary::RecoveryCopyPath() const {
  return FRecovery ? FRecovery->Copy.Path() : std::filesystem::path();
}

// Every change of the table's history: unsaved changes make a copy due,
// none left (saved, undone to the saved state, a new table) removes it.
void TfrmTessary::UpdateRecovery() {
  if (!FRecovery) return;
  TWindowRecovery& r = *FRecovery;
  if (Modified()) {
    r.Schedule.Changed();
    if (!r.Timer->isActive()) r.Timer->start(static_cast<int>(r.Schedule.DueIn()->count()));
    return;
  }
  r.Schedule.Done();
  r.Timer->stop();
  if (r.Written) {
    r.Copy.Remove();
    r.Written = false;
  }
}

// The texts are copied on this thread (one pass over the cells); the file
// is written on a worker thread, so that typing goes on meanwhile.
bool TfrmTessary::WriteRecoveryCopyIfDue() {
  if (!FRecovery) return false;
  TWindowRecovery& r = *FRecovery;
  const std::optional<std::chrono::milliseconds> due = r.Schedule.DueIn();
  if (!due || !r.Copy.Usable()) return false;
  if (due->count() > 0 || r.Copy.Busy()) {
    r.Timer->start(static_cast<int>(std::max<int64_t>(due->count(), 1000)));
    return false;
  }
  TRecoveryHeader header;
  header.DocumentPath = FGDAFilename.toStdU16String();
  header.HasFile = FHasFile;
  header.Designer = ModeButtons->checkedId() == 1;
  header.SavedAt = static_cast<int64_t>(std::time(nullptr));
  r.Copy.Write(SerializeRecovery(header, GDAGrid->Table()));
  r.Schedule.Done();
  r.Written = true;
  return true;
}

// A copy left behind becomes this window's document: its texts, its path
// (Save writes there when it named a file), its mode, marked unsaved. This
// window's own copy holds it before the old one goes.
bool TfrmTessary::RestoreRecoveryCopy(TLeftCopy& copy) {
  TCellTable cells;
  if (!ReadLeftCopy(copy, cells)) {
    MessageBoxes().Show(QStringLiteral("The recovery copy cannot be read."), kApplicationTitle,
                        TBoxIcon::biError);
    return false;
  }
  const QString path = QString::fromStdU16String(copy.Header.DocumentPath);
  TakeImportedTable(cells, path);
  FHasFile = copy.Header.HasFile;
  SetFilename(path);
  if (copy.Header.Designer) {
    DesignerMode(true);
    ShowMode();
    GDAGrid->History().ClearUnsaved();
  }
  if (!FRecovery) return true;
  TWindowRecovery& r = *FRecovery;
  if (r.Copy.Usable()) {
    TRecoveryHeader header = copy.Header;
    header.SavedAt = static_cast<int64_t>(std::time(nullptr));
    r.Copy.Write(SerializeRecovery(header, GDAGrid->Table()));
    r.Copy.Wait();
    r.Schedule.Done();
    r.Timer->stop();
    r.Written = true;
    copy.Remove();
  }
  return true;
}

// Each copy no running window holds is offered once: Restore opens it
// (here when this window holds a new, untouched table, else in a new
// window), Discard deletes it, Later keeps it for the next start.
void TfrmTessary::OfferRecoveryCopies() {
  for (TLeftCopy& copy : FindLeftCopies(RecoveryFolder())) {
    const QString name = FileNamePart(QString::fromStdU16String(copy.Header.DocumentPath));
    const QString time = QLocale::system().toString(
        QDateTime::fromSecsSinceEpoch(copy.Header.SavedAt), QLocale::ShortFormat);
    const QString text = QStringLiteral(
                             "Tessary was not closed properly. Restore unsaved changes to %1 "
                             "(saved at %2)?")
                             .arg(name, time);
    switch (MessageBoxes().AskRestore(text, kApplicationTitle)) {
      case TRestoreChoice::rcRestore: {
        TfrmTessary* target = !Modified() && !FHasFile ? this : MNewwindowClick();
        target->RestoreRecoveryCopy(copy);
        break;
      }
      case TRestoreChoice::rcDiscard:
        copy.Remove();
        break;
      case TRestoreChoice::rcLater:
        break;
    }
  }
}

}  // namespace tessary
