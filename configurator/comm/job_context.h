#pragma once
// What a job posted to the background thread works with: the link, the form
// state, the window's state and operations, the stop request that abandons
// it at the next transaction, and where its failed commands are counted.

#include <QString>
#include <stop_token>

#include "comm/link.h"
#include "model/form_state.h"
#include "model/live_data.h"
#include "model/window_operations.h"
#include "model/window_state.h"

namespace velk {

struct JobContext {
  Link& link;
  FormState& form;
  WindowState& window;
  WindowOperations& operations;
  LiveData& live;
  std::stop_token stop;
  // The command thread counts each operation's logged failures here, to
  // tell the user at its end; none counts when null.
  int* failedCommands = nullptr;

  // Throws TransactionAbandoned once the program is closing.
  Link::Transaction transaction() const { return link.begin(stop); }
  bool ExecuteCommand(Link::Transaction& tx, int command, int requestByteCount, int replyBytes = 0) const {
    const bool succeeded = link.ExecuteCommand(tx, command, requestByteCount, replyBytes);
    if (!succeeded && tx.logsFailures()) countFailedCommand();
    return succeeded;
  }
  // A command whose reply the job refused, logged and counted as the
  // failed ones are.
  void logFailedCommand(int command, const QString& message) const {
    form.appendLine(kCommunicationLog, failedCommandLine(command, message));
    countFailedCommand();
  }
  void countFailedCommand() const {
    if (failedCommands) ++*failedCommands;
  }
  // The status-bar progress text ("Reading stroke..."); empty clears it.
  void progress(const QString& text) const { form.setText(kStatusBar, text); }
};

}  // namespace velk
