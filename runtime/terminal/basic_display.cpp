#include "runtime/terminal/basic_display.h"

#include <algorithm>
#include <chrono>

namespace kv::term {

namespace {

Rect unite(const Rect& a, const Rect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

Rect intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.empty()) return {};
  return r;
}

bool in_range(std::uint32_t m, std::uint32_t first, std::uint32_t last) {
  // A range of 0..0 means every message, as the window system has it.
  if (first == 0 && last == 0) return true;
  return m >= first && m <= last;
}

}  // namespace

// ---- MenuBar --------------------------------------------------------------

const MenuItem* MenuBar::find(int command) const {
  for (const MenuPopup& p : popups)
    for (const MenuItem& i : p.items)
      if (i.command == command) return &i;
  return nullptr;
}

bool MenuBar::set_grayed(int command, bool grayed) {
  for (MenuPopup& p : popups)
    for (MenuItem& i : p.items)
      if (i.command == command) {
        bool changed = i.grayed != grayed;
        i.grayed = grayed;
        return changed;
      }
  return false;
}

bool MenuBar::set_checked(int command, bool checked) {
  for (MenuPopup& p : popups)
    for (MenuItem& i : p.items)
      if (i.command == command) {
        bool changed = i.checked != checked;
        i.checked = checked;
        return changed;
      }
  return false;
}

// ---- BasicDisplay ------------------------------------------------------------

BasicDisplay::BasicDisplay() = default;
BasicDisplay::~BasicDisplay() = default;

std::uint64_t BasicDisplay::device_clock_ms() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint64_t BasicDisplay::tick_ms() {
  std::uint64_t now = device_clock_ms();
  if (clock_origin_ == 0) clock_origin_ = now == 0 ? 1 : now;
  return now - clock_origin_ + 1;
}

BasicDisplay::Window* BasicDisplay::find(WindowId w) {
  auto it = windows_.find(w);
  return it == windows_.end() || it->second.destroyed ? nullptr : &it->second;
}
const BasicDisplay::Window* BasicDisplay::find(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() || it->second.destroyed ? nullptr : &it->second;
}

bool BasicDisplay::register_class(const WindowClass& cls) {
  if (cls.name.empty() || !cls.proc) return false;
  return classes_.emplace(cls.name, cls).second;
}

bool BasicDisplay::unregister_class(std::string_view name) {
  auto it = classes_.find(std::string(name));
  if (it == classes_.end()) return false;
  for (auto& [id, w] : windows_)
    if (!w.destroyed && w.class_name == it->first) return false;
  classes_.erase(it);
  return true;
}

int BasicDisplay::nonclient_height(const Window& w) const {
  int h = 2 * metrics_.frame_height;
  if (w.style & style::kCaption) h += metrics_.caption_height;
  if (w.has_menu) h += metrics_.menu_height;
  return h;
}

WindowId BasicDisplay::create_window(const CreateParams& params) {
  auto cls = classes_.find(params.class_name);
  if (cls == classes_.end()) {
    last_error_ = {1407, "Cannot find window class."};
    return 0;
  }
  WindowId id = next_window_++;
  Window& w = windows_[id];
  w.class_name = params.class_name;
  w.proc = cls->second.proc;
  w.title = params.title;
  w.style = params.style;
  if (params.menu) {
    w.has_menu = true;
    w.menu = *params.menu;
  }
  // The size asked for is trimmed by the maximum tracking size that the
  // procedure reports once it has its data; until then the work area
  // bounds it.
  int width = std::min(params.width, work_area_.width());
  int height = std::min(params.height, work_area_.height());
  w.outer = {params.x, params.y, params.x + width, params.y + height};
  if (send(id, wm::kNcCreate, 0, reinterpret_cast<std::intptr_t>(&params)) < 0) {
    windows_.erase(id);
    return 0;
  }
  if (send(id, wm::kCreate, 0, reinterpret_cast<std::intptr_t>(&params)) < 0) {
    windows_.erase(id);
    return 0;
  }
  Rect c = client_rect(id);
  send(id, wm::kSize, size_kind::kRestored, make_point_param(c.width(), c.height()));
  return id;
}

bool BasicDisplay::destroy_window(WindowId window) {
  Window* w = find(window);
  if (!w) return false;
  send(window, wm::kDestroy, 0, 0);
  w = find(window);
  if (!w) return true;
  w->destroyed = true;
  if (caret_window_ == window) caret_window_ = 0;
  if (capture_ == window) capture_ = 0;
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.window == window; }),
                timers_.end());
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [&](const Message& m) { return m.window == window; }),
               queue_.end());
  return true;
}

