#include "files/db_reader.h"

#include "history/history_writer.h"
#include "model/thread_mailbox.h"

namespace velk {

DbReader::DbReader(const HistoryLocation& location, QObject* parent)
    : QObject(parent),
      mailbox_(ThreadMailbox::of(this)),
      closing_(std::make_shared<std::atomic<bool>>(false)),
      // The program's writer sends what waits for the shared store; this
      // store only reads.
      thread_(std::make_unique<HistoryWriter>(location, HistoryWriter::Report{}, HistoryWriter::Opened{}, false)) {}

DbReader::~DbReader() {
  closing_->store(true);
  thread_.reset();
}

void DbReader::post(const DbRequests* requests, quint64 request, std::function<Answer(HistoryStore&)> query) {
  thread_->post([this, requests, request, query = std::move(query), closing = closing_](HistoryStore& store) {
    const auto outOfDate = [&] { return closing->load() || (requests && requests->outOfDate(request)); };
    if (outOfDate()) return;
    Answer answer = query(store);
    // Checked again here: a newer request may have come while this one read.
    mailbox_.post(this, [requests, request, answer = std::move(answer)] {
      if (!requests || !requests->outOfDate(request)) answer();
    });
  });
}

}  // namespace velk
