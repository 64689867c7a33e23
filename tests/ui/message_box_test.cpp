#include "ui/message_box.h"

#include "tests/support/win_test_util.h"
#include "ui/application.h"
#include "ui/form.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace gd {
namespace {

// What the box showed, read back while it was up.
struct Seen {
  std::string title;
  std::string text;
  std::vector<std::string> buttons;
  std::string default_button;
  std::string focused;
  bool icon = false;
  HICON icon_handle = nullptr;
  bool centred = false;
};

enum class Answer { kEnter, kEscape, kCloseBox, kClickSecond, kAccessKeyN };

// Reads the box that is up now, then answers it.
void ReadAndAnswer(Seen& seen, Answer answer) {
  HWND box = GetActiveWindow();
  ASSERT_NE(box, nullptr);
  seen.title = test::WindowText(box);
  RECT r;
  GetWindowRect(box, &r);
  seen.centred = r.left == (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2 &&
                 r.top == (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  std::vector<HWND> buttons;
  for (HWND c : test::Children(box)) {
    const std::string cls = test::ClassName(c);
    const LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
    if (_stricmp(cls.c_str(), "Button") == 0) {
      buttons.push_back(c);
      seen.buttons.push_back(test::WindowText(c));
      if ((style & 0xF) == BS_DEFPUSHBUTTON) seen.default_button = test::WindowText(c);
    } else if ((style & SS_TYPEMASK) == SS_ICON) {
      seen.icon = true;
      seen.icon_handle = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
    } else {
      seen.text = test::WindowText(c);
    }
  }
  seen.focused = test::WindowText(GetFocus());
  test::SaveScreenshot(box, "screenshots/message-box-" + std::to_string(seen.buttons.size()) +
                                (seen.icon ? "-icon" : "") + ".bmp");
  switch (answer) {
    case Answer::kEnter:
      test::PostKey(VK_RETURN);
      break;
    case Answer::kEscape:
      test::PostKey(VK_ESCAPE);
      break;
    case Answer::kCloseBox:
      PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case Answer::kClickSecond:
      ASSERT_GE(buttons.size(), 2u);
      PostMessageW(buttons[1], BM_CLICK, 0, 0);
      break;
    case Answer::kAccessKeyN:
      test::PostKey('N', true);
      break;
  }
}

Seen ShowAndAnswer(const std::function<void()>& show, Answer answer) {
  Seen seen;
  test::Later([&] { ReadAndAnswer(seen, answer); });
  show();
  return seen;
}

TEST(MessageBoxes, PlainMessageHasTitleTextAndOneOkButton) {
  for (Answer answer : {Answer::kEnter, Answer::kEscape, Answer::kCloseBox}) {
    const Seen seen = ShowAndAnswer([] { ShowMessage("3個のビットマップを抽出しました。"); }, answer);
    EXPECT_EQ(seen.title, "グリマーディグ");
    EXPECT_EQ(seen.text, "3個のビットマップを抽出しました。");
    EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(seen.default_button, "OK");
    EXPECT_FALSE(seen.icon);
    EXPECT_TRUE(seen.centred);
  }
}

TEST(MessageBoxes, ConfirmationAnswers) {
  const struct {
    Answer answer;
    int result;
  } cases[] = {
      {Answer::kEnter, kResultYes},      {Answer::kEscape, kResultNo},
      {Answer::kCloseBox, kResultNo},    {Answer::kClickSecond, kResultNo},
      {Answer::kAccessKeyN, kResultNo},
  };
  const std::string question =
      "C:\\src\\ からビットマップを抽出して C:\\BmpSave\\ に保存します。よろしいですか？";
  for (const auto& c : cases) {
    int result = 0;
    const Seen seen = ShowAndAnswer([&] { result = Confirm(question); }, c.answer);
    EXPECT_EQ(result, c.result) << static_cast<int>(c.answer);
    EXPECT_EQ(seen.title, "確認");
    EXPECT_EQ(seen.text, question);
    EXPECT_EQ(seen.buttons, (std::vector<std::string>{"はい(&Y)", "いいえ(&N)"}));
    EXPECT_EQ(seen.default_button, "はい(&Y)");
    EXPECT_EQ(seen.focused, "はい(&Y)");
    EXPECT_EQ(seen.icon_handle, LoadIconW(nullptr, IDI_QUESTION));
    EXPECT_TRUE(seen.centred);
  }
}

TEST(MessageBoxes, ModalForEveryWindowOfTheProgram) {
  const FormLayout f = test::PlainLayout("owner", 100, 50);
  Form a(f);
  Form b(f);
  a.Show();
  b.Show();
  bool a_enabled = true;
  bool b_enabled = true;
  test::Later([&] {
    a_enabled = IsWindowEnabled(a.Handle()) != FALSE;
    b_enabled = IsWindowEnabled(b.Handle()) != FALSE;
    test::PostKey(VK_RETURN);
  });
  ShowMessage("modal");
  EXPECT_FALSE(a_enabled);
  EXPECT_FALSE(b_enabled);
  EXPECT_TRUE(IsWindowEnabled(a.Handle()));
  EXPECT_TRUE(IsWindowEnabled(b.Handle()));
  EXPECT_EQ(GetActiveWindow(), b.Handle()) << "the active window before the box";
}

TEST(DefaultExceptionHandler, ShowsAnErrorBoxAndTheProgramGoesOn) {
  const Seen seen = ShowAndAnswer(
      [] {
        App().HandleException(
            std::make_exception_ptr(std::runtime_error("TBrowseDialog: ppmem.Alloc Failed.")));
      },
      Answer::kEnter);
  EXPECT_EQ(seen.title, "グリマーディグ");
  EXPECT_EQ(seen.text, "TBrowseDialog: ppmem.Alloc Failed.");
  EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(seen.icon_handle, LoadIconW(nullptr, IDI_ERROR));
  EXPECT_TRUE(seen.centred);
}

}  // namespace
}  // namespace gd
