#pragma once
// The small always-on-top window shown while a run lasts: the count of images
// written so far and a Cancel button. Asking it whether Cancel was pressed is
// the one place where window messages run during a run.

#include <string>

#include "extract/run/ui_sinks.h"
#include "ui/form.h"

namespace gd {

inline constexpr char kCounterFormat[] = "アイテム数 ＝ %d";

// The counter text for n images.
std::string CounterText(int n);

class TProgressMsg : public Form, public ProgressSink {
 public:
  TProgressMsg();

  // Stores n and repaints the window at once, without the message loop.
  void SetCount(int n) override;
  // Runs every pending message of the thread, then tells whether Cancel was
  // pressed since the window was last shown.
  bool IsCancelled() override;

 private:
  void FormShow();
  void FormPaint();
  void BtnCancelClick();

  bool cancelled_ = false;
  int item_count_ = 0;
};

}  // namespace gd
