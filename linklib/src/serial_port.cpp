// The only file that talks to the terminal driver (termios and ioctl).
#include "serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "line_input_decoder.h"

namespace mirell {

namespace {

constexpr speed_t kBaud = B1200;
constexpr int kWriteStallMs = 1000;
// Major numbers of pseudo-terminal slaves (UNIX98_PTY_SLAVE_MAJOR and the
// seven after it).
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

termios linkSettings(const termios& from) {
    termios t = from;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= CS8 | PARENB | PARODD | CREAD | CLOCAL;
    // Parity checking on, errors marked in-band; no flow control, no
    // stripping, no break signals.
    t.c_iflag = INPCK | PARMRK;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, kBaud);
    cfsetospeed(&t, kBaud);
    return t;
}

// tcsetattr succeeds when any one change takes; check that all of ours did.
// A pseudo-terminal has no line to check parity on and always reads parity
// enable back as off.
bool settingsTook(int fd, const termios& wanted, bool pseudoTerminal) {
    termios now{};
    if (tcgetattr(fd, &now) != 0) return false;
    const tcflag_t kLineBits = CSIZE | CSTOPB | PARODD | CRTSCTS | (pseudoTerminal ? 0 : PARENB);
    return cfgetospeed(&now) == kBaud && cfgetispeed(&now) == kBaud &&
           (now.c_cflag & kLineBits) == (wanted.c_cflag & kLineBits) &&
           (now.c_iflag & (INPCK | PARMRK | IGNPAR | ISTRIP)) == (INPCK | PARMRK);
}

bool isPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned m = major(st.st_rdev);
    return m >= kPtySlaveMajorFirst && m <= kPtySlaveMajorLast;
}

class SerialPort final : public LinkPort, private ModemControl {
public:
    SerialPort(int fd, int wakeFd, const termios& saved) : fd_(fd), wakeFd_(wakeFd), saved_(saved) {}
    ~SerialPort() override;

    bool setUp();

    bool receive(std::vector<RxByte>& out) override;
    void interrupt() override;
    void purge() override;
    bool write(std::span<const std::uint8_t> bytes) override;
    bool outputDrained() override;
    bool deliversAtOnce() const override { return pseudoTerminal_; }
    CarrierKeying keying() const override { return keying_; }
    ModemControl& modemLines() override { return *this; }

private:
    void setRts(bool on) override { setLine(TIOCM_RTS, on); }
    void setDtr(bool on) override { setLine(TIOCM_DTR, on); }
    // Modem-line ioctls fail with ENOTTY where there are no lines; that is
    // not an error, the port just has nothing to switch.
    bool setLine(int line, bool on) { return ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line) == 0; }
    bool tryKernelRs485();
    bool lostInput();

    int fd_;
    int wakeFd_;
    termios saved_;
    bool pseudoTerminal_ = false;
    CarrierKeying keying_ = CarrierKeying::None;
    bool rs485Changed_ = false;
    serial_rs485 savedRs485_{};
    bool countersAvailable_ = false;
    std::uint64_t overruns_ = 0;
    bool lsrAvailable_ = true;

    // Receive-thread state.
    LineInputDecoder decoder_;
    std::atomic<bool> decoderStale_{false};  // set by purge() on the caller's thread
};

bool SerialPort::tryKernelRs485() {
    serial_rs485 rs{};
    if (ioctl(fd_, TIOCGRS485, &rs) != 0) return false;
    serial_rs485 keyed = rs;
    keyed.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    keyed.flags &= ~static_cast<decltype(keyed.flags)>(SER_RS485_RTS_AFTER_SEND);
    // Drivers that can read the settings but cannot key refuse this.
    if (ioctl(fd_, TIOCSRS485, &keyed) != 0) return false;
    savedRs485_ = rs;
    rs485Changed_ = true;
    return true;
}

bool SerialPort::setUp() {
    pseudoTerminal_ = isPseudoTerminal(fd_);
    const termios wanted = linkSettings(saved_);
    if (tcsetattr(fd_, TCSANOW, &wanted) != 0) return false;
    if (!settingsTook(fd_, wanted, pseudoTerminal_)) {
        errno = EINVAL;  // the driver cannot do 1200 baud 8O1
        return false;
    }

    const bool hasModemLines = setLine(TIOCM_DTR, true);
    if (tryKernelRs485()) {
        keying_ = CarrierKeying::Driver;
    } else if (hasModemLines) {
        keying_ = CarrierKeying::Program;
        setRts(false);
    }

    serial_icounter_struct counters{};
    countersAvailable_ = ioctl(fd_, TIOCGICOUNT, &counters) == 0;
    if (countersAvailable_)
        overruns_ = std::uint64_t{unsigned(counters.overrun)} + unsigned(counters.buf_overrun);

    tcflush(fd_, TCIOFLUSH);
    return true;
}

