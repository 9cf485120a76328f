#pragma once
// The positioner's commands that the program sends from more than one place,
// or that are named apart from their reply layouts, by number: one name for
// each number. (A command read or sent at a single call, next to its layout,
// is written there as its number.)

namespace velk {

enum DeviceCommand : int {
  kReadIdentifier = 0,
  kReadDynamicVariables = 3,
  kWritePollingAddress = 6,
  kReadMessage = 12,
  kReadTagDescriptorDate = 13,
  kReadOutputInformation = 15,
  kReadAssemblyNumber = 16,
  kWriteTagDescriptorDate = 18,
  kRunSelfTest = 41,
  kWriteTransferFunction = 47,
  kReadAdditionalStatus = 48,
  kWriteDynamicVariables = 51,
  kWriteBurstCommand = 108,
  kBurstModeControl = 109,
  kReadSetpointSource = 141,
  kWriteSetpoint = 142,
  kReadOperationalStatistics = 146,
  kReadMaintenanceStatistics = 147,
  kResetStatistics = 148,
  kWriteMode = 150,
  kReadServiceMode = 151,
  kReadProtection = 156,
  kStartLeakTest = 157,
  kReadCalibrationStatus = 159,
  kStartTravel = 160,
  kStartTuning = 162,
  kReadTunedParameters = 169,
  kWritePointCount = 190,
  kReadPointCount = 191,
  kWritePoint = 192,
  kReadPoint = 193,
  kFactoryReset = 235,
  kWriteDeviceId = 245,
  kReadMemory = 252,
  kWriteMemory = 253,
};

// Command 150's codes, and command 151's answer.
inline constexpr unsigned kInServiceCode = 240;
inline constexpr unsigned kOutOfServiceCode = 241;

}  // namespace velk
