#include "pages/characteristics_page.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "model/form_fields.h"
#include "pages/characteristics_curve_pictures.h"
#include "pages/characteristics_operations.h"
#include "pages/modules.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

// Grid rows, the header row included, shown without a scroll bar.
constexpr int kMostRowsWithoutScrollBar = 15;
constexpr int kGridColumnWidth = 72;
constexpr int kGridLabelWidth = 30;

}  // namespace

CharacteristicsPage::CharacteristicsPage(const PageContext& context, QWidget* parent)
    : QWidget(parent), core_(context.core), binder_(context.binder), busy_(lockWhileBusy(this, context)) {
  confirm_ = [this](const QString& question) {
    return QMessageBox::warning(this, "Warning", question, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
  };

  auto* pictures = new QVBoxLayout;
  pictures->addWidget(new ReferenceCurvesPicture(this));
  auto* plot = new SelectedCurvePicture(core_.form, core_.window, this);
  plot->setObjectName(kImage2);
  pictures->addWidget(plot);
  pictures->addStretch(1);

  auto* controls = new QVBoxLayout;
  controls->addWidget(buildSelection());
  controls->addWidget(buildCurveGroup());
  controls->addStretch(1);
  controls->addWidget(buildButtons(context));

  auto* page = new QHBoxLayout(this);
  page->addLayout(controls);
  page->addLayout(pictures);
  page->addStretch(1);

  for (QWidget* control :
       std::initializer_list<QWidget*>{ComboBoxCharacter_, ComboBoxNumberOfPoints_, StringGridCurve_})
    binder_.bind(control);
  connectHandlers();
  followStore(kGroupBoxCurve);
  followStore(kStringGridCurve);
}

QWidget* CharacteristicsPage::buildSelection() {
  auto* selection = new QWidget(this);
  auto* form = bareLayout<QFormLayout>(selection);
  ComboBoxCharacter_ = new QComboBox(selection);
  ComboBoxCharacter_->setObjectName(kComboBoxCharacter);
  ComboBoxNumberOfPoints_ = new QComboBox(selection);
  ComboBoxNumberOfPoints_->setObjectName(kComboBoxNumberOfPoints);
  // The items arrive from the form state; the boxes widen to them.
  for (QComboBox* combo : {ComboBoxCharacter_, ComboBoxNumberOfPoints_})
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  form->addRow("Characteristic :", ComboBoxCharacter_);
  form->addRow("Number of points :", ComboBoxNumberOfPoints_);
  return selection;
}

QWidget* CharacteristicsPage::buildCurveGroup() {
  GroupBoxCurve_ = new QGroupBox(this);
  GroupBoxCurve_->setObjectName(kGroupBoxCurve);
  StringGridCurve_ = new QTableWidget(0, 2, GroupBoxCurve_);
  StringGridCurve_->setObjectName(kStringGridCurve);
  StringGridCurve_->setHorizontalHeaderLabels({fromStd(kCurveInputHeader), fromStd(kCurveOutputHeader)});
  StringGridCurve_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGridCurve_->horizontalHeader()->setDefaultSectionSize(kGridColumnWidth);
  StringGridCurve_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGridCurve_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  StringGridCurve_->verticalHeader()->setFixedWidth(kGridLabelWidth);
  StringGridCurve_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGridCurve_->setSelectionMode(QAbstractItemView::SingleSelection);
  StringGridCurve_->installEventFilter(this);

  auto* layout = new QVBoxLayout(GroupBoxCurve_);
  layout->addWidget(StringGridCurve_, 0, Qt::AlignLeft | Qt::AlignTop);
  return GroupBoxCurve_;
}

QWidget* CharacteristicsPage::buildButtons(const PageContext& context) {
  auto* buttons = new QWidget(this);
  auto* row = createReadSendRow(context, characteristicsModule());
  row->setContentsMargins(0, 0, 0, 0);
  buttons->setLayout(row);
  binder_.bindNamedChildren(buttons);
  return buttons;
}

// Connected after the binder's own connections, so that the store already
// holds what the user chose when a handler runs. None runs while a read or
// send of the page waits or runs: the grid it would take into the curve is
// on its way to be replaced.
void CharacteristicsPage::connectHandlers() {
  FormState& form = core_.form;
  WindowState& window = core_.window;
  connect(ComboBoxCharacter_, &QComboBox::currentIndexChanged, this,
          busy_->whenIdle([&form, &window] { ComboBoxCharacterChange(form, window); }));
  // Queued: the question, if one is asked, comes after the list has closed.
  connect(ComboBoxNumberOfPoints_, &QComboBox::currentIndexChanged, this,
          busy_->whenIdle([this, &form, &window] { ComboBoxNumberOfPointsChange(form, window, confirm_); }),
          Qt::QueuedConnection);
  ComboBoxNumberOfPoints_->installEventFilter(this);

  const auto leaveGrid = busy_->whenIdle([&form, &window] { StringGridCurveExit(form, window); });
  connect(StringGridCurve_, &QTableWidget::currentCellChanged, this, leaveGrid);
  // Enter while a cell is edited closes the editor with this hint.
  connect(StringGridCurve_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
          [leaveGrid](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
            if (hint == QAbstractItemDelegate::SubmitModelCache) leaveGrid();
          });
  connect(qApp, &QApplication::focusChanged, this, [this, leaveGrid](QWidget* old, QWidget* now) {
    if (now && inGrid(old) && !inGrid(now)) leaveGrid();
  });
}

bool CharacteristicsPage::inGrid(const QWidget* widget) const {
  return widget && (widget == StringGridCurve_ || StringGridCurve_->isAncestorOf(widget));
}

bool CharacteristicsPage::eventFilter(QObject* watched, QEvent* event) {
  if (busy_->busy()) return QWidget::eventFilter(watched, event);
  if (watched == StringGridCurve_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) StringGridCurveExit(core_.form, core_.window);
  } else if (watched == ComboBoxNumberOfPoints_ && event->type() == QEvent::FocusOut) {
    // The list popping up or a dialog taking over is no leaving of the field.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
      ComboBoxNumberOfPointsExit(core_.form, core_.window);
  }
  return QWidget::eventFilter(watched, event);
}

