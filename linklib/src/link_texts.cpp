#include "link_texts.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace mirell {

namespace {

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char buffer[ErrorState::kMaxText + 1];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

bool oneOf(int value, std::initializer_list<int> set) {
    return std::find(set.begin(), set.end(), value) != set.end();
}

// Command-specific response codes: the first line whose code and command
// match gives the text; `%d` takes the command.
struct CommandSpecificLine {
    int code;
    std::initializer_list<int> commands;
    const char* pattern;
};

const CommandSpecificLine kCommandSpecific[] = {
    {8, {1, 2, 3, 33, 60, 61, 62, 110}, "Warning for cmd %d: Update failure"},
    {8, {34, 55, 64}, "Warning for cmd %d: Set to nearest possible value"},
    {8, {48}, "Warning for cmd %d: Update in progress"},
    {9, {35, 65}, "Error for cmd %d: Lower range value too high"},
    {9, {36, 37, 43, 52}, "Error for cmd %d: Applied process too high"},
    {9, {45, 46, 67, 68}, "Error for cmd %d: Not in proper current mode(fixed at 4 or 20 mA)"},
    {10, {6}, "Error for cmd %d: Multidrop not supported (Rev. 4 and earlier)"},
    {10, {35, 65}, "Error for cmd %d: Lower range value too low"},
    {10, {36, 37, 43, 52}, "Error for cmd %d: Applied process too low"},
    {11, {35, 65}, "Error for cmd %d: Upper range value too high"},
    {11, {40, 45, 46, 66, 67, 68}, "Error for cmd %d: In multidrop mode"},
    {11, {53}, "Error for cmd %d: invalid transmitter variable code"},
    {12, {35, 65}, "Error for cmd %d: Upper range value too low"},
    {12, {53, 66, 67, 68}, "Error for cmd %d: Invalid units code"},
    {13, {35, 65}, "Error for cmd %d: both range values out of limits"},
    {13, {69}, "Error for cmd %d: Invalid transfer function code"},
    {14, {35, 36, 65}, "Warning for cmd %d: Span too small"},
    {14, {37}, "Warning for cmd %d: Pushed upper range value over limit"},
    {15, {65, 66, 67, 68, 69}, "Error for cmd %d: Invalid range units code"},
};

struct UnitEntry {
    std::uint8_t code;
    const char* name;
};

// clang-format off
constexpr UnitEntry kUnits[] = {
    {1, "InH20"}, {2, "InHg"}, {3, "FtH20"}, {4, "mmH20"}, {5, "mmHg"}, {6, "psi"}, {7, "bar"},
    {8, "mbar"}, {9, "g/SqCm"}, {10, "kg/SqCm"}, {11, "Pa"}, {12, "kPa"}, {13, "torr"},
    {14, "atm"}, {15, "CuFt/min"}, {16, "gal/min"}, {17, "l/min"}, {18, "ImpGal/min"},
    {19, "CuMtr/hr"}, {20, "ft/s"}, {21, "m/s"}, {22, "gal/s"}, {23, "MillionGal/day"},
    {24, "l/s"}, {25, "milL/day"}, {26, "CuFt/s"}, {27, "CuFt/day"}, {28, "CuMtr/s"},
    {29, "CuMtr/day"}, {30, "ImpGal/hr"}, {31, "ImpGal/day"}, {32, "degC"}, {33, "degF"},
    {34, "degR"}, {35, "Kelvin"}, {36, "mV"}, {37, "Ohm"}, {38, "Hz"}, {39, "mA"}, {40, "gal"},
    {41, "l"}, {42, "ImpGal"}, {43, "CuMtr"}, {44, "ft"}, {45, "m"}, {46, "barrels"}, {47, "in"},
    {48, "cm"}, {49, "mm"}, {50, "min"}, {51, "s"}, {52, "hr"}, {53, "day"}, {54, "centistokes"},
    {55, "cpoise"}, {56, "uMho"}, {57, "%"}, {58, "V"}, {59, "pH"}, {60, "g"}, {61, "kg"},
    {62, "MetTon"}, {63, "lb"}, {64, "Short_Ton"}, {65, "Long_Ton"}, {66, "mSiemen/cm"},
    {67, "uSiemen/cm"}, {68, "N"}, {69, "Nm"}, {70, "g/s"}, {71, "g/min"}, {72, "g/hr"},
    {73, "kg/s"}, {74, "kg/min"}, {75, "kg/hr"}, {76, "kg/day"}, {77, "MetTon/min"},
    {78, "MetTon/hr"}, {79, "MetTon/day"}, {80, "lb/s"}, {81, "lb/min"}, {82, "lb/hr"},
    {83, "lb/day"}, {84, "ShortTon/min"}, {85, "ShortTon/hr"}, {86, "ShortTon/day"},
    {87, "LongTon/hr"}, {88, "LongTon/day"}, {89, "deka_therm"}, {90, "SGU"}, {91, "g/CuCm"},
    {92, "kg/CuMtr"}, {93, "lb/gal"}, {94, "lb/CuFt"}, {95, "g/ml"}, {96, "kg/l"}, {97, "g/l"},
    {98, "lb/CuIn"}, {99, "ShortTon/CuYd"}, {100, "degTwad"}, {101, "degBrix"},
    {102, "degBaum_heavy"}, {103, "degBaum_light"}, {104, "degAPI"},
    {105, "percent_solids_per_weight"}, {106, "percent_solids_per_volume"}, {107, "degBall"},
    {108, "proof/vol"}, {109, "proof/mass"}, {110, "bushels"}, {111, "CuYd"}, {112, "CuFt"},
    {113, "CuIn"}, {114, "in/s"}, {115, "in/min"}, {116, "ft/min"}, {117, "deg/s"}, {118, "rev/s"},
    {119, "rpm"}, {120, "m/hr"}, {121, "normal_cubic_meter_per_hour"},
    {122, "normal_liter_per_hour"}, {123, "standard_cubic_feet_per_minute"},
    {124, "liquid barrels"}, {125, "ounce"}, {126, "foot_pound_force"}, {127, "kW"}, {128, "kWh"},
    {129, "horsepower"}, {130, "CuFt/hr"}, {131, "CuMtr/min"}, {132, "barrels_per_second"},
    {133, "barrels_per_minute"}, {134, "barrels_per_hour"}, {135, "barrels_per_day"},
    {136, "gal/hr"}, {137, "ImpGal/s"}, {138, "l/hr"}, {139, "ppm"}, {140, "Mcal/hr"},
    {141, "MJ/hr"}, {142, "BTU/hr"}, {143, "deg"}, {144, "rad"}, {145, "InH20_60_degF"},
    {146, "ug/L"}, {147, "ug/CuMtr"}, {148, "% consistency"}, {149, "vol. %"},
    {150, "percent_StmQual"}, {151, "Ftin16"}, {152, "CuFt/lb"}, {153, "pF"}, {154, "mL/L"},
    {155, "uL/L"}, {160, "percent_plato"}, {161, "%LEL"}, {162, "Mcal"}, {163, "kOhm"},
    {164, "MJ"}, {165, "BTU"}, {166, "normal_cubic_meter"}, {167, "normal_liter"},
    {168, "standard_cubic_feet"}, {169, "ppb"}, {235, "gal/day"}, {236, "hectoliter"},
    {237, "MPa"}, {238, "In_H2O_4_degC"}, {239, "mm_H2O_4_degC"},
};
// clang-format on

constexpr std::array<const char*, 256> buildUnitTable() {
    std::array<const char*, 256> table{};
    for (auto& name : table) name = "???";
    for (const UnitEntry& u : kUnits) table[u.code] = u.name;
    return table;
}

constexpr std::array<const char*, 256> kUnitTable = buildUnitTable();

}  // namespace

