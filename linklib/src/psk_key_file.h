// The pre-shared key of a secure HART-IP session, from the key file a
// gateway is provisioned with: its first line is "IDENTITY KEYHEX", an
// identity of 8 to 128 characters and a key of 16 or 64 bytes in hexadecimal.
// The key never leaves this process except inside the TLS handshake, and is
// wiped from memory when no longer needed.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mirell {

inline constexpr const char* kPskFileVariable = "MIRELL_HARTIP_PSK_FILE";

class PskKey {
public:
    PskKey() = default;
    PskKey(std::string identity, std::vector<std::uint8_t> tlsKey);
    ~PskKey();
    PskKey(PskKey&& other) noexcept;
    PskKey& operator=(PskKey&& other) noexcept;
    PskKey(const PskKey&) = delete;
    PskKey& operator=(const PskKey&) = delete;

    const std::string& identity() const { return identity_; }
    // What TLS is handed as the pre-shared key: the key's lowercase
    // hexadecimal text and one zero byte, as gateways derive it.
    std::span<const std::uint8_t> tlsKey() const { return tlsKey_; }

private:
    void wipe();

    std::string identity_;
    std::vector<std::uint8_t> tlsKey_;
};

// The TLS pre-shared key for `key`: "00a1..." and a zero byte (a 16-byte key
// gives 33 bytes).
std::vector<std::uint8_t> tlsPreSharedKey(std::span<const std::uint8_t> key);

// The identity and key of one "IDENTITY KEYHEX" line; false with what is
// wrong with it (never quoting the key).
bool parsePskLine(std::string_view line, PskKey& key, std::string& problem);

// Reads the first line of the key file at `path`. False with a text that
// names the file and says what is wrong: missing or unreadable, not a
// regular file, open to group or others (its mode, as ssh refuses a private
// key), or a malformed first line; errno is then ENOENT, EACCES, EINVAL, ...
bool readPskKeyFile(const std::string& path, PskKey& key, std::string& problem);

}  // namespace mirell
