#include "ui/form.h"

#include "tests/support/win_test_util.h"
#include "ui/application.h"
#include "ui/busy_cursor.h"
#include "ui/font.h"
#include "ui/message_loop.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <stdexcept>

namespace gd {
namespace {

using namespace std::chrono_literals;

ControlLayout Make(std::string name, ControlKind kind, int left, int top, int width, int height,
                   std::string text, int tab_order = -1) {
  return PlaceControl(std::move(name), kind, left, top, width, height, std::move(text), tab_order);
}

// The kinds of control the main window is made of, a few of each.
FormLayout Sample() {
  FormLayout f;
  f.caption = "グリマーディグ";
  f.left = 40;
  f.top = 30;
  f.client_width = 536;
  f.client_height = 233;
  f.min_width = 500;
  f.min_height = 260;
  auto save_dir = Make("stSaveDir", ControlKind::kStaticText, 12, 36, 497, 19, "C:\\A&B\\", 6);
  save_dir.sunken = true;
  save_dir.no_prefix = true;
  save_dir.anchors = kAnchorLeft | kAnchorTop | kAnchorRight;
  auto dots = Make("btnSaveDir", ControlKind::kButton, 514, 36, 19, 19, "...", 4);
  dots.anchors = kAnchorTop | kAnchorRight;
  auto group = Make("GroupBox1", ControlKind::kGroupBox, 12, 114, 253, 85, "抽出対象外とするもの", 7);
  group.children = {
      Make("cbNoIcoFile", ControlKind::kCheckBox, 12, 24, 109, 19, "アイコンファイル", 0),
      Make("cbNoCurRes", ControlKind::kCheckBox, 132, 48, 115, 19, "カーソルリソース", 3),
      Make("cbNoCurFile", ControlKind::kCheckBox, 12, 48, 109, 19, "カーソルファイル", 1),
  };
  f.controls = {
      Make("StatusBar", ControlKind::kStatusBar, 0, 209, 536, 24, ""),
      Make("StaticText1", ControlKind::kStaticText, 18, 18, 46, 16, "保存先：", 5),
      save_dir,
      dots,
      Make("btnGetFromFolder", ControlKind::kButton, 16, 72, 129, 25, "フォルダから抽出", 1),
      Make("btnHelp", ControlKind::kButton, 360, 72, 91, 25, "ヘルプ(&H)", 3),
      Make("Animate", ControlKind::kAnimation, 480, 66, 48, 50, ""),
      group,
      Make("cbDelBmp", ControlKind::kCheckBox, 276, 120, 247, 25,
           "抽出前に保存先のBmpをすべて削除する(&D)", 8),
  };
  return f;
}

class FormTest : public testing::Test {
 protected:
  void TearDown() override { App().SetExceptionHandler({}); }
  Form form_{Sample()};
};

TEST_F(FormTest, BuildsWindowAndControlsWithTheirGeometryAndFont) {
  HWND wnd = form_.Handle();
  EXPECT_EQ(test::WindowText(wnd), "グリマーディグ");
  RECT client;
  GetClientRect(wnd, &client);
  EXPECT_EQ(client.right, 536);
  EXPECT_EQ(client.bottom, 233);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND)),
            GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_NE(GetClassLongPtrW(wnd, GCLP_HICON), 0) << "the program's own icon";

  const test::ExpectedControl rects[] = {
      {"stSaveDir", 12, 36, 497, 19},   {"btnSaveDir", 514, 36, 19, 19},
      {"GroupBox1", 12, 114, 253, 85},  {"cbNoIcoFile", 24, 138, 109, 19},
      {"cbNoCurRes", 144, 162, 115, 19}, {"cbDelBmp", 276, 120, 247, 25},
  };
  test::ExpectControls(form_, rects);
  EXPECT_EQ(form_.Text("stSaveDir"), "C:\\A&B\\");
  EXPECT_TRUE(GetWindowLongPtrW(form_.Control("stSaveDir"), GWL_STYLE) & SS_SUNKEN);
  EXPECT_TRUE(GetWindowLongPtrW(form_.Control("stSaveDir"), GWL_STYLE) & SS_NOPREFIX);

  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(SendMessageW(form_.Control("cbDelBmp"), WM_GETFONT, 0, 0));
  ASSERT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_STREQ(lf.lfFaceName, L"ＭＳ Ｐゴシック");
  EXPECT_EQ(lf.lfHeight, -12);
  EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
}