std::string instrumentStatusText(std::uint16_t status) {
    return format("The instrument reported an error by sending non-zero status bytes. (0x%04x)",
                  unsigned{status});
}

std::string hartIpFailureText(const HartIpOpenFailure& failure, std::string_view host, std::uint16_t port) {
    const std::string name(host);
    const bool v6 = name.find(':') != std::string::npos;
    const std::string at = (v6 ? "[" + name + "]" : name) + ":" + std::to_string(port);
    const char* server = at.c_str();
    switch (failure.kind) {
        case HartIpFailure::None: break;
        case HartIpFailure::NameNotFound: return format("HART-IP host \"%s\" not found.", name.c_str());
        case HartIpFailure::NameTimedOut:
            return format("HART-IP host \"%s\": no answer from the name server within %d s.", name.c_str(),
                          failure.lookupSeconds);
        case HartIpFailure::Unreachable: return format("The HART-IP server at %s cannot be reached.", server);
        case HartIpFailure::ConnectionRefused:
            return format("The HART-IP server at %s refused the connection.", server);
        case HartIpFailure::NoAnswer:
            if (failure.secure) return format("The HART-IP server at %s did not answer.", server);
            return format("The HART-IP server at %s did not answer; it may require %s.", server,
                          failure.tcp ? "hart-ip+tls://" : "hart-ip+dtls://");
        case HartIpFailure::SessionRefused:
            return format("The HART-IP server at %s refused the session (status %d).", server,
                          failure.status);
        case HartIpFailure::ConnectionClosed:
            return format("The HART-IP server at %s closed the connection.", server);
        case HartIpFailure::SecurityNotOffered:
            return format("The HART-IP server at %s does not offer security.", server);
        case HartIpFailure::NotProvisioned:
            return format("The HART-IP server at %s has no key set up (security not initialized).", server);
        case HartIpFailure::KeyRefused:
            return format("The HART-IP server at %s refused the key: wrong identity or key.", server);
        case HartIpFailure::HandshakeFailed:
            return format("The HART-IP server at %s did not complete the secure handshake.", server);
        case HartIpFailure::NoTls:
            return "Secure HART-IP sessions are not available: OpenSSL failed to start.";
    }
    return std::string(text::kPortFailed);
}

