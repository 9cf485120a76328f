// How an instrument's status bytes are classed and worded, and the error
// state's text buffer.
#include "link_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace mirell {
namespace {

struct StatusCase {
    std::uint16_t status;
    int command;
    int errorClass;
    const char* text;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << std::hex << c.status << std::dec << "/" << c.command;
}

class InstrumentStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(InstrumentStatus, ClassAndText) {
    const auto c = GetParam();
    const InstrumentError e = classifyInstrumentStatus(c.status, c.command);
    EXPECT_EQ(e.errorClass, c.errorClass);
    EXPECT_EQ(e.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, InstrumentStatus,
    ::testing::Values(
        StatusCase{0x0000, 1, 0, "Instrument replied! No errors."},
        StatusCase{0x007F, 1, 0, "Instrument replied! No errors."},  // status bits 0..6 alone are no error
        StatusCase{0x0080, 1, 11, "Unspecified device malfunction!"},
        StatusCase{0x4080, 1, 11, "Unspecified device malfunction!"},  // malfunction decides first
        StatusCase{0x0200, 1, 13, "Slave reports: Invalid selection!"},
        StatusCase{0x0300, 1, 13, "Slave reports: Passed parameter too large!"},
        StatusCase{0x0400, 1, 13, "Slave reports: Passed parameter too small!"},
        StatusCase{0x0500, 1, 13, "Slave reports: Too few data bytes received!"},
        StatusCase{0x0600, 1, 13, "Slave reports: Transmitter-specific command error!"},
        StatusCase{0x0700, 1, 13, "Slave reports: In write protect mode!"},
        StatusCase{0x1000, 1, 13, "Slave reports: Access restricted!"},
        StatusCase{0x2000, 1, 13,
                   "Slave is busy. Its current task cannot be interrupted by this command. (0x2000)"},
        StatusCase{0x2040, 1, 13,
                   "Slave is busy. Its current task cannot be interrupted by this command. (0x2040)"},
        StatusCase{0x4000, 1, 13, "Slave Reports: Command not implemented!"},
        StatusCase{0x0100, 1, 13, "Error code not specified by HART-protocol (0100)"},
        StatusCase{0x8100, 1, 13, "Error code not specified by HART-protocol (8100)"},
        // Response codes with bit 3 set are the command's own.
        StatusCase{0x0800, 2, 14, "Warning for cmd 2: Update failure"},
        StatusCase{0x0800, 64, 14, "Warning for cmd 64: Set to nearest possible value"},
        StatusCase{0x0800, 48, 14, "Warning for cmd 48: Update in progress"},
        StatusCase{0x0800, 200, 14, "Command specific warning code for cmd 200: warning 8"},
        StatusCase{0x0900, 65, 14, "Error for cmd 65: Lower range value too high"},
        StatusCase{0x0900, 45, 14, "Error for cmd 45: Not in proper current mode(fixed at 4 or 20 mA)"},
        StatusCase{0x0A00, 6, 14, "Error for cmd 6: Multidrop not supported (Rev. 4 and earlier)"},
        StatusCase{0x0A00, 43, 14, "Error for cmd 43: Applied process too low"},
        StatusCase{0x0B00, 53, 14, "Error for cmd 53: invalid transmitter variable code"},
        StatusCase{0x0B00, 66, 14, "Error for cmd 66: In multidrop mode"},  // first matching line wins
        StatusCase{0x0C00, 66, 14, "Error for cmd 66: Invalid units code"},
        StatusCase{0x0D00, 69, 14, "Error for cmd 69: Invalid transfer function code"},
        StatusCase{0x0E00, 36, 14, "Warning for cmd 36: Span too small"},
        StatusCase{0x0E00, 37, 14, "Warning for cmd 37: Pushed upper range value over limit"},
        StatusCase{0x0F00, 67, 14, "Error for cmd 67: Invalid range units code"},
        StatusCase{0x0F00, 70, 14, "Command specific error code for cmd 70: Error 15"},
        StatusCase{0x8A00, 179, 14, "Command specific error code for cmd 179: Error 10"}));

TEST(ErrorTexts, StatusErrorCarriesTheWholeStatusWord) {
    EXPECT_EQ(instrumentStatusText(0x4000),
              "The instrument reported an error by sending non-zero status bytes. (0x4000)");
    EXPECT_EQ(instrumentStatusText(0x0a81),
              "The instrument reported an error by sending non-zero status bytes. (0x0a81)");
}

TEST(ErrorTexts, BlanksAreKeptWhereTheyBelong) {
    EXPECT_EQ(text::kNoReply, "Timed out. Instrument didn't reply. ");
    EXPECT_EQ(text::kInvalidHandleLong.substr(0, 3), "  I");
    EXPECT_EQ(text::kInvalidHandleLong.substr(2), text::kInvalidHandle);
}

TEST(ErrorState, KeepsAtMostAHundredCharacters) {
    ErrorState state;
    EXPECT_EQ(state.code(), 0);
    EXPECT_STREQ(state.text(), "No error");
    state.report(99, std::string(150, 'x'));
    EXPECT_EQ(state.code(), 99);
    EXPECT_EQ(std::string(state.text()), std::string(100, 'x'));
    state.report(kNoReply, text::kNoReply);
    EXPECT_STREQ(state.text(), "Timed out. Instrument didn't reply. ");
}

}  // namespace
}  // namespace mirell
