#include "app/progress_msg.h"

#include <cstdio>

#include "ui/application.h"
#include "ui/message_loop.h"

namespace gd {

namespace {

FormLayout ProgressLayout() {
  FormLayout f;
  f.caption = "ただいま処理中です";
  f.client_width = 188;
  f.client_height = 85;
  f.system_menu = false;
  f.topmost = true;
  f.position = FormPosition::kMainFormCenterOnce;
  f.controls = {PlaceControl("lblCounter", ControlKind::kLabel, 48, 16, 139, 25, CounterText(0)),
                PlaceControl("BtnCancel", ControlKind::kButton, 54, 46, 80, 25, "ｷｬﾝｾﾙ", 0)};
  return f;
}

}  // namespace

std::string CounterText(int n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, kCounterFormat, n);
  return buf;
}

TProgressMsg::TProgressMsg() : Form(ProgressLayout(), App().MainWindow()) {
  OnShow = [this] { FormShow(); };
  OnPaint = [this] { FormPaint(); };
  SetOnClick("BtnCancel", [this] { BtnCancelClick(); });
}

void TProgressMsg::FormShow() {
  cancelled_ = false;
  item_count_ = 0;
}

void TProgressMsg::FormPaint() { SetText("lblCounter", CounterText(item_count_)); }

void TProgressMsg::BtnCancelClick() { cancelled_ = true; }

void TProgressMsg::SetCount(int n) {
  item_count_ = n;
  Repaint();
}

bool TProgressMsg::IsCancelled() {
  ProcessMessages();
  return cancelled_;
}

}  // namespace gd
