#include "console/core/line_input.h"

#include <algorithm>

namespace console {

void PasteQueue::fill(std::string text) {
  text_ = std::move(text);
  next_ = 0;
  pending_ = !text_.empty();
}

void PasteQueue::clear() {
  text_.clear();
  next_ = 0;
  pending_ = false;
}

PasteQueue::Line PasteQueue::take(std::size_t count) {
  Line line;
  if (!pending_) return line;
  count = std::max<std::size_t>(count, 1);
  const std::size_t start = next_;
  std::size_t at = start;
  while (at < text_.size() && at - start < count && text_[at] != '\n') ++at;
  std::size_t end = at;
  if (at < text_.size() && text_[at] == '\n' && at - start < count) {
    line.complete = true;
    ++at;  // the line feed is counted and consumed
    if (end > start && text_[end - 1] == '\r') --end;
  } else {
    line.complete = at - start == count;  // otherwise the text ran out first
  }
  line.text = text_.substr(start, end - start);
  next_ = at;
  if (next_ >= text_.size() || !line.complete) clear();
  return line;
}

bool LineInput::take_leftover(std::size_t count, std::string& out) {
  if (leftover_at_ >= leftover_.size()) return false;
  const std::size_t n = std::min(count, leftover_.size() - leftover_at_);
  out.assign(leftover_, leftover_at_, n);
  leftover_at_ += n;
  if (leftover_at_ >= leftover_.size()) {
    leftover_.clear();
    leftover_at_ = 0;
  }
  return true;
}

void LineInput::begin_line() {
  line_.clear();
  finished_ = false;
}

PasteQueue::Line LineInput::continue_from_paste(std::size_t count, PasteQueue& paste) {
  const std::size_t wanted = count > line_.size() ? count - line_.size() : 1;
  PasteQueue::Line pasted = paste.take(wanted);
  if (pasted.complete) {
    line_ += pasted.text;
    finished_ = true;
  } else {
    pasted.text.resize(
        std::min(pasted.text.size(), kLineLimit - std::min(kLineLimit, line_.size())));
    line_ += pasted.text;
  }
  return pasted;
}

LineEdit LineInput::type(unsigned char c, CursorAtFirstCell cursor) {
  LineEdit edit;
  switch (c) {
    case 8:
      if (line_.empty()) break;
      if (cursor == CursorAtFirstCell::Yes) {
        edit.beep = true;
        break;
      }
      line_.pop_back();
      edit.erase = true;
      break;
    case 9:
      for (std::size_t i = 0; i < kTabWidth; ++i) {
        if (line_.size() >= kTabStop) {
          edit.beep = true;
          break;
        }
        line_ += ' ';
        edit.echo += ' ';
      }
      break;
    case 10:
    case 13:
      finished_ = true;
      edit.finish = true;
      break;
    default:
      if (line_.size() < kLineLimit) {
        line_ += static_cast<char>(c);
        edit.echo += static_cast<char>(c);
      } else {
        edit.beep = true;
      }
  }
  return edit;
}

std::string LineInput::deliver(std::size_t count) {
  const std::size_t n = std::min(count, line_.size());
  std::string out = line_.substr(0, n);
  if (n < line_.size()) {
    leftover_ = line_.substr(n);
    leftover_at_ = 0;
  }
  line_.clear();
  finished_ = false;
  return out;
}

CharAction route_character(unsigned char c, ReadPending read, RunState state) {
  switch (c) {
    case 27:  // Esc
    case 17:  // Ctrl+Q
      return {CharRoute::Command, command::kResume};
    case 3:  // Ctrl+C
      return {CharRoute::Command, command::kExit};
    case 19:  // Ctrl+S
      return {CharRoute::Command, command::kPause};
    default:
      if (read == ReadPending::Yes && state != RunState::Paused) return {CharRoute::Edit};
      return {CharRoute::Beep};
  }
}

namespace {

bool enabled(const MenuBarModel& menu, int id) {
  const MenuItem* item = menu.find(id);
  return item != nullptr && item->enabled;
}

}  // namespace

KeyAction key_down_action(Key key, unsigned modifiers, const MenuBarModel& menu, SizeToFit fit) {
  const bool ctrl = (modifiers & kControl) != 0;
  KeyAction action;
  switch (key) {
    case Key::Insert:
      if (ctrl && enabled(menu, command::kCopy)) action.command = command::kCopy;
      if ((modifiers & kShift) != 0 && !ctrl && enabled(menu, command::kPaste))
        action.command = command::kPaste;
      return action;
    case Key::Enter:
      if ((modifiers & kAlt) != 0 && enabled(menu, command::kFullScreen) &&
          !menu.find(command::kFullScreen)->checked)
        action.command = command::kFullScreen;
      return action;
    case Key::Other:
      return action;
    default:
      break;
  }
  if (fit == SizeToFit::On) return action;
  switch (key) {
    case Key::PageUp:
      (ctrl ? action.horizontal : action.vertical) = Scroll::PageBack;
      break;
    case Key::PageDown:
      (ctrl ? action.horizontal : action.vertical) = Scroll::PageForward;
      break;
    case Key::Home:
      action.horizontal = Scroll::ToStart;
      if (ctrl) action.vertical = Scroll::ToStart;
      break;
    case Key::End:
      action.horizontal = Scroll::ToEnd;
      if (ctrl) action.vertical = Scroll::ToEnd;
      break;
    case Key::Left:
      action.horizontal = Scroll::LineBack;
      break;
    case Key::Right:
      action.horizontal = Scroll::LineForward;
      break;
    case Key::Up:
      action.vertical = Scroll::LineBack;
      break;
    case Key::Down:
      action.vertical = Scroll::LineForward;
      break;
    default:
      break;
  }
  return action;
}

}  // namespace console