bool BasicDisplay::is_window(WindowId window) { return find(window) != nullptr; }

void BasicDisplay::set_window_data(WindowId window, void* data) {
  if (Window* w = find(window)) w->data = data;
}
void* BasicDisplay::window_data(WindowId window) {
  Window* w = find(window);
  return w ? w->data : nullptr;
}
void BasicDisplay::set_title(WindowId window, std::string_view title) {
  if (Window* w = find(window)) w->title = std::string(title);
}

Rect BasicDisplay::window_rect(WindowId window) {
  Window* w = find(window);
  return w ? w->outer : Rect{};
}

Rect BasicDisplay::client_rect(WindowId window) {
  Window* w = find(window);
  if (!w) return {};
  int cw = w->outer.width() - 2 * metrics_.frame_width;
  int ch = w->outer.height() - nonclient_height(*w);
  return {0, 0, std::max(cw, 0), std::max(ch, 0)};
}

bool BasicDisplay::move_window(WindowId window, int x, int y, int width, int height, bool repaint) {
  Window* w = find(window);
  if (!w) return false;
  MinMaxInfo mm;
  mm.max_size = {work_area_.width(), work_area_.height()};
  mm.max_track_size = {std::max(width, work_area_.width()), std::max(height, work_area_.height())};
  send(window, wm::kGetMinMaxInfo, 0, reinterpret_cast<std::intptr_t>(&mm));
  width = std::clamp(width, std::max(mm.min_track_size.x, 0), std::max(mm.max_track_size.x, 0));
  height = std::clamp(height, std::max(mm.min_track_size.y, 0), std::max(mm.max_track_size.y, 0));
  WindowPos pos{x, y, width, height};
  send(window, wm::kWindowPosChanging, 0, reinterpret_cast<std::intptr_t>(&pos));
  w = find(window);
  if (!w) return false;
  Rect old_client = client_rect(window);
  w->outer = {x, y, x + width, y + height};
  send(window, wm::kWindowPosChanged, 0, reinterpret_cast<std::intptr_t>(&pos));
  Rect c = client_rect(window);
  if (c.width() != old_client.width() || c.height() != old_client.height())
    send(window, wm::kSize, size_kind::kRestored, make_point_param(c.width(), c.height()));
  if (repaint) invalidate(window, nullptr);
  return true;
}

bool BasicDisplay::set_placement(WindowId window, const Placement& placement) {
  Window* w = find(window);
  if (!w || placement.length != 44) {
    last_error_ = {87, "The parameter is incorrect."};
    return false;
  }
  w->placement = placement;
  const Rect& n = placement.normal;
  return move_window(window, n.left, n.top, n.width(), n.height(), true);
}

bool BasicDisplay::get_placement(WindowId window, Placement& placement) {
  Window* w = find(window);
  if (!w) return false;
  placement = w->placement;
  placement.show_command = w->show;
  placement.normal = w->outer;
  return true;
}

void BasicDisplay::show_window(WindowId window, int show_command) {
  Window* w = find(window);
  if (!w) return;
  w->show = show_command;
  if (show_command == show::kShowMaximized) {
    Rect c = client_rect(window);
    send(window, wm::kSize, size_kind::kMaximized, make_point_param(c.width(), c.height()));
  }
  invalidate(window, nullptr);
}

void BasicDisplay::set_scroll(WindowId window, Bar bar, int range, int position) {
  if (Window* w = find(window)) {
    w->range[static_cast<int>(bar)] = range;
    w->pos[static_cast<int>(bar)] = position;
  }
}

Point BasicDisplay::scroll_pos(WindowId window) const {
  const Window* w = find(window);
  if (!w) return {};
  return {w->pos[0], w->pos[1]};
}

void BasicDisplay::invalidate(WindowId window, const Rect* rect) {
  Window* w = find(window);
  if (!w) return;
  Rect client = client_rect(window);
  Rect r = rect ? intersect(*rect, client) : client;
  w->invalid = unite(w->invalid, r);
}

void BasicDisplay::update_window(WindowId window) {
  Window* w = find(window);
  if (!w || w->invalid.empty()) return;
  send(window, wm::kPaint, 0, 0);
  // A procedure that did not paint must not leave the paint pending forever.
  if (Window* again = find(window)) again->invalid = {};
}