TEST_F(FormTest, StatusBarShowsSimpleTextAlongTheBottom) {
  HWND bar = form_.Control("StatusBar");
  EXPECT_TRUE(SendMessageW(bar, SB_ISSIMPLE, 0, 0));
  form_.SetText("StatusBar", "C:\\データ\\a.exe");
  EXPECT_EQ(form_.Text("StatusBar"), "C:\\データ\\a.exe");
  const RECT r = test::RectInParent(bar);
  EXPECT_EQ(r.bottom, 233);
  EXPECT_EQ(r.right - r.left, 536);
}

TEST_F(FormTest, TabMovesThroughControlsInTabOrder) {
  form_.Show();
  test::PumpFor(100ms);
  const char* order[] = {"btnGetFromFolder", "btnHelp",     "btnSaveDir", "cbNoIcoFile",
                         "cbNoCurFile",      "cbNoCurRes",  "cbDelBmp",   "btnGetFromFolder"};
  EXPECT_EQ(GetFocus(), form_.Control(order[0]));
  form_.SetText("StatusBar", "C:\\データ\\a.exe");
  form_.Repaint();
  EXPECT_TRUE(test::SaveScreenshot(form_.Handle(), "screenshots/form-sample.bmp"));
  for (std::size_t i = 1; i < std::size(order); ++i) {
    test::PostKey(VK_TAB);
    ProcessMessages();
    EXPECT_EQ(GetFocus(), form_.Control(order[i])) << "after " << order[i - 1];
  }
}

TEST_F(FormTest, AccessKeysAndClicksReachTheirHandlers) {
  form_.Show();
  test::PumpFor(100ms);
  int help = 0;
  form_.SetOnClick("btnHelp", [&] { ++help; });
  test::PostKey('H', true);
  ProcessMessages();
  EXPECT_EQ(help, 1);
  test::PostKey('D', true);
  ProcessMessages();
  EXPECT_TRUE(form_.Checked("cbDelBmp"));
  PostMessageW(form_.Control("cbNoCurFile"), BM_CLICK, 0, 0);
  ProcessMessages();
  EXPECT_TRUE(form_.Checked("cbNoCurFile"));
  form_.SetEnabled("btnHelp", false);
  EXPECT_FALSE(IsWindowEnabled(form_.Control("btnHelp")));
}

