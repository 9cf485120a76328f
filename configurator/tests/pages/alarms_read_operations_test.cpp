// The ALARMS and READ operations against a scripted device: the order of
// their commands with the progress texts, and the writes that must not go
// out.
#include <QSignalSpy>

#include "pages/alarms_operations.h"
#include "pages/read_operations.h"
#include "support/scripted_device.h"

namespace velk {
namespace {

const Bytes kDynamicVariables = dynamicVariables(12, {{{57, 40}, {57, 50}, {32, 21}, {7, 5.5f}}});

class AlarmsAndRead : public ScriptedDeviceTest {
 protected:
  void answerAlarms() {
    answer(3, kDynamicVariables);
    for (int read : {221, 223, 225, 227, 229}) answer(read, Bytes(15, 0));
    answer(231, Bytes(7, 0));
    echoWrites({220, 222, 224, 226, 228, 230});
  }
  std::vector<int> commandsSent() const {
    std::vector<int> commands;
    for (const SentCommand& s : sent()) commands.push_back(s.command);
    return commands;
  }
};

TEST_F(AlarmsAndRead, AlarmReadAndSendFollowTheVersion) {
  const std::vector<SentCommand> readBelow90 = {
      {3, "", "Reading deviation alarm setting..."},     {3, "", "Reading deviation alarm setting..."},
      {221, "", "Reading deviation alarm setting..."},   {223, "", "Reading limit alarm setting..."},
      {225, "", "Reading limit alarm setting..."},       {3, "", "Reading temperature alarm setting..."},
      {229, "", "Reading temperature alarm setting..."},
  };
  const std::vector<SentCommand> readFrom90 = {
      {221, "", "Reading deviation alarm setting..."}, {223, "", "Reading limit alarm setting..."},
      {225, "", "Reading limit alarm setting..."},     {231, "", "Reading pot=press alarm setting..."},
      {3, "", "Reading pressure alarm setting..."},    {227, "", "Reading pressure alarm setting..."},
      {3, "", "Reading temperature alarm setting..."}, {229, "", "Reading temperature alarm setting..."},
  };
  using Sends = std::vector<std::pair<int, std::string>>;
  const Sends sendBelow90 = {{220, "Sending deviation alarm setting..."},
                             {222, "Sending limit alarm setting..."},
                             {224, "Sending limit alarm setting..."},
                             {228, "Sending temperature alarm setting..."}};
  Sends sendFrom90 = sendBelow90;
  sendFrom90.insert(sendFrom90.begin() + 3, {{230, "Sending pot=press alarm setting..."},
                                             {226, "Sending pressure alarm setting..."}});
  struct Case {
    int version;
    Sender sender;
    const std::vector<SentCommand>& read;
    const Sends& sent;
  };
  const Case cases[] = {
      {86, Sender::Click, readBelow90, sendBelow90},
      {90, Sender::Sequence, readFrom90, sendFrom90},
  };
  for (const Case& c : cases) {
    window().DeviceVersion.store(c.version);
    answerAlarms();
    const std::size_t start = sent().size();
    readAlarms(job(), c.sender);
    EXPECT_EQ(std::vector<SentCommand>(sent().begin() + static_cast<long>(start), sent().end()), c.read)
        << c.version;
    const std::size_t reads = sent().size();
    sendAlarms(job(), c.sender);
    Sends sends;
    for (std::size_t i = reads; i < sent().size(); ++i)
      sends.emplace_back(sent()[i].command, sent()[i].progress);
    EXPECT_EQ(sends, c.sent) << c.version;
    EXPECT_EQ(form().text(kStatusBar), "");
  }
}

// A failed command 3 leaves the pressure and temperature groups unread.
TEST_F(AlarmsAndRead, AFailedUnitReadSkipsTheGroupsThatNeedIt) {
  window().DeviceVersion.store(101);
  answerAlarms();
  fail(3);
  readAlarms(job(), Sender::Sequence);
  for (int skipped : {227, 229}) {
    const auto commands = commandsSent();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), skipped), 0) << skipped;
  }
}

// Tag and descriptor go out with the date the device reports just before;
// without that date nothing is written.
TEST_F(AlarmsAndRead, TagAndDescriptorAreNotWrittenWithoutTheDevicesDate) {
  echoWrites({18});
  writeTagDescriptor(job(), Sender::Click);
  const auto commands = commandsSent();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), 18), 0);
  EXPECT_TRUE(form().lines(kCommunicationLog).last().startsWith("Tag and descriptor not written"));
}

// A device ID or polling address that is no whole number in range is named
// to the user; nothing goes out, and no reconnection is asked for.
TEST_F(AlarmsAndRead, AnAddressThatIsNoWholeNumberInRangeIsNotWritten) {
  struct Case {
    const char* field;
    const char* text;
    const char* named;
  };
  const Case cases[] = {
      {"Edit183", "12a", "device ID"},
      {"Edit183", "16777216", "device ID"},
      {"Edit183", "-1", "device ID"},
      {"Edit183", "", "device ID"},
      {"EditPollAddress", "16", "polling address"},
      {"EditPollAddress", "1.5", "polling address"},
  };
  QSignalSpy errors(&core_.operations, &WindowOperations::errorReported);
  for (const Case& c : cases) {
    form().setText(c.field, c.text);
    if (QString(c.field) == "Edit183")
      writeDeviceId(job(), Sender::Click, core_.commands);
    else
      writePollAddress(job(), Sender::Click);
    ASSERT_FALSE(errors.isEmpty()) << c.text;
    EXPECT_TRUE(errors.takeLast().at(0).toString().contains(c.named)) << c.text;
  }
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(window().RequestPending.load(), 0);
}

// "Disconnect" pressed while a new ID is written stays pressed.
TEST_F(AlarmsAndRead, WriteIdDoesNotUndoADisconnection) {
  echoWrites({245});
  form().setText("Edit183", "4660");
  window().Connected.store(true);
  writeDeviceId(job(), Sender::Click, core_.commands);
  EXPECT_EQ(window().RequestPending.load(), 1);
  window().RequestPending.store(0);

  window().Connected.store(false);
  writeDeviceId(job(), Sender::Click, core_.commands);
  EXPECT_EQ(window().RequestPending.load(), 0);
  EXPECT_FALSE(window().Connected.load());
  EXPECT_EQ(sent().size(), 2u);
}

}  // namespace
}  // namespace velk
