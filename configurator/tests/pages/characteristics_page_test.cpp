// The CHARACTERISTICS page's widgets: the two curve pictures painted
// offscreen, the grid's size and its exit, select and Enter handling, and
// the question through the point-count combo box.
#include "pages/characteristics_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "model/program_paths.h"
#include "pages/characteristics_curve_pictures.h"
#include "support/core_fixture.h"
#include "support/reply_bytes.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"

namespace velk {
namespace {

class CurvePicturesTest : public CoreTest {
 protected:
  CurvePicturesTest() { startCharacteristicsPage(core_.form, core_.window); }
};

struct Pixel {
  const char* what;
  QPoint at;
  QColor color;
};

void expectPixels(const QImage& image, std::initializer_list<Pixel> pixels) {
  for (const Pixel& pixel : pixels)
    EXPECT_EQ(image.pixelColor(pixel.at).name().toStdString(), pixel.color.name().toStdString())
        << pixel.what;
}

TEST_F(CurvePicturesTest, PlotPaintsTheDrawnCurveInItsFrameEachTime) {
  core_.form.setRows(kImage2, {{"0", "0"}, {"50", "10"}, {"100", "100"}});
  SelectedCurvePicture plot(core_.form, core_.window);
  const int originY = plot.height() - 39;
  const QColor frame = plot.palette().color(QPalette::WindowText);
  const QColor face = plot.palette().color(QPalette::Button);
  // Where two segments meet, the rasteriser may take a neighbour of the
  // point's own pixel; the ends and the segments' middles are exact.
  expectPixels(plot.grab().toImage(),
               {{"origin", {70, originY}, curve_colors::kCustom},
                {"middle of the first segment", {130, originY - 10}, curve_colors::kCustom},
                {"middle of the second segment", {250, originY - 110}, curve_colors::kCustom},
                {"last point", {310, originY - 200}, curve_colors::kCustom},
                {"bottom edge", {250, originY}, frame},
                {"top edge", {120, originY - 200}, frame},
                {"left edge", {70, originY - 100}, frame},
                {"right edge", {310, originY - 100}, frame},
                {"inside the plot", {250, originY - 20}, Qt::white},
                {"outside the plot", {3, 3}, face},
                {"below the legend", {CurvePicture::kWidth - 3, CurvePicture::kHeight - 3}, face}});

  core_.form.setRows(kImage2, {{"0", "0"}, {"100", "100"}});
  expectPixels(plot.grab().toImage(), {{"the old curve is gone", {130, originY - 10}, Qt::white},
                                       {"the new one is there", {130, originY - 50}, curve_colors::kCustom}});
}

TEST_F(CurvePicturesTest, ReferencePictureShowsTheFourFixedCurves) {
  ReferenceCurvesPicture reference;
  const QImage image = reference.grab().toImage();
  const int column = 60;  // 25 % input, where the four curves lie apart
  const int height = reference.height();
  auto at = [&](FixedCurve curve) {
    const PlotPoint p = fixedCurveColumns(curve, height)[column];
    return QPoint(p.x, p.y);
  };
  expectPixels(image, {{"linear", at(FixedCurve::Linear), curve_colors::kLinear},
                       {"square root", at(FixedCurve::SquareRoot), curve_colors::kSquareRoot},
                       {"equal %", at(FixedCurve::EqualPercent), curve_colors::kEqualPercent},
                       {"quick open", at(FixedCurve::QuickOpen), curve_colors::kQuickOpen},
                       {"linear ends at 100 %", {310, height - 239}, curve_colors::kLinear}});
}

class CharacteristicsPageTest : public CoreTest {
 protected:
  CharacteristicsPageTest() {
    startCharacteristicsPage(core_.form, core_.window);
    page_.show();
    settle();
  }

  QComboBox* combo(const char* name) { return page_.findChild<QComboBox*>(name); }
  QTableWidget* grid() { return page_.findChild<QTableWidget*>(kStringGridCurve); }

