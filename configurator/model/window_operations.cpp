#include "model/window_operations.h"

#include <QThread>

#include "model/control_states.h"
#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

WindowOperations::WindowOperations(WindowState& window, FormState& form, QObject* parent)
    : QObject(parent), window_(window), form_(form), mailbox_(ThreadMailbox::of(this)) {}

template <typename Operation>
bool WindowOperations::deferToGuiThread(Operation operation) {
  if (QThread::currentThread() == thread()) return false;
  post(std::move(operation));
  return true;
}

void WindowOperations::post(std::function<void()> work) { mailbox_.post(this, std::move(work)); }

void WindowOperations::setControlRules(ControlStateRules rules) { rules_ = std::move(rules); }

void WindowOperations::UpdateControlStates() {
  if (deferToGuiThread([this] { UpdateControlStates(); })) return;
  applyControlStates(window_.conditions(), rules_, form_);
}

// A disabled button's caption greys with the style's disabled palette.
void WindowOperations::SetButtonState(const QString& button, bool enabled) {
  if (deferToGuiThread([this, button, enabled] { SetButtonState(button, enabled); })) return;
  form_.setEnabled(button, enabled);
}

void WindowOperations::ShowServiceState(int state) {
  if (deferToGuiThread([this, state] { ShowServiceState(state); })) return;
  if (state == 0 || state == 1) {
    form_.setText("StaticText2", state == 0 ? "IN SERVICE" : "OUT OF SERVICE");
    form_.setText("ButtonInOutService", state == 0 ? "Out Of Service" : "In Service");
    SetButtonState("ButtonInOutService", !window_.WriteProtected.load());
  }
  UpdateControlStates();
}

void WindowOperations::ShowCommunicating() {
  if (deferToGuiThread([this] { ShowCommunicating(); })) return;
  form_.setText(kCommunicatingText, "Communicating...");
}

void WindowOperations::ClearCommunicating() {
  if (deferToGuiThread([this] { ClearCommunicating(); })) return;
  form_.setText(kCommunicatingText, QString());
}

void WindowOperations::reportError(const QString& text, ErrorButton button) {
  if (deferToGuiThread([this, text, button] { reportError(text, button); })) return;
  Q_EMIT errorReported(text, button);
}

}  // namespace velk