void BasicDisplay::scroll_window(WindowId window, int, int) { invalidate(window, nullptr); }

Rect BasicDisplay::begin_paint(WindowId window) {
  Window* w = find(window);
  if (!w) return {};
  Rect r = w->invalid;
  w->invalid = {};
  w->painting = true;
  return r;
}

void BasicDisplay::draw_text(WindowId window, int x, int y, std::string_view bytes, Handle font,
                             Rgb foreground, Rgb background) {
  if (find(window)) device_draw(window, x, y, bytes, font, foreground, background);
}

void BasicDisplay::end_paint(WindowId window) {
  if (Window* w = find(window)) w->painting = false;
}

Handle BasicDisplay::create_font(const LogicalFont&) { return next_handle_++; }
TextMetrics BasicDisplay::text_metrics(Handle) { return cell_metrics_; }
void BasicDisplay::delete_font(Handle) {}
bool BasicDisplay::choose_font(WindowId, LogicalFont&, std::uint32_t& error) {
  error = 0;
  return false;
}

void BasicDisplay::create_caret(WindowId window, int, int) {
  caret_window_ = window;
  caret_shown_ = 0;
}
void BasicDisplay::destroy_caret() {
  caret_window_ = 0;
  caret_shown_ = 0;
}
void BasicDisplay::show_caret(WindowId window) {
  if (window == caret_window_) ++caret_shown_;
}
void BasicDisplay::hide_caret(WindowId window) {
  if (window == caret_window_) --caret_shown_;
}
void BasicDisplay::set_caret_pos(int x, int y) { caret_pos_ = {x, y}; }
Handle BasicDisplay::load_pointer(int id) { return static_cast<Handle>(id); }

void BasicDisplay::set_menu(WindowId window, const MenuBar* menu) {
  Window* w = find(window);
  if (!w) return;
  Rect before = client_rect(window);
  w->has_menu = menu != nullptr;
  w->menu = menu ? *menu : MenuBar{};
  Rect after = client_rect(window);
  if (before.height() != after.height())
    send(window, wm::kSize, size_kind::kRestored, make_point_param(after.width(), after.height()));
}

void BasicDisplay::set_close_enabled(WindowId window, bool enabled) {
  if (Window* w = find(window)) w->close_enabled = enabled;
}

Handle BasicDisplay::create_status_bar(WindowId) { return next_handle_++; }
void BasicDisplay::set_status_parts(Handle, const std::vector<int>& right_edges) {
  status_parts_ = right_edges;
  status_texts_.resize(std::max<std::size_t>(right_edges.size(), 4));
  status_raised_.resize(status_texts_.size());
}
void BasicDisplay::set_status_text(Handle, int part, std::string_view text, bool raised) {
  if (part < 0) return;
  auto p = static_cast<std::size_t>(part);
  if (p >= status_texts_.size()) {
    status_texts_.resize(p + 1);
    status_raised_.resize(p + 1);
  }
  status_texts_[p] = std::string(text);
  status_raised_[p] = raised;
}
std::string BasicDisplay::status_text(int part) const {
  if (part < 0 || static_cast<std::size_t>(part) >= status_texts_.size()) return {};
  return status_texts_[static_cast<std::size_t>(part)];
}
bool BasicDisplay::status_raised(int part) const {
  if (part < 0 || static_cast<std::size_t>(part) >= status_raised_.size()) return false;
  return status_raised_[static_cast<std::size_t>(part)];
}

Handle BasicDisplay::create_message_window(std::string_view, std::string_view text) {
  modeless_ = next_handle_++;
  modeless_text_ = std::string(text);
  return modeless_;
}
void BasicDisplay::destroy_message_window(Handle window) {
  if (window == modeless_) {
    modeless_ = 0;
    modeless_text_.clear();
  }
}

bool BasicDisplay::clipboard_set_text(WindowId, std::string_view bytes) {
  clipboard_ = std::string(bytes);
  return true;
}
bool BasicDisplay::clipboard_has_text() { return clipboard_.has_value(); }
std::optional<std::string> BasicDisplay::clipboard_text() { return clipboard_; }

