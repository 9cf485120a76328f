#pragma once
// The custom characteristic curve as the main window keeps it. The
// CHARACTERISTICS page's handlers run on the GUI thread, its read and send on
// the command thread, and the configuration file and the defaults use it too,
// so every use goes through this holder's lock. The curve is kept as the
// device and the configuration file have it (single floats), not as grid
// texts: the grid shows a fixed curve as often as the custom one.

#include <mutex>
#include <utility>

#include "model/characteristic_curve.h"

namespace velk {

class CustomCurveHolder {
 public:
  CustomCurve get() const {
    std::lock_guard lock(mutex_);
    return curve_;
  }

  void set(const CustomCurve& curve) {
    std::lock_guard lock(mutex_);
    curve_ = curve;
  }

  // Runs `use` on the curve with the holder locked, so that the page's grid
  // and the curve change together. `use` must not call the holder again.
  template <typename Use>
  decltype(auto) with(Use&& use) {
    std::lock_guard lock(mutex_);
    return std::forward<Use>(use)(curve_);
  }

 private:
  mutable std::mutex mutex_;
  CustomCurve curve_ = CustomCurve::straightLine();
};

}  // namespace velk
