#include "app/progress_msg.h"

#include "app/ui/application.h"
#include "app/ui/message_loop.h"

#include <cstdio>

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
  ControlLayout counter;
  counter.name = "lblCounter";
  counter.kind = ControlKind::kLabel;
  counter.left = 48;
  counter.top = 16;
  counter.width = 139;
  counter.height = 25;
  counter.text = CounterText(0);
  ControlLayout cancel;
  cancel.name = "BtnCancel";
  cancel.kind = ControlKind::kButton;
  cancel.left = 54;
  cancel.top = 46;
  cancel.width = 80;
  cancel.height = 25;
  cancel.text = "ｷｬﾝｾﾙ";
  cancel.tab_order = 0;
  f.controls = {counter, cancel};
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
  Cancelled = false;
  ItemCount = 0;
}

void TProgressMsg::FormPaint() { SetText("lblCounter", CounterText(ItemCount)); }

void TProgressMsg::BtnCancelClick() { Cancelled = true; }

void TProgressMsg::SetCount(int n) {
  ItemCount = n;
  Repaint();
}

bool TProgressMsg::IsCancelled() {
  ProcessMessages();
  return Cancelled;
}

}  // namespace gd
