#pragma once
// The main window's operations on its controls. They run on the GUI thread; a
// worker thread calling one has it queued there and returns at once.

#include <QObject>
#include <QString>

#include <functional>

#include "model/control_states.h"
#include "model/thread_mailbox.h"

namespace velk {

class FormState;
struct WindowState;

inline constexpr const char* kStatusBar = "StatusBar1";
inline constexpr const char* kCommunicatingText = "StaticText7";
// The communication log: failed commands and disconnections.
inline constexpr const char* kCommunicationLog = "Memo1";

class WindowOperations : public QObject {
  Q_OBJECT

 public:
  WindowOperations(WindowState& window, FormState& form, QObject* parent = nullptr);

  // The rules UpdateControlStates applies: the window's own and every page's.
  void setControlRules(ControlStateRules rules);

  // Enables and disables the controls for the connection state, the device
  // type and the version.
  void UpdateControlStates();
  void SetButtonState(const QString& button, bool enabled);
  // 0 in service, 1 out of service; other values change no text.
  void ShowServiceState(int state);
  void ShowCommunicating();
  void ClearCommunicating();

  // The button of the message box a failure is shown in: "OK", or the
  // single "Yes" of the File menu's and the factory reset's errors.
  enum class ErrorButton { Ok, Yes };
  Q_ENUM(ErrorButton)

  // Runs `work` on the GUI thread after everything queued there before it,
  // from any thread.
  void post(std::function<void()> work);

  // A failure the user must see (the window shows it in a message box).
  void reportError(const QString& text, ErrorButton button = ErrorButton::Ok);

 Q_SIGNALS:
  void errorReported(const QString& text, velk::WindowOperations::ErrorButton button);

 private:
  template <typename Operation>
  bool deferToGuiThread(Operation operation);

  WindowState& window_;
  FormState& form_;
  ControlStateRules rules_;
  ThreadMailbox& mailbox_;
};

}  // namespace velk
