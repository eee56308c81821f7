#include "runtime/utilities/boxes.h"

#include <cstdio>
#include <utility>

namespace kv {

namespace {
BoxHook g_hook = nullptr;
std::optional<SystemFailure> g_failure;
}  // namespace

void set_box_hook(BoxHook hook) { g_hook = hook; }
BoxHook get_box_hook() { return g_hook; }

void set_system_failure(std::uint32_t code, std::string text) {
  g_failure = SystemFailure{code, std::move(text)};
}

std::optional<SystemFailure> pending_system_failure() { return g_failure; }

int show_box(int kind, std::string_view title, std::string_view text, std::string_view caller_id) {
  int result = 0;
  if (g_hook) {
    result = g_hook(kind, title, text, caller_id);
  } else if (kind == kBoxSystem && g_failure) {
    std::string full(text);
    full += "\rError code: " + std::to_string(g_failure->code) + " / " + g_failure->text;
    result = stderr_box(kind, title, full, caller_id);
  } else {
    result = stderr_box(kind, title, text, caller_id);
  }
  g_failure.reset();
  return result;
}

std::string one_line(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += " / ";
    } else {
      out += c;
    }
  }
  return out;
}

std::string default_caption(int kind) {
  if (kind == kBoxAbout) return "About...";
  if (kind >= kBoxInternal && kind <= kBoxDeveloper) return "Korvexan Internal Error!";
  return {};
}

std::string compose_text(int kind, std::string_view text, std::string_view caller_id) {
  std::string body;
  if (kind >= kBoxInternal && kind <= kBoxDeveloper) {
    std::string_view id = caller_id.substr(0, caller_id.find('\0'));
    body = std::string(id) + "\r" + std::string(text);
    if (kind == kBoxDeveloper) body += "\rContact application developer/programmer!";
  } else {
    body = std::string(text);
  }
  if (body.size() > 255) body.resize(255);
  return body;
}

int stderr_box(int kind, std::string_view title, std::string_view text,
               std::string_view caller_id) {
  std::string shown_title(title);
  while (!shown_title.empty() && shown_title.back() == ' ') shown_title.pop_back();
  if (shown_title.empty()) shown_title = default_caption(kind);
  std::string line = "BOX " + std::to_string(kind) + " " + shown_title + " | " +
                     one_line(compose_text(kind, text, caller_id)) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return 1;
}

}  // namespace kv
