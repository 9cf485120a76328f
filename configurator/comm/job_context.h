#pragma once
// What a job posted to the background thread works with: the link, the form
// state, the window's state and operations, and the stop request that
// abandons it at the next transaction.

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

  // Throws TransactionAbandoned once the program is closing.
  Link::Transaction transaction() const { return link.begin(stop); }
  bool ExecuteCommand(Link::Transaction& tx, int command, int requestByteCount, int replyBytes = 0) const {
    return link.ExecuteCommand(tx, command, requestByteCount, replyBytes);
  }
  // The status-bar progress text ("Reading stroke..."); empty clears it.
  void progress(const QString& text) const { form.setText(kStatusBar, text); }
};

}  // namespace velk