SerialPort::~SerialPort() {
    if (rs485Changed_) ioctl(fd_, TIOCSRS485, &savedRs485_);
    setDtr(false);
    tcflush(fd_, TCIOFLUSH);
    tcsetattr(fd_, TCSANOW, &saved_);
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    ::close(wakeFd_);
}

// Linux reports overruns only in the driver's counters, not in-band.
bool SerialPort::lostInput() {
    if (!countersAvailable_) return false;
    serial_icounter_struct counters{};
    if (ioctl(fd_, TIOCGICOUNT, &counters) != 0) return false;
    const std::uint64_t total = std::uint64_t{unsigned(counters.overrun)} + unsigned(counters.buf_overrun);
    const bool lost = total != overruns_;
    overruns_ = total;
    return lost;
}

bool SerialPort::receive(std::vector<RxByte>& out) {
    out.clear();
    std::array<std::uint8_t, 256> raw{};
    for (;;) {
        std::array<pollfd, 2> fds{{{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}}};
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents != 0) return false;
        if (fds[0].revents & POLLNVAL) return false;
        const ssize_t n = ::read(fd_, raw.data(), raw.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        // End of input or an error: the device is gone (a modem unplugged,
        // the other end of a pseudo-terminal closed).
        if (n <= 0) return false;

        if (decoderStale_.exchange(false)) decoder_.reset();
        if (lostInput()) decoder_.noteOverrun();
        decoder_.decode(std::span(raw.data(), static_cast<std::size_t>(n)), out);
        if (!out.empty()) return true;
    }
}

void SerialPort::interrupt() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void SerialPort::purge() {
    tcflush(fd_, TCIOFLUSH);
    decoderStale_ = true;
}

// At most kWriteStallMs in all, however the adapter dribbles: a wedged one
// costs the caller a second, never more.
bool SerialPort::write(std::span<const std::uint8_t> bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteStallMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLOUT, 0};
            if (left.count() > 0 && poll(&p, 1, static_cast<int>(left.count())) > 0) continue;
        }
        return false;
    }
    return true;
}

bool SerialPort::outputDrained() {
    int queued = 0;
    if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued > 0) return false;
    // The output queue excludes the UART's FIFO and shift register; where
    // the driver reports it, wait for the transmitter itself to be empty.
    if (lsrAvailable_) {
        unsigned lsr = 0;
        if (ioctl(fd_, TIOCSERGETLSR, &lsr) == 0) return (lsr & TIOCSER_TEMT) != 0;
        lsrAvailable_ = false;
    }
    return true;
}

}  // namespace

std::string comPortPath(int port) {
    if (port < 1) return {};
    const std::string variable = "MIRELL_COM" + std::to_string(port);
    if (const char* path = std::getenv(variable.c_str()); path && *path) return path;
    return "/dev/ttyS" + std::to_string(port - 1);
}

// On failure errno tells why: the open's or the ioctl's own reason, EBUSY
// when another program holds the device.
std::unique_ptr<LinkPort> openSerialPort(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    const auto fail = [fd](int reason) -> std::unique_ptr<LinkPort> {
        ::close(fd);
        errno = reason;
        return nullptr;
    };
    termios saved{};
    // Another program holding the port (its advisory lock, or exclusive
    // mode) makes this one fail rather than share the line.
    if (!isatty(fd)) return fail(errno);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (tcgetattr(fd, &saved) != 0 || ioctl(fd, TIOCEXCL) != 0) return fail(errno);
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) return fail(errno);
    auto port = std::make_unique<SerialPort>(fd, wakeFd, saved);
    if (!port->setUp()) {
        const int reason = errno != 0 ? errno : EINVAL;
        port.reset();  // restores and closes
        errno = reason;
        return nullptr;
    }
    return port;
}

std::unique_ptr<LinkPort> openComPort(int port) { return openSerialPort(comPortPath(port)); }

}  // namespace mirell
