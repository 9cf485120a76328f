#pragma once
// The main window's own state that worker threads share: single words as
// atomics, texts behind a lock.

#include <QString>
#include <array>
#include <atomic>
#include <mutex>

#include "model/custom_curve.h"
#include "model/diagnostic_data.h"
#include "model/work_recorder.h"

namespace velk {

inline constexpr int kDeviceTypeQ5 = 97;
inline constexpr int kDeviceTypeQ50 = 607;
inline constexpr int kDeviceVersionUnknown = 86;
inline constexpr int kComPortCount = 8;
// Names the key file the link library reads for a secure HART-IP port.
inline constexpr const char* kHartIpKeyFileVariable = "MIRELL_HARTIP_PSK_FILE";

// Request codes of the window's request slot.
inline constexpr int kRequestConnection = 0;
inline constexpr int kRequestSetpoint = 142;
inline constexpr int kRequestServiceToggle = 150;
inline constexpr int kRequestReadAll = 666;
inline constexpr int kRequestSendAll = 667;

// What UpdateControlStates decides on.
struct ControlConditions {
  bool connected = false;
  bool writeProtected = false;
  bool outOfService = false;
  int setPointSource = 0;
  int deviceType = kDeviceTypeQ5;
  int deviceVersion = kDeviceVersionUnknown;
  bool sequenceRunning = false;     // "Read All" or "Send All"
  bool calibrationRunning = false;  // posted and not yet ended
  bool linkOpen = false;            // the library holds a port open
};

struct WindowState {
  std::atomic<int> ComPort{1};  // 1 to 8
  std::atomic<int> DeviceType{kDeviceTypeQ5};
  std::atomic<int> DeviceVersion{kDeviceVersionUnknown};
  std::atomic<int> RequestPending{0};
  std::atomic<int> RequestCode{0};
  std::atomic<bool> Connected{false};
  std::atomic<bool> OutOfService{false};
  std::atomic<bool> WriteProtected{false};
  std::atomic<int> SetPointSource{0};  // 2: the setpoint comes over HART
  // Index (0..4) of the device's position unit as last read; labels positions.
  std::atomic<int> PositionUnitIndex{0};
  std::atomic<int> InstrumentHandle{0};  // 0 while no positioner is connected
  // The calibration worker's StopRequested: set while no calibration runs,
  // and by "Abort Cal" to end one.
  std::atomic<bool> StopRequested{true};
  // A calibration has been started and has not ended: nothing may change
  // the settings it calibrates.
  std::atomic<bool> CalibrationRunning{false};
  // The link library holds a port open, from InitHart until it is shut down
  // or reloaded. Its environment is not written meanwhile.
  std::atomic<bool> LinkOpen{false};
  // "Read All" or "Send All" is running; how many have ended.
  std::atomic<bool> SequenceRunning{false};
  std::atomic<int> SequencesFinished{0};
  // The CHARACTERISTICS page's custom curve, also saved in configuration files.
  CustomCurveHolder CustomCurve;
  // What the TRENDS and DIAG 2 pages uploaded.
  DiagnosticData Diagnostics;
  // Finished work goes here to be remembered in the device history.
  WorkRecorder History;

  ControlConditions conditions() const;

  QString ConfigFileName() const;
  void setConfigFileName(const QString& name);
  QString LastGraphFile() const;
  void setLastGraphFile(const QString& name);

  // The device COM port n (1 to 8) opens: the user's choice, else /dev/ttyS<n-1>.
  QString portDevice(int port) const;
  void setPortDevice(int port, const QString& device);  // empty: the default
  // The key file of a secure HART-IP port (hart-ip+tls://, hart-ip+dtls://):
  // its path only, never the key. Empty: none chosen.
  QString HartIpKeyFile() const;
  void setHartIpKeyFile(const QString& path);

  // The unique address of the device last connected, in hexadecimal; empty
  // before one has been.
  QString LongAddress() const;
  void setLongAddress(const QString& address);

  // The locale's decimal separator, fixed at start-up.
  QString DecimalSeparator() const;
  void setDecimalSeparator(const QString& separator);

 private:
  mutable std::mutex mutex_;
  QString configFileName_ = "config.txt";
  QString lastGraphFile_ = "graph.txt";
  QString decimalSeparator_ = ".";
  std::array<QString, kComPortCount> portDevices_;
  QString hartIpKeyFile_;
  QString longAddress_;
};

QString defaultPortDevice(int port);

}  // namespace velk
