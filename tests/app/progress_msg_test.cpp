#include "app/progress_msg.h"

#include "tests/support/win_test_util.h"
#include "ui/application.h"
#include "ui/placement.h"

#include <gtest/gtest.h>

#include <memory>

namespace gd {
namespace {

using namespace std::chrono_literals;

// Where the main window stands and how large it is.
FormLayout MainLike() {
  FormLayout f = test::PlainLayout("グリマーディグ", 536, 233);
  f.left = 100;
  f.top = 80;
  return f;
}

class ProgressMsgTest : public testing::Test {
 protected:
  void SetUp() override {
    main_ = std::make_unique<test::OwnerForm>(MainLike());
    progress_ = std::make_unique<TProgressMsg>();
  }
  void TearDown() override {
    progress_.reset();
    main_.reset();
    App().ResetTerminated();
  }
  HWND Cancel() const { return progress_->Control("BtnCancel"); }
  std::string Counter() const { return test::WindowText(progress_->Control("lblCounter")); }

  std::unique_ptr<test::OwnerForm> main_;
  std::unique_ptr<TProgressMsg> progress_;
};

TEST_F(ProgressMsgTest, WindowHasItsFrameTextsAndGeometry) {
  HWND wnd = progress_->Handle();
  EXPECT_EQ(test::WindowText(wnd), "ただいま処理中です");
  RECT client;
  GetClientRect(wnd, &client);
  EXPECT_EQ(client.right, 188);
  EXPECT_EQ(client.bottom, 85);
  const LONG_PTR style = GetWindowLongPtrW(wnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_SYSMENU) << "no close box, no window menu";
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(progress_->Visible()) << "hidden until a run starts";

  const test::ExpectedControl controls[] = {
      {"lblCounter", 48, 16, 139, 25},
      {"BtnCancel", 54, 46, 80, 25, "ｷｬﾝｾﾙ"},
  };
  test::ExpectControls(*progress_, controls);
  EXPECT_EQ(Counter(), "アイテム数 ＝ 0");
}

TEST_F(ProgressMsgTest, FirstShowingCentresOverMainWindowLaterOnesKeepPosition) {
  progress_->Show();
  RECT main;
  RECT own;
  GetWindowRect(main_->Handle(), &main);
  GetWindowRect(progress_->Handle(), &own);
  const int w = own.right - own.left;
  const int h = own.bottom - own.top;
  EXPECT_EQ(own.left, main.left + (main.right - main.left - w) / 2);
  EXPECT_EQ(own.top, main.top + (main.bottom - main.top - h) / 2);
  EXPECT_TRUE(progress_->Visible());

  // Dragged elsewhere, then closed and shown for the next run: stays there.
  SetWindowPos(progress_->Handle(), nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  progress_->Close();
  EXPECT_FALSE(progress_->Visible()) << "closing the secondary window hides it";
  progress_->Show();
  GetWindowRect(progress_->Handle(), &own);
  EXPECT_EQ(own.left, 7);
  EXPECT_EQ(own.top, 9);
}

TEST(CenterOver, RaisesNegativeCornersToZero) {
  const POINT p = CenterOver({-300, -200, 100, 50}, {188, 120});
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  // Integer division truncating toward zero.
  const POINT q = CenterOver({10, 20, 541, 291}, {200, 100});
  EXPECT_EQ(q.x, 10 + 331 / 2);
  EXPECT_EQ(q.y, 20 + 171 / 2);
}

TEST_F(ProgressMsgTest, CountsCancelsAndLeavesAScreenshot) {
  progress_->Show();
  EXPECT_FALSE(progress_->IsCancelled()) << "empty queue: the flag at once";
  EXPECT_EQ(Counter(), "アイテム数 ＝ 0");

  // The counter is painted inside SetCount, with no message processing.
  for (int n = 1; n <= 7; ++n) progress_->SetCount(n);
  EXPECT_EQ(Counter(), "アイテム数 ＝ 7");
  EXPECT_TRUE(test::SaveScreenshot(progress_->Handle(), "screenshots/progress-window.bmp"));

  // The click waits in the queue until the engine asks.
  PostMessageW(Cancel(), BM_CLICK, 0, 0);
  EXPECT_TRUE(progress_->IsCancelled());
  EXPECT_TRUE(progress_->IsCancelled()) << "stays cancelled for the rest of the run";
  EXPECT_TRUE(progress_->Visible()) << "Cancel only sets the flag";
  EXPECT_TRUE(IsWindowEnabled(Cancel()));

  // The next run starts afresh, and shows it before any message runs.
  progress_->Close();
  progress_->Show();
  EXPECT_EQ(Counter(), "アイテム数 ＝ 0");
  EXPECT_FALSE(progress_->IsCancelled());
}

TEST_F(ProgressMsgTest, CancelByKeyboardAndQuitMarksTermination) {
  progress_->Show();
  test::PumpFor(100ms);
  ASSERT_EQ(GetFocus(), Cancel()) << "the only focusable control";
  test::PostKey(VK_SPACE);
  PostQuitMessage(0);
  EXPECT_TRUE(progress_->IsCancelled());
  EXPECT_TRUE(App().Terminated()) << "a quit message marks the application as ending";
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
      << "and is taken off the queue";
}

TEST_F(ProgressMsgTest, MainWindowAnswersWhileTheEngineAsks) {
  FormLayout f;
  f.caption = "other";
  ControlLayout b;
  b.name = "btn";
  b.kind = ControlKind::kButton;
  b.width = 60;
  b.height = 20;
  b.tab_order = 0;
  f.client_width = 100;
  f.client_height = 40;
  f.controls = {b};
  Form other(f);
  int clicks = 0;
  other.SetOnClick("btn", [&] { ++clicks; });
  progress_->Show();
  PostMessageW(other.Control("btn"), BM_CLICK, 0, 0);
  EXPECT_FALSE(progress_->IsCancelled());
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace gd
