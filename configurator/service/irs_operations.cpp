#include "service/irs_operations.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/number_text.h"
#include "model/window_operations.h"
#include "service/modules.h"

namespace velk {

namespace {

constexpr int kRawData = 250;
constexpr int kGroupKind = 5;
constexpr int kArrayKind = 7;
constexpr int kReplyHeaderBytes = 3;
constexpr int kArrayHeaderBytes = 5;  // the request's three bytes and the byte count
constexpr int kChunkBytes = 23;       // of the array, in every chunk but the last
constexpr int kMaxChunks = 256;       // the chunk number is one byte
constexpr int kDataFieldBytes = 50;   // what the link keeps of a longer reply

// A text that is no whole number counts as 0.
int numberOrZero(const FormState& form, const char* name) {
  bool ok = false;
  const int value = form.text(name).trimmed().toInt(&ok, 10);
  return ok ? value : 0;
}

QList<QStringList> emptyRows(int count) {
  return QList<QStringList>(count, QStringList{QString(), QString()});
}

// One command 250 whose reply holds at least `replyBytes` data bytes; the
// reply's bytes as the device sent them.
std::optional<std::vector<std::uint8_t>> rawData(const JobContext& job, int kind, int selector1,
                                                 int selector2, int replyBytes) {
  auto tx = job.transaction();
  tx->SetInteger(0, 1, static_cast<unsigned>(kind));
  tx->SetInteger(1, 1, static_cast<unsigned>(selector1) & 0xFF);
  tx->SetInteger(2, 1, static_cast<unsigned>(selector2) & 0xFF);
  if (!job.ExecuteCommand(tx, kRawData, 3, replyBytes)) return std::nullopt;
  std::vector<std::uint8_t> reply(
      static_cast<std::size_t>(std::min(tx->GetMessageLength(), kDataFieldBytes)));
  for (std::size_t i = 0; i < reply.size(); ++i)
    reply[i] = static_cast<std::uint8_t>(tx->GetInteger(static_cast<int>(i), 1));
  return reply;
}

struct ArrayRun {
  std::shared_ptr<TransferCancel> cancel;
  std::optional<JobContext> job;
  bool over = false;
  int array = 0;
  int chunk = 0;
  int values = 0;
  int total = 0;
  int remaining = 0;
  int carry = 0;
  QList<QStringList> rows;

  void show(const JobContext& context) const {
    QList<QStringList> shown = rows;
    while (shown.size() < kIrsArrayRows) shown.append({QString(), QString()});
    context.form.setRows(kIrsArrayGrid, shown);
  }

  void add(int value) {
    rows.append({QString::number(values), QString::number(value)});
    ++values;
  }

  // Takes the values of one chunk's data bytes.
  void take(const std::uint8_t* data, int count) {
    const int wanted = total / 2;
    int at = 0;
    if (chunk % 2 == 1 && count > 0 && values < wanted) add(carry * 256 + data[at++]);
    for (; values < wanted && at < count; at += 2) {
      if (at + 1 == count) {
        carry = data[at];  // the next chunk completes this value
        break;
      }
      add(data[at] * 256 + data[at + 1]);
    }
  }

  void finish(const QString& last, const QString& outcome) {
    if (over || !job) return;
    over = true;
    rows.append({last, QString()});
    show(*job);
    job->progress(outcome);
  }