TEST_F(FormTest, AnchoredControlsFollowTheEdgesOnResize) {
  RECT outer;
  GetWindowRect(form_.Handle(), &outer);
  SetWindowPos(form_.Handle(), nullptr, 0, 0, outer.right - outer.left + 40,
               outer.bottom - outer.top + 30, SWP_NOMOVE | SWP_NOZORDER);
  const RECT dir = test::RectInParent(form_.Control("stSaveDir"));
  EXPECT_EQ(dir.left, 12);
  EXPECT_EQ(dir.right - dir.left, 497 + 40) << "left and right: stretched";
  const RECT dots = test::RectInParent(form_.Control("btnSaveDir"));
  EXPECT_EQ(dots.left, 514 + 40) << "right only: moved";
  EXPECT_EQ(dots.right - dots.left, 19);
  EXPECT_EQ(test::RectInParent(form_.Control("cbNoIcoFile")).top, 138) << "left and top: stays";
  EXPECT_EQ(test::RectInParent(form_.Control("StatusBar")).bottom, 233 + 30);

  SetWindowPos(form_.Handle(), nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(form_.Handle(), &outer);
  EXPECT_GE(outer.right - outer.left, 500) << "minimum size";
  EXPECT_GE(outer.bottom - outer.top, 260);
}

TEST_F(FormTest, ExceptionInAHandlerReachesTheDefaultHandler) {
  std::string reported;
  App().SetExceptionHandler([&](const std::string& text) { reported = text; });
  form_.SetOnClick("btnHelp", [] { throw std::runtime_error("help failed"); });
  SendMessageW(form_.Control("btnHelp"), BM_CLICK, 0, 0);
  EXPECT_EQ(reported, "help failed");
  int clicks = 0;
  form_.SetOnClick("btnHelp", [&] { ++clicks; });
  SendMessageW(form_.Control("btnHelp"), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1) << "the window goes on";

  int reports = 0;
  App().SetExceptionHandler([&](const std::string&) { ++reports; });
  form_.OnPaint = [] { throw std::runtime_error("paint failed"); };
  form_.Show();
  test::PumpFor(100ms);
  EXPECT_EQ(reports, 1) << "a failed painting still ends, and is not repeated";
}

TEST_F(FormTest, BusyCursorCoversTheWindowsWhileItLives) {
  form_.Show();
  const auto set_cursor = [this] {
    SendMessageW(form_.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form_.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  };
  {
    const BusyCursor busy;
    set_cursor();
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    {
      const BusyCursor nested;
    }
    set_cursor();
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT)) << "until the outermost one ends";
  }
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_FALSE(IsBusyCursor());

  // Also when an exception passes.
  try {
    const BusyCursor busy;
    throw std::runtime_error("load failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(IsBusyCursor());
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(FormTest, AnimationPlaysTheShellsFindFileClip) {
  HWND animate = form_.Control("Animate");
  const LONG_PTR style = GetWindowLongPtrW(animate, GWL_STYLE);
  EXPECT_TRUE(style & ACS_CENTER);
  EXPECT_TRUE(style & ACS_TRANSPARENT);
  EXPECT_FALSE(style & ACS_TIMER) << "played by the control's own thread";
  HMODULE shell = LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(shell, nullptr);
  EXPECT_TRUE(SendMessageW(animate, ACM_OPENW, reinterpret_cast<WPARAM>(shell),
                           reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(151))));
  EXPECT_TRUE(SendMessageW(animate, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF)));
  EXPECT_TRUE(SendMessageW(animate, ACM_PLAY, 1, MAKELPARAM(0, 0)));
  SendMessageW(animate, ACM_OPENW, 0, 0);
  FreeLibrary(shell);
}

TEST(MessageLoop, EndsWhenTheQuitMessageArrives) {
  App().ResetTerminated();
  int ran = 0;
  test::Later([&] {
    ++ran;
    PostQuitMessage(0);
  });
  RunMessageLoop();
  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(App().Terminated());
  App().ResetTerminated();
}

// The executables carry the manifest: common controls 6 and the UTF-8 code page.
TEST(Manifest, SelectsCommonControls6AndUtf8) {
  // Only the version 6 button knows its ideal size.
  HWND button = CreateWindowW(L"BUTTON", L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(button, nullptr);
  SIZE ideal{};
  EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
  DestroyWindow(button);
  EXPECT_EQ(GetACP(), 65001u);
}

TEST_F(FormTest, MainWindowMessagesGoToHooksFirst) {
  App().SetMainWindow(form_.Handle());
  const int key = App().AddHook([](WindowMessage& m) {
    if (m.Msg != WM_APP + 7) return false;
    m.Result = 42;
    return true;
  });
  EXPECT_EQ(SendMessageW(form_.Handle(), WM_APP + 7, 0, 0), 42);
  App().RemoveHook(key);
  EXPECT_EQ(SendMessageW(form_.Handle(), WM_APP + 7, 0, 0), 0);
  App().SetMainWindow(nullptr);
}

}  // namespace
}  // namespace gd