// TabSheetCaraShow: the pictures paint themselves; the grid and the plot are
// filled for the selected characteristic.
void CharacteristicsPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous() && !busy_->busy()) ComboBoxCharacterChange(core_.form, core_.window);
}

// Store entries the binder does not show: the group's caption and the
// grid's row labels and size. Queued, so the binder has applied the rows.
void CharacteristicsPage::followStore(const QString& name) {
  auto show = [this, name] {
    if (name == kGroupBoxCurve)
      GroupBoxCurve_->setTitle(core_.form.text(kGroupBoxCurve));
    else
      fitGridToRows();
  };
  connect(
      &core_.form, &FormState::changed, this,
      [name, show](const QString& changed) {
        if (changed == name) show();
      },
      Qt::QueuedConnection);
  show();
}

// Sized to its rows; a longer grid shows 16 rows (header included) and
// scrolls.
void CharacteristicsPage::fitGridToRows() {
  const int rows = StringGridCurve_->rowCount();
  QStringList labels;
  for (int row = 1; row <= rows; ++row) labels.append(fromStd(curveGridRowLabel(row)));
  StringGridCurve_->setVerticalHeaderLabels(labels);

  const bool scrolls = rows + 1 > kMostRowsWithoutScrollBar;
  StringGridCurve_->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  const int frame = 2 * StringGridCurve_->frameWidth();
  const int shownRows = scrolls ? kMostRowsWithoutScrollBar : rows;
  StringGridCurve_->setFixedHeight(frame + StringGridCurve_->horizontalHeader()->sizeHint().height() +
                                   shownRows * StringGridCurve_->verticalHeader()->defaultSectionSize());
  const int scrollBar = scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
  StringGridCurve_->setFixedWidth(frame + kGridLabelWidth + 2 * kGridColumnWidth + scrollBar);
}

QWidget* createCharacteristicsPage(PageContext& context) { return new CharacteristicsPage(context); }

}  // namespace velk
