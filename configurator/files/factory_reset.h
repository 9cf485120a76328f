#pragma once
// "Factory Reset": the device's factory-reset command, guarded by the
// four-digit password in EditPassword.

#include <QString>
#include <optional>

#include "comm/page_operation.h"

namespace velk {

inline constexpr const char* kPasswordDefault = "7615";

// What is wrong with a password, as the user is told; nothing when it is
// four digits.
std::optional<QString> passwordProblem(const QString& password);

// Sends command 235 with the password's value as a 2-byte integer. A wrong
// password is reported, the field put back to its default, and nothing sent.
void ButtonFactoryResetClick(const JobContext& job, Sender sender);

}  // namespace velk
