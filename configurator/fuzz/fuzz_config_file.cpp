// The configuration-file reader on any bytes. Beyond not crashing: a load
// that fails leaves the window as it was, and the file of a window that
// loaded one loads back to the same window.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "model/form_state.h"
#include "model/window_state.h"
#include "registry/config_file.h"
#include "registry/page_registry.h"

namespace {

// A window's values as the program starts, without the program around them.
struct Window {
  velk::FormState form;
  velk::WindowState window;
  Window() {
    velk::applyStartupDefaults(form, window, ".");
    window.DeviceVersion.store(101);
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One window for every input, in whatever state the inputs before left it:
  // the checks hold from any state.
  static Window window;
  const QByteArray before = velk::configurationText(window.form, window.window).bytes;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const velk::ConfigurationLoad load = velk::loadConfigurationText(input, window.form, window.window);
  const QByteArray after = velk::configurationText(window.form, window.window).bytes;
  if (!load.ok && after != before) std::abort();  // a failed load changed a field
  if (load.ok) {
    // The window's own file loads and gives the same file again.
    if (!velk::loadConfigurationText(after, window.form, window.window).ok) std::abort();
    if (velk::configurationText(window.form, window.window).bytes != after) std::abort();
  }
  // The queued change notifications have no event loop to go to.
  QCoreApplication::removePostedEvents(&window.form);
  return 0;
}