  FormBinder binder_{core_.form};
  ProgramPaths paths_;
  PageContext context_{core_, binder_, paths_, "TabSheetCara"};
  CharacteristicsPage page_{context_};
};

TEST_F(CharacteristicsPageTest, GridIsSizedToItsRowsAndScrollsBeyondFifteen) {
  struct Case {
    const char* points;
    int rows;
    Qt::ScrollBarPolicy scrollBar;
    int rowsInView;
  };
  for (const Case& c : {Case{"33", 33, Qt::ScrollBarAlwaysOn, 15}, Case{"9", 9, Qt::ScrollBarAlwaysOff, 9},
                        Case{"17", 17, Qt::ScrollBarAlwaysOn, 15}, Case{"3", 3, Qt::ScrollBarAlwaysOff, 3}}) {
    combo(kComboBoxNumberOfPoints)->setCurrentText(c.points);  // as the user chooses: Linear asks nothing
    settle();
    ASSERT_EQ(grid()->rowCount(), c.rows) << c.points;
    EXPECT_EQ(grid()->verticalScrollBarPolicy(), c.scrollBar) << c.points;
    EXPECT_EQ(grid()->height(), 2 * grid()->frameWidth() + grid()->horizontalHeader()->sizeHint().height() +
                                    c.rowsInView * grid()->verticalHeader()->defaultSectionSize())
        << c.points;
    EXPECT_EQ(grid()->verticalHeaderItem(c.rows - 1)->text(), " " + QString::number(c.rows));
  }
}

TEST_F(CharacteristicsPageTest, EnterSelectingACellAndLeavingTheGridDrawTheCustomCurve) {
  enum class Trigger { Enter, EnterInEditor, Select, Leave };
  for (Trigger trigger : {Trigger::Enter, Trigger::EnterInEditor, Trigger::Select, Trigger::Leave}) {
    combo(kComboBoxCharacter)->setCurrentText("Linear");
    combo(kComboBoxCharacter)->setCurrentText("Custom curve");
    settle();
    grid()->setFocus();
    grid()->setCurrentCell(0, 0);
    if (trigger != Trigger::EnterInEditor) grid()->item(3, 1)->setText("40");
    grid()->item(4, 0)->setText("50");  // above the next row's input: replaced by 12.5
    settle();
    auto drawnRow3 = [&] { return core_.form.rows(kImage2)[3].join(' ').toStdString(); };
    ASSERT_EQ(drawnRow3(), "9.375 9.375");  // not drawn yet

    switch (trigger) {
      case Trigger::Enter: QTest::keyClick(grid(), Qt::Key_Return); break;
      case Trigger::EnterInEditor: {
        // The value typed is committed after the key has gone through.
        grid()->editItem(grid()->item(3, 1));
        auto* editor = grid()->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText("40");
        QTest::keyClick(editor, Qt::Key_Return);
        break;
      }
      case Trigger::Select: grid()->setCurrentCell(5, 1); break;
      case Trigger::Leave: combo(kComboBoxCharacter)->setFocus(); break;
    }
    settle();
    EXPECT_EQ(drawnRow3(), "9.375 40") << static_cast<int>(trigger);
    EXPECT_EQ(grid()->item(4, 0)->text().toStdString(), "12.5") << static_cast<int>(trigger);
  }
}

TEST_F(CharacteristicsPageTest, AnsweringNoPutsThePointCountBack) {
  int asked = 0;
  page_.setReducePointsConfirmation([&](const QString&) {
    ++asked;
    return false;
  });
  combo(kComboBoxCharacter)->setCurrentText("Custom curve");
  settle();
  combo(kComboBoxNumberOfPoints)->setCurrentText("9");
  settle();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(combo(kComboBoxNumberOfPoints)->currentText(), "33");
  EXPECT_EQ(grid()->rowCount(), 33);
}

// The read takes seconds for a long curve. What happens to the page
// meanwhile must not take the grid into the curve the read is replacing.
TEST_F(CharacteristicsPageTest, WhileItsReadWaitsThePageIsLockedAndThenShowsTheDevicesCurve) {
  fake_->setResponder([](int command, const FakeHartLink::DataField& request, int) -> FakeHartLink::Reply {
    switch (command) {
      case 15: return {0, 0, {0, 3, 57}};  // the custom curve
      case 191: return {0, 0, {3}};
      case 193: return {0, 0, Bytes{request[0]} + f32(request[0] * 50.0f) + f32(request[0] * 10.0f)};
      default: return {0, 0, {}};
    }
  });
  combo(kComboBoxCharacter)->setCurrentText("Custom curve");
  settle();
  grid()->setFocus();
  grid()->setCurrentCell(1, 1);
  grid()->item(1, 1)->setText("77");  // typed, the grid not left yet
  settle();
  const CustomCurve before = window().CustomCurve.get();

  page_.findChild<QPushButton*>("ButtonCharacterRead")->click();  // waits: the thread is not started
  settle();
  EXPECT_FALSE(page_.isEnabled());
  grid()->setCurrentCell(2, 1);  // what leaving the grid does
  page_.hide();
  page_.show();  // and showing the page
  settle();
  EXPECT_EQ(window().CustomCurve.get().output, before.output);

  core_.commands.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return page_.isEnabled(); }, 10000));
  const CustomCurve read = window().CustomCurve.get();
  EXPECT_EQ(read.count, 3);
  EXPECT_EQ(std::vector<float>(read.output.begin(), read.output.begin() + 3),
            (std::vector<float>{0, 10, 20}));
  EXPECT_EQ(grid()->rowCount(), 3);
  EXPECT_EQ(grid()->item(2, 1)->text(), "20");
}

}  // namespace
}  // namespace velk