void BasicDisplay::accept_drops(WindowId window, bool accept) {
  if (Window* w = find(window)) w->accepts_drops = accept;
}
std::vector<std::string> BasicDisplay::drop_files(Handle drop) {
  auto it = drops_.find(drop);
  return it == drops_.end() ? std::vector<std::string>{} : it->second.files;
}
bool BasicDisplay::drop_point(Handle drop, Point& point) {
  auto it = drops_.find(drop);
  if (it == drops_.end()) return false;
  point = it->second.at;
  return it->second.in_client;
}
void BasicDisplay::drop_finish(Handle drop) { drops_.erase(drop); }

std::int16_t BasicDisplay::key_state(int virtual_key) {
  auto down = [&](std::uint32_t bit) {
    return (current_keys_ & bit) ? kKeyDown : static_cast<std::int16_t>(0);
  };
  auto toggled = [&](std::uint32_t bit) {
    return (current_keys_ & bit) ? kKeyToggled : static_cast<std::int16_t>(0);
  };
  switch (virtual_key) {
    case vk::kShift:
      return down(kf_shift);
    case vk::kControl:
      return down(kf_ctrl);
    case vk::kMenu:
      return down(kf_alt);
    case vk::kCapital:
      return toggled(kf_caps);
    case vk::kNumLock:
      return toggled(kf_num);
    case vk::kScroll:
      return toggled(kf_scroll);
    case vk::kInsert:
      return toggled(kf_insert);
    default:
      return 0;
  }
}

void BasicDisplay::set_timer(WindowId window, int id, int interval_ms) {
  kill_timer(window, id);
  timers_.push_back({window, id, interval_ms, tick_ms() + static_cast<std::uint64_t>(interval_ms)});
}
void BasicDisplay::kill_timer(WindowId window, int id) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.window == window && t.id == id; }),
                timers_.end());
}
std::uint64_t BasicDisplay::next_timer_due() const {
  std::uint64_t due = 0;
  for (const Timer& t : timers_)
    if (due == 0 || t.due < due) due = t.due;
  return due;
}

void BasicDisplay::post(const Message& message) { queue_.push_back(message); }

void BasicDisplay::stamp(Message& m, std::uint32_t keys) {
  device_keys_ = keys;
  m.key_flags = keys | kf_stamped;
}

bool BasicDisplay::take_paint(Message& out, WindowId window, bool) {
  for (auto& [id, w] : windows_) {
    if (w.destroyed || w.invalid.empty()) continue;
    if (window != 0 && window != id) continue;
    // A paint message stays pending until the procedure paints.
    out = {id, wm::kPaint, 0, 0, 0, -1};
    return true;
  }
  return false;
}

bool BasicDisplay::take_timer(Message& out, WindowId window, bool remove) {
  std::uint64_t now = tick_ms();
  for (Timer& t : timers_) {
    if (window != 0 && window != t.window) continue;
    if (t.due > now) continue;
    out = {t.window, wm::kTimer, static_cast<std::uintptr_t>(t.id), 0, 0, -1};
    // Timer messages do not pile up: one is due at a time.
    if (remove) t.due = now + static_cast<std::uint64_t>(t.interval);
    return true;
  }
  return false;
}

bool BasicDisplay::peek(Message& out, WindowId window, std::uint32_t first, std::uint32_t last,
                        bool remove) {
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (window != 0 && it->window != window) continue;
    if (!in_range(it->message, first, last)) continue;
    out = *it;
    if (remove) {
      if (it->key_flags & kf_stamped) current_keys_ = it->key_flags & ~kf_stamped;
      queue_.erase(it);
    }
    return true;
  }
  if (in_range(wm::kPaint, first, last) && take_paint(out, window, remove)) return true;
  if (in_range(wm::kTimer, first, last) && take_timer(out, window, remove)) return true;
  return false;
}

bool BasicDisplay::has_pending_work() const {
  if (!queue_.empty()) return true;
  for (auto& [id, w] : windows_)
    if (!w.destroyed && !w.invalid.empty()) return true;
  return false;
}

void BasicDisplay::wait_message() {
  for (;;) {
    if (has_pending_work()) return;
    std::uint64_t due = next_timer_due();
    if (due != 0 && due <= tick_ms()) return;
    device_wait(due);
  }
}

void BasicDisplay::translate(const Message& message) {
  if (message.character < 0) return;
  std::uint32_t char_msg;
  if (message.message == wm::kKeyDown)
    char_msg = wm::kChar;
  else if (message.message == wm::kSysKeyDown)
    char_msg = wm::kSysChar;
  else
    return;
  Message c{message.window, char_msg,          static_cast<std::uintptr_t>(message.character),
            message.lparam, message.key_flags, -1};
  // The character comes next, before anything queued after the key.
  queue_.push_front(c);
}

