#include "support/simulator_fixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>

#include "comm/mirell_library.h"
#include "registry/page_registry.h"

namespace velk {

sim::SimulatorConfig SimulatorFixture::quickSimulator() {
  sim::SimulatorConfig config;
  config.line.turnaround = std::chrono::milliseconds(2);
  return config;
}

sim::SimulatorConfig SimulatorFixture::hartIpSimulator() {
  sim::SimulatorConfig config = quickSimulator();
  config.line.hart_ip = "127.0.0.1:0";
  return config;
}

sim::SimulatorConfig SimulatorFixture::secureHartIpSimulator() {
  sim::SimulatorConfig config = hartIpSimulator();
  config.line.hart_ip_psk = testKeyFile().toStdString();
  return config;
}

QString SimulatorFixture::testKeyFile() {
  // Written once, removed when the test program ends.
  static const QTemporaryDir dir;
  static const QString path = [] {
    const QString file = dir.filePath("velk-test.psk");
    QFile key(file);
    if (!key.open(QIODevice::WriteOnly) || !key.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
      ADD_FAILURE() << "cannot write " << file.toStdString();
    key.write(QByteArray("velk-test-master ") + kTestKey + "\n");
    return file;
  }();
  return path;
}

SimulatorFixture::SimulatorFixture(sim::SimulatorConfig config)
    : simulator_(std::make_unique<sim::SimulatedPositioner>(std::move(config))) {
  core_ = std::make_unique<Configurator>(
      [](WindowState&) { return std::make_unique<MirellLibrary>(MIRELL_LIBRARY_PATH); });
  installPageModules(*core_);
  core_->window.ComPort.store(1);
  core_->window.setPortDevice(1, QString::fromStdString(simulator_->device_path()));
  core_->writeLinkEnvironment();
}

SimulatorFixture::~SimulatorFixture() {
  core_.reset();  // stops the command thread, shuts the link down, unloads
  simulator_->stop();
}

void SimulatorFixture::attachInstrument() {
  auto tx = core_->link.begin();
  tx->InitHart(core_->window.ComPort.load());
  ASSERT_EQ(tx->GetErrorCode(), 0) << tx->GetErrorMessage();
  const int handle = tx->DetectInstrumentWithShortAddress(0);
  ASSERT_NE(handle, 0) << tx->GetErrorMessage();
  tx->SetPollingAddress(handle, 0);
  core_->window.InstrumentHandle.store(handle);
  core_->window.Connected.store(true);
  core_->window.WriteProtected.store(false);
}

JobContext SimulatorFixture::job() {
  return {core_->link, core_->form, core_->window, core_->operations, core_->live, {}};
}

void SimulatorFixture::settle() { QCoreApplication::processEvents(); }

void SimulatorFixture::waitForCommandThread() {
  // The thread runs one piece of work at a time, and the GUI thread runs
  // what it queued in order: a job that queues a mark comes after both.
  auto reached = std::make_shared<std::atomic<bool>>(false);
  core().commands.post("test: command thread reached", [this, reached](const JobContext&) {
    core().operations.post([reached] { reached->store(true); });
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return reached->load(); }, 15000));
}

void SimulatorFixture::type(const Texts& texts) {
  for (const auto& [control, text] : texts) form().setText(control, text);
}

void SimulatorFixture::expectShown(const Texts& texts) {
  for (const auto& [control, text] : texts) EXPECT_EQ(form().text(control), text) << control.toStdString();
}

void SimulatorFixture::expectNoFailedCommand() { EXPECT_EQ(form().lines(kCommunicationLog), QStringList()); }

}  // namespace velk
