// Keyboard input of a console read, without threads or windows: the line being typed with its
// editing rules, the leftover of a long line, the paste queue, and the tables that say what a
// character or a key does in a text window. The library (text_windows.h) runs these under its
// input lock and does the waiting, the echo and the beeps.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "console/core/menu.h"

namespace console {

inline constexpr std::size_t kLineLimit = 128;
inline constexpr std::size_t kTabWidth = 8;
inline constexpr std::size_t kTabStop = kLineLimit - 2;  // a Tab stops inserting here

// Text pasted for reading: a private copy of the clipboard's text, handed out a line at a time.
class PasteQueue {
 public:
  // Replaces any earlier paste; an empty text leaves nothing pending.
  void fill(std::string text);
  void clear();
  bool pending() const { return pending_; }

  struct Line {
    std::string text;       // without its line feed (and a CR before it)
    bool complete = false;  // ended by a line feed, or `count` characters long
  };
  // Takes the next line, scanning at most `count` characters (a line feed counts). Reaching the
  // end of the text without a line feed gives a partial line. The paste stays pending while text
  // follows the line taken.
  Line take(std::size_t count);

 private:
  std::string text_;
  std::size_t next_ = 0;
  bool pending_ = false;
};

// What a character typed into a pending read asks of the window.
struct LineEdit {
  std::string echo;     // to write at the cursor
  bool erase = false;   // blank the cell before the cursor and move back onto it
  bool beep = false;    // after the echo
  bool finish = false;  // the line is complete
};

// Whether the cursor stands at the viewport's first cell (a Backspace there only beeps).
enum class CursorAtFirstCell { No, Yes };

// The line of the one pending read, and what is left over from the last one.
class LineInput {
 public:
  // A leftover from the last line, when there is one: at most `count` characters; the rest stays.
  bool take_leftover(std::size_t count, std::string& out);

  // Starts an empty line.
  void begin_line();
  // Continues the line from the paste queue (a pending read takes its line there): the pasted
  // text to echo, and whether that completed the line. A partial line fills the line up to the
  // line limit and waits for typing.
  PasteQueue::Line continue_from_paste(std::size_t count, PasteQueue& paste);

  // Editing while the read is pending: Backspace (8), Tab (9), LF (10) or CR (13) finish, any
  // other byte is typed.
  LineEdit type(unsigned char c, CursorAtFirstCell cursor);

  bool finished() const { return finished_; }
  std::string_view line() const { return line_; }
  // Ends the read: at most `count` characters; a longer line leaves its rest as the leftover.
  std::string deliver(std::size_t count);

 private:
  std::string line_;
  bool finished_ = false;
  std::string leftover_;
  std::size_t leftover_at_ = 0;
};

// The character table of a text window.
enum class CharRoute { Command, Edit, Beep };
struct CharAction {
  CharRoute route = CharRoute::Beep;
  int command = 0;  // for CharRoute::Command
  friend bool operator==(const CharAction&, const CharAction&) = default;
};
enum class ReadPending { No, Yes };  // in the window the character reached
CharAction route_character(unsigned char c, ReadPending read, RunState state);

// The key-down table: navigation and clipboard keys, before characters are made.
enum class Key { Insert, PageUp, PageDown, Home, End, Left, Right, Up, Down, Enter, Other };
enum KeyModifier : unsigned { kNoModifier = 0, kShift = 1, kControl = 2, kAlt = 4 };
enum class Scroll { None, LineBack, LineForward, PageBack, PageForward, ToStart, ToEnd };
struct KeyAction {
  int command = 0;  // a menu command, 0 for none
  Scroll horizontal = Scroll::None;
  Scroll vertical = Scroll::None;
  friend bool operator==(const KeyAction&, const KeyAction&) = default;
};
enum class SizeToFit { Off, On };
// Copy and Paste need their item enabled, Full Screen enabled and not checked; with Size To Fit
// on the navigation keys do nothing.
KeyAction key_down_action(Key key, unsigned modifiers, const MenuBarModel& menu, SizeToFit fit);

}  // namespace console
