#pragma once
// End-to-end tests: the configurator's core with the real libmirell.so,
// talking over a pseudo-terminal to a simulated positioner in the same
// process. No window is needed; page operations run as jobs do.
//
//   class SetupPageTest : public SimulatorFixture {};
//   TEST_F(SetupPageTest, ...) {
//     attachInstrument();                       // InitHart + detection, as after Connect
//     simulator().update_state([](auto& s) { s.service.out_of_service = true; });
//     readSetup(job(), Sender::Click);
//   }

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "comm/configurator.h"
#include "comm/job_context.h"
#include "positioner_sim/simulated_positioner.h"

namespace velk {

class SimulatorFixture : public ::testing::Test {
 protected:
  // A positioner with a short turnaround, so tests stay quick.
  static sim::SimulatorConfig quickSimulator();
  // The same, also serving HART-IP on a free loopback port.
  static sim::SimulatorConfig hartIpSimulator();
  // Serving secure HART-IP sessions only, with the key of testKeyFile().
  static sim::SimulatorConfig secureHartIpSimulator();
  // A private key file (mode 0600) of this test process, for the master and
  // the simulator alike; its key is kTestKey.
  static QString testKeyFile();
  static constexpr const char* kTestKey = "5ac0ffee00d15ea5e1ec7ab1e0b5e55e";

  explicit SimulatorFixture(sim::SimulatorConfig config = quickSimulator());
  ~SimulatorFixture() override;

  // Opens COM1 (the simulator's pty) and detects the positioner at polling
  // address 0, leaving the window state as a successful connection does
  // (handle, Connected). Fails the test when there is no positioner.
  void attachInstrument();

  // What a job gets, for running page operations on the test's thread.
  JobContext job();

  // Delivers queued change notifications of the form state.
  void settle();
  // With the command thread running: waits until the work it is doing ends
  // and what that work handed to the GUI thread (control states) has run.
  void waitForCommandThread();

  // Control texts as a technician types them, and as the page must show them.
  using Texts = std::vector<std::pair<QString, QString>>;
  void type(const Texts& texts);
  void expectShown(const Texts& texts);
  // No command was refused or failed (the communication log stays empty).
  void expectNoFailedCommand();

  sim::SimulatedPositioner& simulator() { return *simulator_; }
  Configurator& core() { return *core_; }
  FormState& form() { return core_->form; }
  WindowState& window() { return core_->window; }

 private:
  std::unique_ptr<sim::SimulatedPositioner> simulator_;
  std::unique_ptr<Configurator> core_;
};

}  // namespace velk
