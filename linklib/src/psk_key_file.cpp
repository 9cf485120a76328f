#include "psk_key_file.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mirell {

namespace {

constexpr std::size_t kShortestIdentity = 8;
constexpr std::size_t kLongestIdentity = 128;
constexpr std::size_t kShortKeyBytes = 16;
constexpr std::size_t kLongKeyBytes = 64;
// Far more than a first line of 128 + 1 + 128 characters needs.
constexpr std::size_t kMostRead = 1024;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Printable and not a blank: the identity ends at the first blank.
bool identityCharacter(char c) { return c > ' ' && c < 0x7F; }

std::string_view nextWord(std::string_view& rest) {
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    std::size_t end = 0;
    while (end < rest.size() && !isBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

std::string fileProblem(const std::string& what, const std::string& path) {
    // The reason comes first: a long path is what the 100 characters of an
    // error text cut off.
    return "HART-IP key file " + what + ": " + path;
}

}  // namespace

PskKey::PskKey(std::string identity, std::vector<std::uint8_t> tlsKey)
    : identity_(std::move(identity)), tlsKey_(std::move(tlsKey)) {}

PskKey::~PskKey() { wipe(); }

PskKey::PskKey(PskKey&& other) noexcept
    : identity_(std::move(other.identity_)), tlsKey_(std::move(other.tlsKey_)) {
    other.wipe();
}

PskKey& PskKey::operator=(PskKey&& other) noexcept {
    if (this != &other) {
        wipe();
        identity_ = std::move(other.identity_);
        tlsKey_ = std::move(other.tlsKey_);
        other.wipe();
    }
    return *this;
}

void PskKey::wipe() {
    if (!tlsKey_.empty()) OPENSSL_cleanse(tlsKey_.data(), tlsKey_.size());
    tlsKey_.clear();
    identity_.clear();
}

std::vector<std::uint8_t> tlsPreSharedKey(std::span<const std::uint8_t> key) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::vector<std::uint8_t> text;
    text.reserve(key.size() * 2 + 1);
    for (const std::uint8_t byte : key) {
        text.push_back(static_cast<std::uint8_t>(kDigits[byte >> 4]));
        text.push_back(static_cast<std::uint8_t>(kDigits[byte & 0x0F]));
    }
    text.push_back(0);
    return text;
}

bool parsePskLine(std::string_view line, PskKey& key, std::string& problem) {
    while (!line.empty() && (line.back() == '\r' || isBlank(line.back()))) line.remove_suffix(1);
    std::string_view rest = line;
    const std::string_view identity = nextWord(rest);
    const std::string_view hex = nextWord(rest);
    if (identity.empty() || hex.empty() || !nextWord(rest).empty()) {
        problem = "not IDENTITY KEYHEX";
        return false;
    }
    bool printable = true;
    for (const char c : identity) printable = printable && identityCharacter(c);
    if (identity.size() < kShortestIdentity || identity.size() > kLongestIdentity || !printable) {
        problem = "identity not 8 to 128 printable characters";
        return false;
    }
    const std::size_t bytes = hex.size() / 2;
    bool digits = hex.size() % 2 == 0 && (bytes == kShortKeyBytes || bytes == kLongKeyBytes);
    std::array<std::uint8_t, kLongKeyBytes> value{};
    for (std::size_t i = 0; digits && i < bytes; ++i) {
        const int high = hexValue(hex[2 * i]);
        const int low = hexValue(hex[2 * i + 1]);
        digits = high >= 0 && low >= 0;
        value[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    if (!digits) {
        OPENSSL_cleanse(value.data(), value.size());
        problem = "key not 32 or 128 hexadecimal digits";
        return false;
    }
    key = PskKey(std::string(identity), tlsPreSharedKey(std::span(value).first(bytes)));
    OPENSSL_cleanse(value.data(), value.size());
    return true;
}

bool readPskKeyFile(const std::string& path, PskKey& key, std::string& problem) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int reason = errno;
        problem =
            fileProblem(reason == ENOENT ? std::string("not found")
                                         : std::string("cannot be read (") + std::strerror(reason) + ")",
                        path);
        errno = reason;
        return false;
    }
    struct stat status {};
    std::array<char, kMostRead> text{};
    ssize_t got = 0;
    int reason = 0;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        problem = fileProblem("is not a regular file", path);
        reason = EINVAL;
    } else if ((status.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        problem = fileProblem(std::string("mode ") + mode + " is too open (chmod 600 it)", path);
        reason = EACCES;
    } else if (got = ::read(fd, text.data(), text.size()); got < 0) {
        reason = errno;
        problem = fileProblem(std::string("cannot be read (") + std::strerror(reason) + ")", path);
    }
    ::close(fd);
    if (reason != 0) {
        errno = reason;
        return false;
    }

    const std::string_view all(text.data(), static_cast<std::size_t>(got));
    const std::size_t end = all.find('\n');
    bool parsed = false;
    if (end == std::string_view::npos && all.size() == text.size()) {
        problem = fileProblem("line 1 is too long", path);
    } else {
        std::string what;
        parsed = parsePskLine(all.substr(0, end), key, what);
        if (!parsed) problem = fileProblem("line 1: " + what, path);
    }
    OPENSSL_cleanse(text.data(), text.size());
    if (!parsed) errno = EINVAL;
    return parsed;
}

}  // namespace mirell