std::string commandSpecificText(int command, int code) {
    for (const CommandSpecificLine& line : kCommandSpecific) {
        if (line.code == code && oneOf(command, line.commands)) return format(line.pattern, command);
    }
    if (code == 8) return format("Command specific warning code for cmd %d: warning %d", command, code);
    return format("Command specific error code for cmd %d: Error %d", command, code);
}

InstrumentError classifyInstrumentStatus(std::uint16_t status, int command) {
    if ((status & 0xFF80) == 0) return {kInstrumentOk, "Instrument replied! No errors."};
    if (status & 0x0080) return {kDeviceMalfunction, "Unspecified device malfunction!"};
    if (status & 0x0800) return {kCommandSpecificCode, commandSpecificText(command, (status >> 8) & 0x0F)};
    switch ((status >> 8) & 0x7F) {
        case 2: return {kResponseCodeError, "Slave reports: Invalid selection!"};
        case 3: return {kResponseCodeError, "Slave reports: Passed parameter too large!"};
        case 4: return {kResponseCodeError, "Slave reports: Passed parameter too small!"};
        case 5: return {kResponseCodeError, "Slave reports: Too few data bytes received!"};
        case 6: return {kResponseCodeError, "Slave reports: Transmitter-specific command error!"};
        case 7: return {kResponseCodeError, "Slave reports: In write protect mode!"};
        case 16: return {kResponseCodeError, "Slave reports: Access restricted!"};
        case 32:
            return {kResponseCodeError,
                    format("Slave is busy. Its current task cannot be interrupted by this command. (0x%04x)",
                           unsigned{status})};
        case 64: return {kResponseCodeError, "Slave Reports: Command not implemented!"};
        default:
            return {kResponseCodeError, format("Error code not specified by HART-protocol (%04hx)", status)};
    }
}

std::string_view unitName(std::uint8_t code) { return kUnitTable[code]; }

void ErrorState::report(int code, std::string_view text) {
    code_ = code;
    copyText(text, text_.data(), kMaxText);
}

void copyText(std::string_view from, char* to, std::size_t limit) {
    if (!to) return;
    const std::size_t n = std::min(from.size(), limit);
    std::copy_n(from.data(), n, to);
    to[n] = '\0';
}

}  // namespace mirell
