#pragma once
// The DB page's reads, on a thread of their own with a store of their own:
// a shared store that does not answer makes the lists wait, never the
// window. Answers come back on the thread that made the reader (the GUI's).
// A newer request of the same requester supersedes the older: a read not yet
// begun is skipped, an answer that comes late is dropped.

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

#include "history/history_location.h"

namespace velk {

class HistoryStore;
class HistoryWriter;
class ThreadMailbox;

// Whose requests supersede one another: a list, the device chooser.
class DbRequests {
 public:
  // A new request: those before it are out of date.
  quint64 renew() { return ++newest_; }
  // Another request of the newest kind, superseding none (a further page).
  quint64 newest() const { return newest_.load(); }
  bool outOfDate(quint64 request) const { return request != newest_.load(); }

 private:
  std::atomic<quint64> newest_{0};
};

class DbReader : public QObject {
  Q_OBJECT

 public:
  explicit DbReader(const HistoryLocation& location, QObject* parent = nullptr);
  // Skips the reads not yet begun and waits for the one in hand.
  ~DbReader() override;

  // Runs `query` on the reader's thread and `answer` with its result here.
  // With `requests`, unless `request` is out of date by then (`requests`
  // must outlive the reader).
  template <class T>
  void read(const DbRequests* requests, quint64 request, std::function<T(HistoryStore&)> query,
            std::function<void(const T&)> answer) {
    post(requests, request, [query = std::move(query), answer = std::move(answer)](HistoryStore& store) {
      return [result = query(store), answer] { answer(result); };
    });
  }
  template <class T>
  void read(std::function<T(HistoryStore&)> query, std::function<void(const T&)> answer) {
    read<T>(nullptr, 0, std::move(query), std::move(answer));
  }

 private:
  using Answer = std::function<void()>;
  void post(const DbRequests* requests, quint64 request, std::function<Answer(HistoryStore&)> query);

  ThreadMailbox& mailbox_;
  std::shared_ptr<std::atomic<bool>> closing_;
  std::unique_ptr<HistoryWriter> thread_;
};

}  // namespace velk