std::intptr_t BasicDisplay::dispatch(const Message& message) {
  if (message.window == 0) return 0;
  return send(message.window, message.message, message.wparam, message.lparam);
}

std::intptr_t BasicDisplay::send(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) {
  Window* w = find(window);
  if (!w || !w->proc) return 0;
  return w->proc(window, message, wparam, lparam);
}

std::intptr_t BasicDisplay::default_proc(WindowId window, std::uint32_t message,
                                         std::uintptr_t wparam, std::intptr_t) {
  switch (message) {
    case wm::kClose:
      destroy_window(window);
      return 0;
    case wm::kPaint:
      begin_paint(window);
      end_paint(window);
      return 0;
    case wm::kNcHitTest:
      return kHitClient;
    case wm::kMouseActivate:
      return kMouseActivate;
    case wm::kSysCommand:
      if (wparam == sys_command::kClose) send(window, wm::kClose, 0, 0);
      return 0;
    default:
      return 0;
  }
}

void BasicDisplay::post_key(WindowId window, int virtual_key, int scan, bool extended,
                            int character, std::uint32_t keys) {
  // Alt without Ctrl (Ctrl+Alt is the AltGr of many layouts), and F10,
  // are system keys.
  bool sys =
      ((keys & kf_alt) && !(keys & kf_ctrl)) || (virtual_key == vk::kF10 && !(keys & kf_ctrl));
  Message m{window,
            sys ? wm::kSysKeyDown : wm::kKeyDown,
            static_cast<std::uintptr_t>(virtual_key),
            make_key_param(scan, extended, (keys & kf_alt) != 0, false),
            0,
            character};
  stamp(m, keys);
  queue_.push_back(m);
}

void BasicDisplay::post_char(WindowId window, int character, std::uint32_t keys) {
  Message m{window,
            wm::kChar,
            static_cast<std::uintptr_t>(character),
            make_key_param(0, false, false, false),
            0,
            -1};
  stamp(m, keys);
  queue_.push_back(m);
}

void BasicDisplay::post_mouse(WindowId window, std::uint32_t message, int x, int y,
                              std::uint32_t keys) {
  std::uintptr_t w = 0;
  if (keys & kf_shift) w |= mouse_keys::kShift;
  if (keys & kf_ctrl) w |= mouse_keys::kControl;
  if (message == wm::kLButtonDown || message == wm::kLButtonDblClk) w |= mouse_keys::kLButton;
  if (message == wm::kRButtonDown || message == wm::kRButtonDblClk) w |= mouse_keys::kRButton;
  Message m{window, message, w, make_point_param(x, y), 0, -1};
  stamp(m, keys);
  queue_.push_back(m);
}

void BasicDisplay::post_input(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                              std::intptr_t lparam, std::uint32_t keys) {
  Message m{window, message, wparam, lparam, 0, -1};
  stamp(m, keys);
  queue_.push_back(m);
}

bool BasicDisplay::post_drop(WindowId window, const std::vector<std::string>& files, Point at) {
  Window* w = find(window);
  if (!w || !w->accepts_drops) return false;
  Handle h = next_handle_++;
  Rect c = client_rect(window);
  drops_[h] = {files, at, at.x >= 0 && at.y >= 0 && at.x < c.right && at.y < c.bottom};
  post_input(window, wm::kDropFiles, h, 0, device_keys_);
  return true;
}

WindowId BasicDisplay::main_window() const {
  for (auto& [id, w] : windows_)
    if (!w.destroyed) return id;
  return 0;
}

std::vector<WindowId> BasicDisplay::windows() const {
  std::vector<WindowId> v;
  for (auto& [id, w] : windows_)
    if (!w.destroyed) v.push_back(id);
  return v;
}

const MenuBar* BasicDisplay::menu_of(WindowId window) const {
  const Window* w = find(window);
  return w && w->has_menu ? &w->menu : nullptr;
}
std::string BasicDisplay::title_of(WindowId window) const {
  const Window* w = find(window);
  return w ? w->title : std::string{};
}
bool BasicDisplay::close_enabled(WindowId window) const {
  const Window* w = find(window);
  return w && w->close_enabled;
}

}  // namespace kv::term
