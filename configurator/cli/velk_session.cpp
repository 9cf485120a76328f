#include "cli/velk_session.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "comm/connection.h"
#include "model/form_fields.h"
#include "registry/device_settings.h"
#include "registry/page_registry.h"
#include "registry/page_sequences.h"

namespace velk::cli {

Session::Session(const Options& options, Configurator::LinkFactory link, PageModules extraModules)
    : core_(std::make_unique<Configurator>(link)), interactive_(isatty(STDERR_FILENO) != 0) {
  modules_ = pageModules();
  modules_.insert(modules_.end(), extraModules.begin(), extraModules.end());
  core_->installModules(modules_, controlStateRules());
  installPageSequences(*core_);
  applyStartupDefaults(core_->form, core_->window);

  // What the window would use, unless the options say otherwise.
  const auto settings = openSettings({});
  const DeviceSettings stored = loadDeviceSettings(*settings);
  WindowState& window = core_->window;
  window.ComPort.store(options.comPort.value_or(stored.comPort));
  // A device named in the environment holds for this run, as in the window.
  for (int port = 1; port <= kComPortCount; ++port) {
    const QString fromEnvironment =
        qEnvironmentVariable(QString("MIRELL_COM%1").arg(port).toLatin1().constData());
    window.setPortDevice(port, fromEnvironment.isEmpty() ? stored.portDevices[port - 1] : fromEnvironment);
  }
  if (!options.portPath.isEmpty()) window.setPortDevice(window.ComPort.load(), options.portPath);
  // A secure HART-IP port's key file: the environment's for this run, else
  // the window's choice; start() hands it to the library as the window does.
  const QString keyFile = qEnvironmentVariable(kHartIpKeyFileVariable);
  window.setHartIpKeyFile(keyFile.isEmpty() ? stored.hartIpKeyFile : keyFile);
  window.DeviceType.store(options.deviceType.value_or(stored.deviceType));
  window.DeviceVersion.store(options.deviceVersion.value_or(stored.deviceVersion));
  core_->form.setText("SearchPollStart", QString::number(options.first));
  core_->form.setText("SearchPollStop", QString::number(options.last));
  QObject::connect(&core_->operations, &WindowOperations::errorReported,
                   [this](const QString& text) { errors_.append(text); });
  core_->start();
}

Session::~Session() {
  core_->commands.stop();
  core_.reset();
}

char Session::separator() const { return decimalSeparator(core_->window); }

bool Session::waitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  QCoreApplication::processEvents();
  return true;
}

void Session::progress(const QString& text) const {
  if (interactive_) std::fprintf(stderr, "\r\033[K%s", text.toLocal8Bit().constData());
}

bool Session::connect(QString& why) {
  WindowState& window = core_->window;
  FormState& form = core_->form;
  form.setText("StaticText1", QString());
  window.Connected.store(true);
  window.WriteProtected.store(true);
  core_->commands.postRequest(kRequestConnection);
  QString shown;
  waitFor([&] {
    const QString status = form.text(kStatusBar);
    if (status != shown && !status.isEmpty()) progress(shown = status);
    const QString state = form.text("StaticText1");
    return state == "CONNECTED" || state == "DISCONNECTED";
  });
  progress({});
  if (form.text("StaticText1") == "CONNECTED") return true;
  why = form.text(kStatusBar);
  if (why.isEmpty()) why = kConnectionFailedText;
  const QStringList log = form.lines(kCommunicationLog);
  for (const QString& line : log)
    if (line != "Disconnected") why += "\n" + line;
  return false;
}

void Session::runSequence(int request) {
  const int finished = core_->window.SequencesFinished.load();
  core_->commands.postRequest(request);
  QString shown;
  waitFor([&] {
    const QString status = core_->form.text(kStatusBar);
    if (status != shown && !status.isEmpty()) progress(shown = status);
    return core_->window.SequencesFinished.load() != finished;
  });
  progress({});
}

void Session::run(const QString& key, const std::function<void(const JobContext&)>& job) {
  std::atomic<bool> done{false};
  struct Done {
    std::atomic<bool>& done;
    ~Done() { done = true; }  // also when the job fails
  };
  static int runs = 0;
  core_->commands.post(QString("%1 %2").arg(key).arg(++runs), [&](const JobContext& context) {
    Done mark{done};
    job(context);
  });
  waitFor([&] { return done.load(); });
}

}  // namespace velk::cli
