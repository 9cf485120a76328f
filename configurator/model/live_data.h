#pragma once
// The live values the positioner's burst messages bring: the four dynamic
// variables with their units, the live graph's sample ring and the flags that
// start and stop burst monitoring. Written by the command thread, read by the
// GUI thread for labels, painting and saving.

#include <array>
#include <atomic>
#include <mutex>

#include "model/dynamic_variables.h"
#include "model/graph_sample_ring.h"
#include "model/live_graph_state.h"

namespace velk {

class LiveData {
 public:
  // Must be built on the GUI thread, where the graphs hear of new samples.
  LiveData();

  // The live graph's view, comparison sets and repaints.
  LiveGraphState graph;

  // The live graph's ring of setpoint/position samples. Every append sets
  // NewBurstData and schedules a repaint of the graphs.
  GraphSampleRing ring;

  std::atomic<bool> BurstRequested{false};  // the page wants burst monitoring
  std::atomic<bool> BurstActive{false};     // the thread has switched burst mode on
  std::atomic<bool> BurstError{false};      // switching burst mode failed
  std::atomic<bool> GraphRunning{false};    // "Start graph" pressed and not stopped
  std::atomic<bool> NewBurstData{false};    // a sample has been stored since the graphs last repainted

  // The CONTROL page's own state.
  std::atomic<int> SetPointUnitIndex{0};  // unit of EditSetPoint (setpoint list), from the page read
  std::atomic<bool> RampDown{false};      // the ramp's direction, kept from one run to the next
  // Held while the program itself sets the setpoint source radio group, so
  // that its click sends nothing.
  std::atomic<bool> SetPointSourceUpdating{false};

  BurstReading reading() const {
    std::lock_guard lock(mutex_);
    return reading_;
  }
  void setReading(const BurstReading& reading) {
    std::lock_guard lock(mutex_);
    reading_ = reading;
  }
  // CurrentSetpoint is the setpoint element of BurstValue: burst samples
  // overwrite it (in their unit) and every setpoint send sets it (in percent).
  float CurrentSetpoint() const {
    std::lock_guard lock(mutex_);
    return reading_.BurstValue[kBurstSetpoint];
  }
  void setCurrentSetpoint(float percent) {
    std::lock_guard lock(mutex_);
    reading_.BurstValue[kBurstSetpoint] = percent;
    reading_.BurstUnit[kBurstSetpoint] = 0;
  }

 private:
  mutable std::mutex mutex_;
  BurstReading reading_;
};

}  // namespace velk
