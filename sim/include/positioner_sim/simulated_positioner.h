// An in-process simulated positioner: a HART slave on a fresh pseudo-terminal,
// served by a background thread. The positioner-sim program is a thin main over
// it; integration tests start one, point the link library at device_path() (or
// the link), read and change the device state and inject faults while it runs.
//
//   velk::sim::SimulatorConfig config;
//   config.line.turnaround = std::chrono::milliseconds(2);
//   velk::sim::SimulatedPositioner sim(config);
//   setenv("MIRELL_COM1", sim.device_path().c_str(), 1);
//   ...
//   sim.update_state([](velk::sim::DeviceState& s) { s.service.out_of_service = true; });
//
// Like the real device, it refuses SETUP and CHARACTERISTICS writes while in
// service (response code 16) and every write while write-protected (7).
// With LineConfig::hart_ip it serves the same device over HART-IP as well.
// Thread safety: every member may be called from any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "positioner_sim/device_state.h"
#include "positioner_sim/fault_plan.h"

namespace velk::sim {

struct LineConfig {
  std::string link_path;  // a symlink to the pty, made at start and removed at stop; empty: none
  bool pace = false;      // 1200 baud, 11 bits a character, both ways
  std::chrono::milliseconds turnaround{20};    // end of request to first byte of reply
  std::chrono::milliseconds burst_pause{120};  // silence after each burst frame: a master's turn
  std::string log_path;                        // frame log; empty: none
  std::string state_path;  // the device state is saved here after every accepted write; empty: never
  FaultPlan faults;
  std::uint64_t seed = 1;  // process-model noise and drift
  // "[ADDR:]PORT": the same device also served over HART-IP, UDP and TCP on
  // that port (127.0.0.1 unless an address is given; port 0: any free one).
  // Empty: not served.
  std::string hart_ip;
  // The HART-IP server behaves as some others do: no answer at all to a
  // session it does not know (no NAK), and "KIND[:N]" another frame in place
  // of the device's answer (echo, burst or other-master; the first N
  // requests, else every one). Empty: none.
  bool hart_ip_ignore_unknown = false;
  std::string hart_ip_wrong_frame;
  // A file of "IDENTITY KEYHEX" lines: HART-IP serves secure sessions only
  // (TLS over TCP, DTLS over UDP) with these pre-shared keys; a file with
  // none makes a server not yet provisioned. Empty: plain sessions only.
  std::string hart_ip_psk;
};

struct SimulatorConfig {
  DeviceState device = default_device_state();
  LineConfig line;
};

struct LineCounters {
  std::uint64_t frames_received = 0;  // complete frames of any kind heard on the line
  std::uint64_t requests_for_us = 0;  // requests addressed to this device
  std::uint64_t replies_sent = 0;
  std::uint64_t burst_frames_sent = 0;
  std::uint64_t faults_applied = 0;  // requests that met at least one fault
};

class SimulatedPositioner {
 public:
  // Opens the pty, makes the link and starts serving. Throws std::runtime_error
  // when the pty, the link or the log cannot be set up.
  explicit SimulatedPositioner(SimulatorConfig config = {});
  ~SimulatedPositioner();
  SimulatedPositioner(const SimulatedPositioner&) = delete;
  SimulatedPositioner& operator=(const SimulatedPositioner&) = delete;

  // Stops the thread, removes the link and closes the pty. Idempotent.
  void stop();

  const std::string& device_path() const;  // /dev/pts/N
  const std::string& link_path() const;    // as configured, or empty
  std::uint16_t hart_ip_port() const;      // the HART-IP port served, 0 when none
  std::size_t hart_ip_sessions() const;    // HART-IP sessions open now
  // The HART-IP server forgets every session, as a restart does, keeping TCP
  // connections; returns once it has.
  void forget_hart_ip_sessions();

  DeviceState state() const;  // process values brought up to now
  void update_state(const std::function<void(DeviceState&)>& change);
  void set_faults(const FaultPlan& plan);  // restarts the request count of scripts
  LineCounters counters() const;

  // The last error the serving thread met (a failed state save, a lost pty);
  // empty when none.
  std::string last_error() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velk::sim
