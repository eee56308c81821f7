#include "runtime/terminal/message_box.h"

#include "runtime/terminal/module_trace.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/log.h"

namespace kv::term {

namespace {

std::string rtrim(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
  return std::string(s.substr(0, n));
}

std::string upto_nul(std::string_view s) { return std::string(s.substr(0, s.find('\0'))); }

void status_message(MbRequest& q, ScrCommon& c) {
  c.status_message = 'Y';
  std::string text = rtrim(q.text);
  Display* d = c.display;
  if (!d) {
    kv::stderr_box(kBoxStatus, "", text, "");
    return;
  }
  if (c.window && c.status_bar) {
    d->set_status_text(c.status_bar, 0, text, false);
    return;
  }
  if (c.message_window) d->destroy_message_window(c.message_window);
  c.message_window = d->create_message_window("Warning/Status message:", text);
}

void withdraw(ScrCommon& c) {
  if (c.status_message != 'Y') return;
  if (Display* d = c.display) {
    if (c.message_window)
      d->destroy_message_window(c.message_window);
    else if (c.window && c.status_bar)
      d->set_status_text(c.status_bar, 0, "", false);
  }
  c.message_window = 0;
  c.status_message = 'N';
}

}  // namespace

std::string system_error_text(std::string_view caller, std::string_view text,
                              const SystemError& e) {
  std::string body =
      upto_nul(caller) + "\r" + rtrim(text) + "\rError code: " + std::to_string(e.code);
  if (e.text.empty())
    body += " / No system error message text available...";
  else
    body += " / " + e.text;
  if (body.size() > 255) body.resize(255);
  return body;
}

void SCR_MB(MbRequest& q, ScrCommon& c) {
  TraceModule& t = mb_module();
  t.index();
  switch (q.kind) {
    case kBoxWithdraw:
      withdraw(c);
      break;
    case kBoxStatus:
      status_message(q, c);
      break;
    case kBoxAbout:
    case kBoxInternal:
    case kBoxSystem:
    case kBoxDeveloper: {
      std::string title = rtrim(q.title);
      if (title.empty()) title = default_caption(q.kind);
      std::string text;
      if (q.kind == kBoxAbout) {
        text = rtrim(q.text);
        if (text.size() > 255) text.resize(255);
        q.style = static_cast<std::int32_t>(mb::kIconInformation | mb::kOk);
      } else {
        if (q.kind == kBoxSystem) {
          SystemError e = c.display ? c.display->last_error() : SystemError{};
          if (auto f = kv::pending_system_failure()) e = {f->code, f->text};
          text = system_error_text(q.caller, q.text, e);
        } else {
          text = compose_text(q.kind, rtrim(q.text), q.caller);
        }
        q.style = static_cast<std::int32_t>(mb::kIconStop | mb::kOk);
      }
      t("MessageBox", title, text);
      if (c.display)
        q.result =
            c.display->message_box(c.window, q.kind, title, text, static_cast<unsigned>(q.style));
      else
        q.result = kv::stderr_box(q.kind, title, text, "");
      break;
    }
    case kBoxTrace: {
      std::string id = padded(std::string_view(q.caller).substr(0, 35), 35);
      kv::log_write(id + "|" + padded(std::string_view(q.text).substr(0, 185), 185));
      break;
    }
    default:
      break;
  }
  q.title.clear();
  q.text.clear();
  q.kind = 1;
}

int scr_mb(ScrCommon& c, int kind, std::string_view title, std::string_view text,
           std::string_view caller) {
  MbRequest q;
  q.kind = static_cast<std::int16_t>(kind);
  q.title = std::string(title);
  q.text = std::string(text);
  q.caller = std::string(caller);
  SCR_MB(q, c);
  return q.result;
}

int box_hook(int kind, std::string_view title, std::string_view text, std::string_view caller_id) {
  int r = scr_mb(common(), kind, title, text, caller_id);
  return r == 0 ? kIdOk : r;
}

}  // namespace kv::term
