// The serial port on a pseudo-terminal: settings, exclusivity, the marked
// input as the kernel really delivers it, and the port names.
#include "serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace mirell {
namespace {

class PseudoTerminal : public ::testing::Test {
protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        path = ptsname(master);
        // A second handle on the terminal side to look at its settings.
        observer = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(observer, 0);
    }
    void TearDown() override {
        ::close(observer);
        ::close(master);
    }
    termios settings() const {
        termios t{};
        tcgetattr(observer, &t);
        return t;
    }
    // Reads until `count` bytes have come or the port stops.
    std::vector<RxByte> receiveAtLeast(LinkPort& port, std::size_t count) {
        std::vector<RxByte> all, some;
        while (all.size() < count && port.receive(some)) all.insert(all.end(), some.begin(), some.end());
        return all;
    }

    int master = -1;
    int observer = -1;
    std::string path;
};

TEST_F(PseudoTerminal, OpensRaw1200BaudOddParityWithMarkingAndRestoresOnClose) {
    const termios before = settings();
    {
        auto port = openSerialPort(path);
        ASSERT_TRUE(port);
        const termios t = settings();
        EXPECT_EQ(cfgetospeed(&t), B1200);
        // A pseudo-terminal reads parity enable back as off: it has no line.
        EXPECT_EQ(t.c_cflag & (CSIZE | PARODD | CSTOPB), tcflag_t{CS8 | PARODD});
        EXPECT_EQ(t.c_iflag, tcflag_t{INPCK | PARMRK});
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(port->keying(), CarrierKeying::None) << "a pseudo-terminal has no modem lines";
        EXPECT_TRUE(port->deliversAtOnce()) << "no line between the two ends";
    }
    const termios after = settings();
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
}

TEST_F(PseudoTerminal, ReceivedBytesComeOutAsSentWhateverTheKernelDoublesOnTheWay) {
    auto port = openSerialPort(path);
    ASSERT_TRUE(port);
    const std::uint8_t sent[] = {0xFF, 0xFF, 0xFF, 0x86, 0x00, 0xFF, 0x00, 0x7F};
    ASSERT_EQ(::write(master, sent, sizeof sent), static_cast<ssize_t>(sizeof sent));
    const auto got = receiveAtLeast(*port, sizeof sent);
    ASSERT_EQ(got.size(), sizeof sent);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].byte, sent[i]) << i;
        EXPECT_EQ(got[i].lineErrors, 0) << i;
    }
}

TEST_F(PseudoTerminal, WrittenFramesReachTheOtherEndAndCountAsDrained) {
    auto port = openSerialPort(path);
    ASSERT_TRUE(port);
    const std::uint8_t frame[] = {0xFF, 0xFF, 0xFF, 0x02, 0x80, 0x00, 0x00, 0x82};
    ASSERT_TRUE(port->write(frame));
    EXPECT_TRUE(port->outputDrained());
    std::uint8_t got[16] = {};
    ASSERT_EQ(::read(master, got, sizeof got), static_cast<ssize_t>(sizeof frame));
    EXPECT_EQ(0, std::memcmp(got, frame, sizeof frame));
}

TEST_F(PseudoTerminal, InterruptEndsAWaitingReceive) {
    auto port = openSerialPort(path);
    ASSERT_TRUE(port);
    port->interrupt();
    std::vector<RxByte> out;
    EXPECT_FALSE(port->receive(out));
}

TEST_F(PseudoTerminal, APortHeldByAnotherProgramIsNotShared) {
    {
        auto first = openSerialPort(path);
        ASSERT_TRUE(first);
        EXPECT_FALSE(openSerialPort(path));
    }
    // Another program's advisory lock keeps us out too.
    const int other = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(openSerialPort(path));
    ::close(other);
    EXPECT_TRUE(openSerialPort(path)) << "free again once the other lets go";
}

TEST(SerialPort, DevicesThatAreNotThereOrNotTerminalsDoNotOpen) {
    EXPECT_FALSE(openSerialPort("/dev/no-such-modem"));
    EXPECT_FALSE(openSerialPort("/dev/null"));
    EXPECT_FALSE(openSerialPort(""));
}

TEST(SerialPort, ComPortNames) {
    ::unsetenv("MIRELL_COM4");
    EXPECT_EQ(comPortPath(1), "/dev/ttyS0");
    EXPECT_EQ(comPortPath(4), "/dev/ttyS3");
    ::setenv("MIRELL_COM4", "/dev/serial/by-id/usb-hart-modem", 1);
    EXPECT_EQ(comPortPath(4), "/dev/serial/by-id/usb-hart-modem");
    ::setenv("MIRELL_COM4", "", 1);
    EXPECT_EQ(comPortPath(4), "/dev/ttyS3") << "an empty variable names nothing";
    ::unsetenv("MIRELL_COM4");
    EXPECT_EQ(comPortPath(0), "");
    EXPECT_EQ(comPortPath(-2), "");
}

}  // namespace
}  // namespace mirell
