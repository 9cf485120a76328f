// The configuration-file reader on any bytes. Beyond not crashing: a load
// that fails leaves the window as it was, and a file that loads saves again
// to a file that loads to the same window.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "comm/configurator.h"
#include "files/config_file.h"
#include "registry/page_registry.h"

namespace {

class NoLink : public velk::HartLink {
 public:
  void InitHart(int) override {}
  void ShutDownHart() override {}
  int GetErrorCode() override { return 0; }
  std::string GetErrorMessage() override { return {}; }
  velk::InstrumentError GetInstrumentError() override { return {}; }
  int GetStatusBytes() override { return 0; }
  int SendLongCommand(int, int, int) override { return 0; }
  int WaitForResponse() override { return 0; }
  int GetMessageLength() override { return 0; }
  unsigned GetInteger(int, int) override { return 0; }
  void SetInteger(int, int, unsigned) override {}
  float GetFloat(int) override { return 0; }
  void SetFloat(int, float) override {}
  std::string GetString(int, int) override { return {}; }
  void SetString(int, int, const std::string&) override {}
  int DetectInstrumentWithShortAddress(int) override { return 0; }
  void SetPollingAddress(int, int) override {}
  void ProcessBurstMessages(int) override {}
  int BurstDataUpdated() override { return 0; }
  int GetBurstMessageLength() override { return 0; }
  unsigned GetBurstInteger(int, int) override { return 0; }
  float GetBurstFloat(int) override { return 0; }
  void reloadLibrary() override {}
};

std::unique_ptr<velk::Configurator> freshCore() {
  auto core =
      std::make_unique<velk::Configurator>([](velk::WindowState&) { return std::make_unique<NoLink>(); });
  velk::applyStartupDefaults(core->form, core->window, ".");
  core->window.DeviceVersion.store(101);
  return core;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<velk::Configurator> core = freshCore();
  static const QByteArray startText = velk::configurationText(core->form, core->window).bytes;

  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  auto loaded = freshCore();
  const velk::ConfigurationLoad load = velk::loadConfigurationText(input, loaded->form, loaded->window);
  const QByteArray after = velk::configurationText(loaded->form, loaded->window).bytes;
  if (!load.ok) {
    if (after != startText) std::abort();  // a failed load changed a field
    return 0;
  }
  auto again = freshCore();
  if (!velk::loadConfigurationText(after, again->form, again->window).ok) std::abort();
  if (velk::configurationText(again->form, again->window).bytes != after) std::abort();
  return 0;
}
