#pragma once
// The banner across the top of the window and the About box.

#include <QWidget>

namespace velk {

inline constexpr int kBannerHeight = 94;

class Banner : public QWidget {
  Q_OBJECT

 public:
  explicit Banner(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {600, kBannerHeight}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace velk
