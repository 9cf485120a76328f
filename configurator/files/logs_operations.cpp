#include "files/logs_operations.h"

#include <QLocale>
#include <algorithm>
#include <limits>
#include <memory>

#include "files/modules.h"
#include "model/form_state.h"
#include "model/window_operations.h"

namespace velk {

namespace {

constexpr int kDirectoryArea = 0;
constexpr int kDirectoryElements = 196;
constexpr int kDirectoryEventCount = 140;
constexpr int kEventLogArea = 10;
constexpr int kEntryTextOffset = 17;
// What an element holds until its block has been read: no upload gives it.
constexpr std::int32_t kUnread = std::numeric_limits<std::int32_t>::min();

}  // namespace

void applyLogsDefaults(FormState& form, const QDateTime& now) {
  form.setLines(kCommunicationLog, {});
  form.setLines(kEventLog, {QLocale::system().toString(now, QLocale::ShortFormat) +
                            " Error trend stable/ Setpoint stable/ Medium friction/ No excess windup"});
}

std::optional<QString> eventEntryText(const std::vector<std::int32_t>& entries, int entry) {
  const std::size_t first = static_cast<std::size_t>(entry) * kEventEntryBytes;
  if (entry < 0 || first + kEventEntryBytes > entries.size()) return std::nullopt;
  const auto begin = entries.begin() + static_cast<std::ptrdiff_t>(first);
  if (std::any_of(begin, begin + kEventEntryBytes, [](std::int32_t byte) { return byte < 0; }))
    return std::nullopt;
  QString text;
  for (auto byte = begin + kEntryTextOffset; byte != begin + kEventEntryBytes && *byte != 0; ++byte) {
    const auto c = static_cast<char16_t>(*byte);
    text += c < 0x20 || c == 0x7F ? QChar('?') : QChar(c);
  }
  return text;
}

StepJob getEventLog() {
  struct Run {
    std::vector<std::int32_t> directory;
    std::vector<std::int32_t> entries;
    bool countRead = false;
    int shown = 0;
  };
  auto run = std::make_shared<Run>();
  return uploadJob({
      [run](const JobContext&, UploadSequence& sequence) {
        run->directory.assign(kDirectoryElements, kUnread);
        sequence.add(kDirectoryArea, 0, kDirectoryElements, 2, run->directory, [run](UploadSequence& next) {
          const std::int32_t count = run->directory[kDirectoryEventCount];
          run->countRead = count != kUnread;
          if (!run->countRead) return;
          run->shown = std::clamp(count, 0, kEventLogShown);
          run->entries.assign(static_cast<std::size_t>(run->shown) * kEventEntryBytes, kUnread);
          if (run->shown > 0) next.add(kEventLogArea, 0, run->shown * kEventEntryBytes, 1, run->entries);
        });
      },
      [run](const JobContext& job, const MemoryUploadResult& result) {
        if (run->countRead) {
          QStringList lines;
          for (int entry = 0; entry < run->shown; ++entry)
            lines.append(eventEntryText(run->entries, entry)
                             .value_or(QString("Entry %1 could not be read").arg(entry + 1)));
          job.form.setLines(kEventLog, lines);
        }
        job.progress(uploadOutcomeText(result));
      },
      // The log as shown, an entry that could not be read as its line; a
      // count that could not be read left the old log, which is not this upload's.
      UploadRecord{HistoryKind::EventLog,
                   [run](const JobContext& job, const std::vector<bool>&) {
                     if (!run->countRead) return QByteArray();
                     QByteArray text;
                     for (const QString& line : job.form.lines(kEventLog)) text += line.toUtf8() + '\n';
                     return text;
                   }},
  });
}

const PageModule& logsModule() {
  static const PageModule module{
      .name = "TabSheet4",
      .caption = "LOGS",
      .defaults = [](FormState& form, WindowState&) { applyLogsDefaults(form); },
  };
  return module;
}

}  // namespace velk
