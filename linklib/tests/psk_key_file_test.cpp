#include "psk_key_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

namespace mirell {
namespace {

constexpr const char* kKeyHex = "00112233445566778899AABBCCDDEEFF";

std::string tlsKeyText(const PskKey& key) {
    const auto bytes = key.tlsKey();
    return {bytes.begin(), bytes.end()};
}

TEST(PskKey, TheTlsKeyIsTheLowercaseHexTextAndOneZeroByte) {
    PskKey key;
    std::string problem;
    ASSERT_TRUE(parsePskLine(std::string("gateway-1 ") + kKeyHex, key, problem)) << problem;
    EXPECT_EQ(key.identity(), "gateway-1");
    EXPECT_EQ(key.tlsKey().size(), 33u);
    EXPECT_EQ(tlsKeyText(key), std::string("00112233445566778899aabbccddeeff") + '\0');
}

TEST(PskKey, ALineIsTakenOnlyWithAnIdentityOf8To128AndAKeyOf16Or64Bytes) {
    const std::string key16 = kKeyHex;
    const std::string key64 = key16 + key16 + key16 + key16;
    struct Case {
        std::string line;
        const char* problem;  // empty: taken
    };
    const Case cases[] = {
        {"abcdefgh " + key16, ""},
        {"abcdefgh\t" + key64 + "\r", ""},
        {"  abcdefgh   " + key16 + "  ", ""},
        {std::string(128, 'i') + " " + key16, ""},
        {"", "not IDENTITY KEYHEX"},
        {"abcdefgh", "not IDENTITY KEYHEX"},
        {"abcdefgh " + key16 + " extra", "not IDENTITY KEYHEX"},
        {"abcdefg " + key16, "identity not 8 to 128 printable characters"},
        {std::string(129, 'i') + " " + key16, "identity not 8 to 128 printable characters"},
        {"abcd\x01"
         "efgh " +
             key16,
         "identity not 8 to 128 printable characters"},
        {"abcdefgh " + key16.substr(2), "key not 32 or 128 hexadecimal digits"},
        {"abcdefgh " + key16 + "00", "key not 32 or 128 hexadecimal digits"},
        {"abcdefgh " + key16.substr(1) + "g", "key not 32 or 128 hexadecimal digits"},
        {"abcdefgh " + key16 + key16, "key not 32 or 128 hexadecimal digits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        PskKey key;
        std::string problem;
        EXPECT_EQ(parsePskLine(c.line, key, problem), std::string(c.problem).empty());
        EXPECT_EQ(problem, c.problem);
        // A refusal never quotes the key.
        EXPECT_EQ(problem.find("0011"), std::string::npos);
    }
}

class PskKeyFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/psk-key-file-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

    std::string write(const std::string& text, mode_t mode) {
        const std::string path = dir_ + "/gateway.psk";
        std::ofstream(path) << text;
        ::chmod(path.c_str(), mode);
        return path;
    }

    std::string dir_;
};

TEST_F(PskKeyFile, OnlyAPrivateRegularFileWithAWellFormedFirstLineIsRead) {
    const std::string good = std::string("gateway-1 ") + kKeyHex + "\nsecond line is not read\n";
    struct Case {
        const char* name;
        std::string text;
        mode_t mode;
        std::string problem;  // after "HART-IP key file "; empty: read
        int error;
    };
    const Case cases[] = {
        {"private", good, 0600, "", 0},
        {"read-only for its owner", good, 0400, "", 0},
        {"group may read", good, 0640, "mode 0640 is too open (chmod 600 it)", EACCES},
        {"others may read", good, 0604, "mode 0604 is too open (chmod 600 it)", EACCES},
        {"group may write", good, 0620, "mode 0620 is too open (chmod 600 it)", EACCES},
        {"empty", "", 0600, "line 1: not IDENTITY KEYHEX", EINVAL},
        {"key on the second line", "gateway-1\n" + std::string(kKeyHex) + "\n", 0600,
         "line 1: not IDENTITY KEYHEX", EINVAL},
        {"a first line longer than any key", std::string(2000, 'x'), 0600, "line 1 is too long", EINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write(c.text, c.mode);
        PskKey key;
        std::string problem;
        errno = 0;
        const bool read = readPskKeyFile(path, key, problem);
        EXPECT_EQ(read, c.problem.empty());
        if (read) {
            EXPECT_EQ(key.identity(), "gateway-1");
        } else {
            EXPECT_EQ(problem, "HART-IP key file " + c.problem + ": " + path);
            EXPECT_EQ(errno, c.error);
        }
        ::unlink(path.c_str());
    }
}

TEST_F(PskKeyFile, AMissingFileOrADirectoryIsRefusedByName) {
    PskKey key;
    std::string problem;
    EXPECT_FALSE(readPskKeyFile(dir_ + "/none.psk", key, problem));
    EXPECT_EQ(problem, "HART-IP key file not found: " + dir_ + "/none.psk");
    EXPECT_EQ(errno, ENOENT);
    problem.clear();
    EXPECT_FALSE(readPskKeyFile(dir_, key, problem));
    EXPECT_EQ(problem, "HART-IP key file is not a regular file: " + dir_);
}

}  // namespace
}  // namespace mirell
