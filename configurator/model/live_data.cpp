#include "model/live_data.h"

namespace velk {

LiveData::LiveData()
    : ring([this] {
        NewBurstData.store(true);
        graph.requestRepaint();
      }) {
  QObject::connect(&graph, &LiveGraphState::repaintDue, &graph, [this] { NewBurstData.store(false); });
}

}  // namespace velk
