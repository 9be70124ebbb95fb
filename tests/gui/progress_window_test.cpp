// The start-up window shaped for each display style: its size and which controls show.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/progress_window.h"
#include "runtime/window.h"

namespace tarnvel {
namespace {

struct Shape {
  int style;
  int width;
  int height;
  bool windowVisible;
  // status, file, count, second count, file percentage, overall bar, file bar
  bool shown[7];
};

class ProgressWindowShape : public testing::TestWithParam<Shape> {};

TEST_P(ProgressWindowShape, SizeAndVisibleControls) {
  const Shape& shape = GetParam();
  ProgressWindow window;
  ASSERT_TRUE(LoadWindow(window));
  EXPECT_FALSE(window.Visible());  // created hidden; only a style shows it
  window.ApplyStyle(shape.style);
  ProcessEvents();

  EXPECT_EQ(window.Width(), shape.width);
  EXPECT_EQ(window.Height(), shape.height);
  EXPECT_EQ(window.Visible(), shape.windowVisible);
  RECT rect{};
  GetWindowRect(static_cast<HWND>(window.Handle()), &rect);
  const int dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSY);
  EXPECT_EQ(rect.right - rect.left, MulDiv(shape.width, dpi, 96));
  EXPECT_EQ(rect.bottom - rect.top, MulDiv(shape.height, dpi, 96));

  const Control* controls[7] = {&window.statusLabel,      &window.fileLabel,        &window.countLabel,
                                &window.secondCountLabel, &window.filePercentLabel, &window.overallBar,
                                &window.fileBar};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(controls[i]->Visible(), shape.shown[i]) << "control " << i;
    EXPECT_EQ(IsWindowVisible(reinterpret_cast<HWND>(WindowHandle(*controls[i]))) != FALSE,
              shape.shown[i] && shape.windowVisible)
        << "control " << i;
  }
  if (shape.style == 2) {
    EXPECT_EQ(window.fileLabel.Top(), 29);
    // Both controls of the single-bar style lie inside the small window.
    EXPECT_LE(window.fileLabel.Top() + window.fileLabel.Height(), window.ClientHeight());
    EXPECT_LE(window.fileBar.Top() + window.fileBar.Height(), window.ClientHeight());
  }
  if (shape.style == 3) {
    EXPECT_EQ(window.fileBar.Maximum(), 1000);
    for (const Control* control : controls) {
      EXPECT_LE(control->Top() + control->Height(), window.ClientHeight());
      EXPECT_LE(control->Left() + control->Width(), window.ClientWidth());
    }
  }
  DestroyWindow(window);
  ProcessEvents();
}

INSTANTIATE_TEST_SUITE_P(
    Styles, ProgressWindowShape,
    testing::Values(Shape{1, 0, 0, false, {false, false, false, false, false, false, false}},
                    Shape{0, 0, 0, false, {false, false, false, false, false, false, false}},
                    Shape{9, 0, 0, false, {false, false, false, false, false, false, false}},
                    Shape{2, 333, 78, true, {false, true, false, false, false, false, true}},
                    Shape{3, 382, 107, true, {true, true, true, true, true, true, true}}));

}  // namespace
}  // namespace tarnvel
