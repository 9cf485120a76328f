#pragma once
// While one of a page's operations waits or runs on the command thread, the
// page's inputs are greyed out and its handlers leave the form state alone,
// so that what the operation reads or sends is what the page shows
// afterwards, not a mix of the device's values and edits made meanwhile.
// Controls that stop a running operation, and Connect/Disconnect, stay
// usable: they belong outside the widget that is locked.

#include <QObject>
#include <QPointer>
#include <QString>
#include <utility>

class QWidget;

namespace velk {

class PageActivity;
struct PageContext;

class PageBusyLock : public QObject {
  Q_OBJECT

 public:
  // Locks `inputs` (and everything it holds) while the page is busy.
  PageBusyLock(PageActivity& activity, QString page, QWidget* inputs);

  bool busy() const;

  // `handler` made to do nothing while the page is busy.
  template <typename Handler>
  auto whenIdle(Handler handler) const {
    return [this, handler = std::move(handler)] {
      if (!busy()) handler();
    };
  }

 private:
  void follow();

  PageActivity& activity_;
  QString page_;
  QPointer<QWidget> inputs_;
};

// The lock of the page being built, on `inputs`: the page itself unless it
// keeps controls that must stay usable, and never a bound control, whose
// enabled state belongs to the control rules. Owned by `inputs`.
PageBusyLock* lockWhileBusy(QWidget* inputs, const PageContext& context);

}  // namespace velk
