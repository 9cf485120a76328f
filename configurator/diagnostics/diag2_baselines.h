#pragma once
// Which curve DIAG 2 draws beside an uploaded data set: the baseline the
// device history keeps for the device shown and that data set, looked up
// off the GUI thread once per device and data set, and taken over as soon as
// another is marked. A record loaded from the DB page stands in its place
// until then (history_views.h).

#include <QObject>
#include <QPointer>
#include <QSet>

#include "diagnostics/logic/diagnostic_graphs.h"

namespace velk {

class FormState;
class ProgramHistory;
struct WindowState;

class Diag2Baselines : public QObject {
  Q_OBJECT

 public:
  Diag2Baselines(FormState& form, WindowState& window, QObject* parent = nullptr);

  // The history to ask; none: no baselines.
  void setHistory(ProgramHistory* history);
  // Asks for the shown device's baseline of the graph's data set unless it
  // is known (or asked for); changed() follows once it has arrived.
  void want(Diag2Graph graph);

 Q_SIGNALS:
  void changed();

 private:
  std::optional<qint64> shownDevice() const;

  FormState& form_;
  WindowState& window_;
  QPointer<ProgramHistory> history_;
  QSet<QString> asked_;  // "device/data set"
};

}  // namespace velk