  bool step(const JobContext& context) {
    if (!job) {
      job.emplace(context);
      array = numberOrZero(context.form, kArrayNumber);
    }
    if (over) return false;
    if (cancel->requested()) {
      finish("Cancelled", QString("Get Array cancelled after %1 values").arg(values));
      return false;
    }
    context.progress(QString("Get Array... chunk %1").arg(chunk + 1));
    // A chunk brings the array's next bytes, all of them but in the last:
    // one with fewer would shift every value after it.
    const auto chunkBytes = [](int left) { return kArrayHeaderBytes + std::clamp(left, 0, kChunkBytes); };
    const auto reply = rawData(context, kArrayKind, chunk, array, chunkBytes(chunk == 0 ? 0 : remaining));
    const auto failed = [&] {
      finish("Failed", QString("Get Array: chunk %1 could not be read").arg(chunk));
      return false;
    };
    if (!reply) return failed();
    const int length = static_cast<int>(reply->size());
    total = (*reply)[3] << 8 | (*reply)[4];
    if (chunk == 0) {
      // Only now is it known how much the first chunk should hold.
      remaining = total;
      if (length < chunkBytes(total)) {
        context.logFailedCommand(kRawData, shortReplyMessage(length, chunkBytes(total)));
        return failed();
      }
    }
    const int count = length - kArrayHeaderBytes;
    take(reply->data() + kArrayHeaderBytes, count);
    remaining -= count;
    // A chunk without data would never bring the count down.
    const bool more = total > 0 && remaining > 0 && count > 0;
    ++chunk;
    if (more && chunk < kMaxChunks) {
      show(context);
      return true;
    }
    finish("END", QString("Get Array: %1 values").arg(values));
    return false;
  }
};

}  // namespace

void applyIrsDefaults(FormState& form, WindowState&) {
  form.setText(kGroupNumber, "0");
  form.setText(kArrayNumber, "0");
  for (const char* byte : kFloatBytes) form.setText(byte, "0");
  form.setText(kFloatResult, QString());
  form.setRows(kGroupGrid, emptyRows(kGroupRows));
  form.setRows(kIrsArrayGrid, emptyRows(kIrsArrayRows));
}

void getGroup(const JobContext& job, Sender) {
  const int group = numberOrZero(job.form, kGroupNumber);
  job.progress(QString());
  const auto reply = rawData(job, kGroupKind, 0, group, kReplyHeaderBytes);
  QList<QStringList> rows;
  if (reply)
    for (int k = 0; k + kReplyHeaderBytes < static_cast<int>(reply->size()) && k < kGroupRows; ++k)
      rows.append(
          {QString::number(k), QString::number((*reply)[static_cast<std::size_t>(k + kReplyHeaderBytes)])});
  else
    job.progress(QString("Get Group: group %1 could not be read").arg(group));
  while (rows.size() < kGroupRows) rows.append({QString(), QString()});
  job.form.setRows(kGroupGrid, rows);
}

StepJob getArray(std::shared_ptr<TransferCancel> cancel) {
  auto run = std::make_shared<ArrayRun>();
  run->cancel = std::move(cancel);
  StepJob steps;
  steps.step = [run](const JobContext& job) { return run->step(job); };
  steps.dropped = [run] {
    run->finish("Stopped",
                QString("Get Array stopped after %1 values: the connection was closed").arg(run->values));
  };
  return steps;
}

std::optional<QString> reverseBytesToFloat(const FormState& form, char decimalSeparator, QString& error) {
  std::uint32_t pattern = 0;
  for (int i = 0; i < 4; ++i) {
    const QString text = form.text(kFloatBytes[i]);
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok) {
      error = QString("'%1' is not a valid integer value").arg(text);
      return std::nullopt;
    }
    // The last byte alone is masked: the others add whatever they hold.
    const std::uint32_t part =
        i == 3 ? static_cast<std::uint32_t>(value) & 0xFF : static_cast<std::uint32_t>(value);
    pattern += part << (8 * (3 - i));
  }
  const float value = std::bit_cast<float>(pattern);
  return QString::fromStdString(formatGeneral(value, kFullPrecisionDigits, decimalSeparator));
}

void reverseBytesToFloatClick(FormState& form, const WindowState& window, WindowOperations& operations) {
  QString error;
  if (const auto text = reverseBytesToFloat(form, decimalSeparator(window), error))
    form.setText(kFloatResult, *text);
  else
    operations.reportError(error);
}

const PageModule& irsModule() {
  static const PageModule module{.name = "TabSheet5", .caption = "IRS", .defaults = &applyIrsDefaults};
  return module;
}

}  // namespace velk
