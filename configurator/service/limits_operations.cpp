#include "service/limits_operations.h"

#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/number_text.h"
#include "service/modules.h"

namespace velk {

namespace {

using C = LimitConversion;

constexpr int kRawData = 250;
constexpr int kLimitTableKind = 9;
constexpr int kLimitTableKey = 240;
constexpr int kChunkBytes = 23;
constexpr std::int64_t kYearTicks = std::int64_t{3600} * 24 * 365 * 5;
constexpr int kMaxDigits = 30;  // beyond, the product no longer fits the arithmetic below
__extension__ typedef __int128 Wide;

bool isWideEntry(const LimitField& field) {
  return field.conversion == C::Years32 || field.conversion == C::Integer32;
}

// The field's entries: a 32-bit value low word first; "Min pulse tolerance"
// fills the last two entries with one value.
int entryCount(const LimitField& field) {
  return isWideEntry(field) || field.entry == kLimitEntries - 2 ? 2 : 1;
}

// The decimal number times `factor`, truncated toward zero. Worked out on
// the digits, so that 1.15 % gives 115 and not the 114 that binary
// floating point would leave after truncation.
std::optional<std::int64_t> scaledDecimal(const QString& text, char separator, std::int64_t factor) {
  const std::string digits = text.trimmed().toStdString();
  if (!parseDecimal(digits, separator)) return std::nullopt;
  Wide mantissa = 0;
  Wide divisor = 1;
  bool fraction = false;
  int count = 0;
  for (const char c : digits) {
    if (c == separator) {
      fraction = true;
    } else if (c >= '0' && c <= '9') {
      if (++count > kMaxDigits) return std::nullopt;
      mantissa = mantissa * 10 + (c - '0');
      if (fraction) divisor *= 10;
    }
  }
  const Wide value = mantissa * factor / divisor;  // non-negative: truncation is toward zero
  return static_cast<std::int64_t>(digits.front() == '-' ? -value : value);
}

std::optional<std::int64_t> wholeNumber(const QString& text) {
  bool ok = false;
  const qlonglong value = text.trimmed().toLongLong(&ok, 10);
  return ok ? std::optional<std::int64_t>(value) : std::nullopt;
}

}  // namespace

const LimitField kLimitFields[kLimitFieldCount] = {
    {0, "Edit105", 0, "Travel span increase %", C::Hundredths, "2"},
    {1, "Edit106", 1, "Effort high error %", C::Hundredths, "10"},
    {2, "Edit107", 2, "Effort high time minutes", C::Times120, "20"},
    {3, "Edit108", 3, "Deviation high error %", C::Hundredths, "5"},
    {4, "Edit109", 4, "Pressure diff hi (rel supply) %  ", C::Hundredths, "20"},
    {5, "Edit110", 5, "No movement tolerance, counts", C::Integer, "2"},
    {6, "Edit111", 6, "High opening force (rel supply) %", C::Hundredths, "160"},
    {7, "Edit112", 7, "Sticition high (by press std dev) %", C::Hundredths, "30"},
    {8, "Edit113", 8, "Number of stictions to be valid", C::Integer, "100"},
    {9, "Edit114", 9, "Hysteresis (rel hi control range) %", C::Hundredths, "10"},
    {10, "Edit115", 10, "Setpoint high (above position) %", C::Hundredths, "2"},
    {11, "Edit116", 11, "Setpoint low (below position) %", C::Hundredths, "2"},
    {12, "Edit117", 12, "Sprng frce very lo (rel lo sprng rng) %", C::Hundredths, "30"},
    {13, "Edit118", 13, "Spring force low (rel lo sprng rng) %", C::Hundredths, "90"},
    {14, "Edit119", 14, "Setpoint filter new coef %", C::Times1, "33"},
    {15, "Edit120", 15, "Setpoint filter old coef %", C::Times1, "67"},
    {16, "Edit121", 16, "Setpoint oscillation tolerance %", C::Hundredths, "1"},
    {17, "Edit122", 17, "Number of setpoint osc per 5 s", C::Integer, "2"},
    {18, "Edit123", 18, "Number of frictions to be valid", C::Integer, "100"},
    {19, "Edit124", 19, "Friction change % at mid pos", C::Hundredths, "10"},
    {20, "Edit125", 20, "Friction change % at end pos", C::Hundredths, "20"},
    {21, "Edit126", 21, "Packing lifetime years '", C::Years32, "5"},
    {23, "Edit127", 23, "Travel acc strokes '", C::Integer32, "1000000"},
    {25, "Edit128", 55, "Number of cutoffs at lo '", C::Integer32, "1000000"},
    {27, "Edit129", 56, "Number of cutoffs at hi '", C::Integer32, "1000000"},
    {29, "Edit130", 30, "Supply high kPa", C::Times1, "800"},
    {30, "Edit131", 29, "Supply very high kPa", C::Times1, "600"},
    {31, "Edit132", 31, "Supply low kPa", C::Times1, "200"},
    {32, "Edit133", 32, "Supply very low kPa", C::Times1, "140"},
    {33, "Edit134", 33, "Bellows lifetime years '", C::Years32, "5"},
    {35, "Edit135", 35, "Bad settling time s", C::Hundredths, "5"},
    {36, "Edit136", 36, "Bad deadtime s", C::Hundredths, "0.5"},
    {37, "Edit137", 37, "Bad overshoot % rel step", C::Hundredths, "20"},
    {38, "Edit138", 38, "Cycle count inc (cyc/5s)", C::Integer, "10"},
    {39, "Edit139", 39, "Available force low kPa", C::Times1, "50"},
    {40, "Edit140", 40, "End pos tolerance %", C::Hundredths, "2"},
    {41, "Edit141", 41, "EP drift %", C::Hundredths, "20"},
    {42, "Edit142", 42, "Pulse counter '", C::Integer32, "10000000"},
    {44, "Edit143", 44, "High friction (fixed) kPa", C::Times1, "100"},
    {45, "Edit144", 45, "High friction (relative) %", C::Hundredths, "20"},
    {46, "Edit145", 46, "Low friction (fixed) kPa", C::Times1, "1"},
    {47, "Edit146", 47, "Low friction (relative) %", C::Hundredths, "0.5"},
    {48, "Edit147", 48, "Cycle counter '", C::Integer32, "10000000"},
    {50, "Edit148", 50, "EP level Volts", C::Hundredths, "20"},
    {51, "Edit149", 51, "EP lifetime years '", C::Years32, "5"},
    {53, "Edit150", 53, "Low C+ C- sum (rel supply) %", C::Hundredths, "2"},
    {54, "Edit151", 54, "Low C+ (rel supply) %", C::Hundredths, "10"},
    {55, "Edit152", 55, "High C+ drop (rel supply) %", C::Hundredths, "3"},
    {56, "Edit153", 56, "Low C- (rel supply) %", C::Hundredths, "20"},
    {57, "Edit154", 57, "High C- drop (rel supply) %", C::Hundredths, "3"},
    {58, "Edit155", 58, "Spring range low deviation %", C::Hundredths, "10"},
    {59, "Edit156", 59, "Spring range high deviation %", C::Hundredths, "10"},
    {60, "Edit157", 60, "Spring span deviation %", C::Hundredths, "10"},
    {61, "Edit158", 61, "Travel range low deviation %", C::Hundredths, "2"},
    {62, "Edit159", 62, "Travel range high deviation %", C::Hundredths, "2"},
    {63, "Edit160", 63, "Unseating force (rel supply) %", C::Hundredths, "20"},
    {64, "Edit161", 64, "Cutoff low pos reduction %", C::Hundredths, "2"},
    {65, "Edit162", 65, "Cutoff high pos reduction %", C::Hundredths, "2"},
    {66, "Edit163", 66, "Failsafe tolerance (lo spr red tol) %", C::Hundredths, "10"},
    {67, "Edit165", 67, "Travel span decrease %", C::Hundredths, "2"},
    {68, "Edit166", 68, "Tolerated play %", C::Hundredths, "1"},
    {69, "Edit167", 69, "Tol play (rel deadband) %", C::Hundredths, "100"},
    {70, "Edit169", 70, "High closing force (rel supply) %", C::Hundredths, "160"},
    {71, "Edit178", 69, "Air consumption high %/s", C::Hundredths, "1"},
    {72, "Edit179", 71, "Failsafe force tolerance kPa", C::Integer, "50"},
    {73, "Edit180", 72, "Trvl span reduced press tol kPa", C::Integer, "50"},
    {74, "Edit181", 73, "Min pulse tolerance", C::Integer, "200"},
};

std::optional<std::int64_t> convertLimit(const QString& text, LimitConversion conversion,
                                         char decimalSeparator) {
  switch (conversion) {
    case C::Hundredths: return scaledDecimal(text, decimalSeparator, 100);
    case C::Times120: return scaledDecimal(text, decimalSeparator, 120);
    case C::Times1: return scaledDecimal(text, decimalSeparator, 1);
    case C::Years32: return scaledDecimal(text, decimalSeparator, kYearTicks);
    case C::Integer:
    case C::Integer32: return wholeNumber(text);
  }
  return std::nullopt;
}

LimitTable limitTable(const FormState& form, char decimalSeparator) {
  LimitTable table;
  for (const LimitField& field : kLimitFields) {
    const auto value = convertLimit(form.text(field.control), field.conversion, decimalSeparator);
    if (!value) {
      table.wrongEntry = field.entry;
      return table;
    }
    const auto low = static_cast<std::uint16_t>(*value & 0xFFFF);
    const auto high = static_cast<std::uint16_t>((*value >> 16) & 0xFFFF);
    table.entries[static_cast<std::size_t>(field.entry)] = low;
    if (entryCount(field) == 2)
      table.entries[static_cast<std::size_t>(field.entry + 1)] = isWideEntry(field) ? high : low;
  }
  return table;
}

std::vector<std::vector<std::uint8_t>> limitChunks(const std::array<std::uint16_t, kLimitEntries>& entries) {
  std::vector<std::uint8_t> stream;
  for (const std::uint16_t entry : entries) {
    stream.push_back(static_cast<std::uint8_t>(entry >> 8));
    stream.push_back(static_cast<std::uint8_t>(entry));
  }
  std::vector<std::vector<std::uint8_t>> chunks;
  for (std::size_t first = 0; first <= stream.size(); first += kChunkBytes)
    chunks.emplace_back(
        stream.begin() + static_cast<std::ptrdiff_t>(first),
        stream.begin() + static_cast<std::ptrdiff_t>(std::min(first + kChunkBytes, stream.size())));
  return chunks;
}

void applyLimitsDefaults(FormState& form, WindowState&) {
  for (const LimitField& field : kLimitFields) form.setText(field.control, QString());
  form.setText(kLimitsMessage, QString());
}

void setLimitDefaults(FormState& form, const WindowState& window) {
  PageDefaults defaults;
  for (const LimitField& field : kLimitFields) defaults.push_back({field.control, field.defaultText, {}});
  applyControlDefaults(form, window, defaults);
}

void downloadLimits(const JobContext& job, Sender) {
  job.form.setText(kLimitsMessage, QString());
  const LimitTable table = limitTable(job.form, decimalSeparator(job.window));
  if (table.wrongEntry) {
    job.form.setText(kLimitsMessage, QString("Wrong at index %1").arg(*table.wrongEntry));
    return;
  }
  const auto chunks = limitChunks(table.entries);
  const int total = 2 * kLimitEntries;
  int failed = 0;
  for (std::size_t j = 0; j < chunks.size(); ++j) {
    const auto& data = chunks[j];
    auto tx = job.transaction();
    tx->SetInteger(0, 1, kLimitTableKind);
    tx->SetInteger(1, 1, static_cast<unsigned>(j));
    tx->SetInteger(2, 1, kLimitTableKey);
    tx->SetInteger(3, 2, total);
    for (std::size_t i = 0; i < data.size(); ++i) tx->SetInteger(5 + static_cast<int>(i), 1, data[i]);
    if (!job.ExecuteCommand(tx, kRawData, 5 + static_cast<int>(data.size()))) ++failed;
  }
  job.form.setText(
      kLimitsMessage,
      failed == 0 ? QString("Download done  ")
                  : QString("Download incomplete: %1 of %2 chunks failed").arg(failed).arg(chunks.size()));
}

const PageModule& limitsModule() {
  static const PageModule module{.name = "TabSheet6", .caption = "LIMITS", .defaults = &applyLimitsDefaults};
  return module;
}

}  // namespace velk
