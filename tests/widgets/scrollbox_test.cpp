#include "widgets/scrollbox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QScrollBar>

#include "widgets/picturecontrol.h"

namespace {

struct CenterCase {
  QSize Box;
  QSize Picture;
  QPoint Position;  // picture's position in the viewport
  int ScrollX, ScrollY;
};

class CenterInBoxTest : public ::testing::TestWithParam<CenterCase> {};

// Shows box holding a picture of size picture, sized so that its client area
// is client; scrollBars: the policy of both bars.
PictureControl* ShowBox(ScrollBox& box, QSize client, QSize picture,
                        Qt::ScrollBarPolicy scrollBars) {
  box.setHorizontalScrollBarPolicy(scrollBars);
  box.setVerticalScrollBarPolicy(scrollBars);
  auto* control = new PictureControl;
  control->SetAutoSize(false);
  control->resize(picture);
  box.setWidget(control);
  box.show();
  const QSize bars = scrollBars == Qt::ScrollBarAlwaysOn
                         ? QSize(box.verticalScrollBar()->sizeHint().width(),
                                 box.horizontalScrollBar()->sizeHint().height())
                         : QSize(0, 0);
  box.resize(client + bars + QSize(2 * box.frameWidth(), 2 * box.frameWidth()));
  QCoreApplication::processEvents();
  return control;
}

TEST_P(CenterInBoxTest, SmallPictureCentredLargeOneScrolledToItsMiddle) {
  ScrollBox box;
  PictureControl* picture = ShowBox(box, GetParam().Box, GetParam().Picture, Qt::ScrollBarAlwaysOn);
  ASSERT_EQ(box.viewport()->size(), GetParam().Box);
  CenterInBox(&box, picture);
  QCoreApplication::processEvents();
  EXPECT_EQ(box.horizontalScrollBar()->value(), GetParam().ScrollX);
  EXPECT_EQ(box.verticalScrollBar()->value(), GetParam().ScrollY);
  EXPECT_EQ(picture->pos(), GetParam().Position);
}

INSTANTIATE_TEST_SUITE_P(Cases, CenterInBoxTest,
                         ::testing::Values(CenterCase{{300, 200}, {101, 51}, {99, 74}, 0, 0},
                                           CenterCase{
                                               {300, 200}, {1001, 601}, {-350, -200}, 350, 200},
                                           CenterCase{{300, 200}, {1000, 50}, {-350, 75}, 350, 0},
                                           CenterCase{{300, 200}, {300, 200}, {0, 0}, 0, 0}));

TEST(CentredStart, HalfTheDifferenceRoundedTowardZeroOnBothSides) {
  EXPECT_EQ(CentredStart(300, 101), 99);
  EXPECT_EQ(CentredStart(300, 299), 0);
  EXPECT_EQ(CentredStart(300, 300), 0);
  EXPECT_EQ(CentredStart(299, 300), 0);
  EXPECT_EQ(CentredStart(300, 1001), -350);
  EXPECT_EQ(CentredStart(200, 603), -201);
}

TEST(ScrollBox, KeepsAShrunkPictureWhereCenterInBoxWouldPutIt) {
  ScrollBox box;
  PictureControl* picture = ShowBox(box, QSize(300, 200), QSize(101, 51), Qt::ScrollBarAlwaysOff);
  ASSERT_EQ(box.viewport()->size(), QSize(300, 200));
  CenterInBox(&box, picture);
  picture->resize(80, 31);
  QCoreApplication::processEvents();
  EXPECT_EQ(picture->pos(), QPoint(CentredStart(300, 80), CentredStart(200, 31)));
  EXPECT_EQ(picture->pos(), QPoint(110, 84));
}

}  // namespace
