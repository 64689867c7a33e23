// The running state: from the start of a run to its end both extraction
// buttons are disabled, the search animation plays, the progress window shows
// and drops are not taken; afterwards all of it is back.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/app/main_form_fixture.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/win_test_util.h"

namespace gd::apptest {
namespace {

using namespace std::chrono_literals;

// Records what the animation control is told to play, in order.
class AnimationLog {
 public:
  struct Play {
    int repeat;
    int from;
    int to;
  };

  explicit AnimationLog(HWND animate) : wnd_(animate) {
    SetWindowSubclass(wnd_, &AnimationLog::Proc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ~AnimationLog() { RemoveWindowSubclass(wnd_, &AnimationLog::Proc, 1); }
  AnimationLog(const AnimationLog&) = delete;
  AnimationLog& operator=(const AnimationLog&) = delete;

  std::vector<Play> plays;

  // Playing without end from the first frame to the last.
  bool PlayingWholeClip() const {
    return !plays.empty() && plays.back().repeat == -1 && plays.back().from == 0 && plays.back().to == -1;
  }
  // Stopped on the first frame.
  bool StandingOnFirstFrame() const {
    return !plays.empty() && plays.back().repeat == 1 && plays.back().from == 0 && plays.back().to == 0;
  }

 private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    if (msg == ACM_PLAY) {
      reinterpret_cast<AnimationLog*>(self)->plays.push_back(
          {static_cast<int>(wp), static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
    }
    return DefSubclassProc(wnd, msg, wp, lp);
  }

  HWND wnd_;
};

struct RunningState {
  bool folder_button_enabled;
  bool file_button_enabled;
  bool animation_playing;
  bool progress_visible;
  bool accepts_drops;
  bool running;

  bool operator==(const RunningState&) const = default;
};

void PrintTo(const RunningState& s, std::ostream* os) {
  *os << "{folder button " << s.folder_button_enabled << ", file button " << s.file_button_enabled
      << ", animation " << s.animation_playing << ", progress " << s.progress_visible << ", drops "
      << s.accepts_drops << ", running " << s.running << "}";
}

constexpr RunningState kRunning{false, false, true, true, false, true};
constexpr RunningState kIdle{true, true, false, false, true, false};

TEST_F(MainFormTest, RunningStateLastsFromTheStartOfARunToItsEnd) {
  TMainForm& f = Open();
  const std::string source = root_ + "\\src\\";
  for (const char* name : {"a.ico", "b.ico", "c.ico"}) {
    WriteBytes(source + name, test::IconFile({test::IconImage(16, 4), test::IconImage(32, 4)}));
  }
  f.SetChecked("cbDelBmp", true);
  f.SetChecked("cbOpenFolder", false);
  AnimationLog animation(f.Control("Animate"));
  auto state = [&] {
    return RunningState{IsWindowEnabled(f.Control("btnGetFromFolder")) != FALSE,
                        IsWindowEnabled(f.Control("btnGetFromFile")) != FALSE,
                        animation.PlayingWholeClip(),
                        progress_->Visible(),
                        (GetWindowLongPtrW(f.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0,
                        f.Running()};
  };
  EXPECT_EQ(state(), kIdle);
  EXPECT_TRUE(animation.plays.empty());  // not playing at start

  struct Case {
    const char* name;
    std::function<void()> start;
    std::size_t files;
    std::size_t boxes;  // the folder's question, then the result
  };
  const Case cases[] = {
      {"file command", [&] { open_answer_ = source + "b.ico"; Click("btnGetFromFile"); }, 1, 1},
      {"folder command", [&] { browse_answer_ = source; Click("btnGetFromFolder"); }, 3, 2},
      {"dropped files", [&] { f.OpenSources({source + "c.ico", source + "a.ico"}); }, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxAnswerer boxes;
    StatusLog status(f.Control("StatusBar"));
    std::vector<RunningState> while_running;
    // The engine tells each file before it reads it: the state at that moment.
    status.on_text = [&](const std::string&) { while_running.push_back(state()); };
    animation.plays.clear();
    c.start();
    ASSERT_EQ(while_running.size(), c.files);
    for (const RunningState& s : while_running) EXPECT_EQ(s, kRunning);
    // Started once before the first file, stopped once after the last.
    ASSERT_EQ(animation.plays.size(), 2u);
    EXPECT_TRUE(animation.StandingOnFirstFrame());
    EXPECT_EQ(state(), kIdle);
    ASSERT_EQ(boxes.seen.size(), c.boxes);
    EXPECT_EQ(boxes.seen.back().text, std::to_string(2 * c.files) + "個のビットマップを抽出しました。");
  }
}

}  // namespace
}  // namespace gd::apptest
