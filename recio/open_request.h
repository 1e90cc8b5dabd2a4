// What an open or a close asks for: the connection's attributes, the keyword lists of compiled
// statements and the typed options of the program's own calls, both decoded into one request,
// and the flags that a request gives the operating system's open of a disk file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "recio/status.h"

namespace recio {

enum class Access : std::uint8_t { Sequential = 1, Direct = 2, Append = 3, Keyed = 4 };
enum class Form : std::uint8_t { Formatted = 1, Unformatted = 2, Binary = 4 };
enum class RecordType : std::uint8_t {
  Fixed = 1,
  Variable = 2,
  Segmented = 3,
  Stream = 5,
  StreamLf = 6,
  StreamCr = 7
};
// FirstByteSpacing (keyword value LUMETRA): the first byte of every record is not written but
// spaces the output, '0' a blank line first, '1' a new page first, anything else nothing more.
// List: records are written as they are. None: likewise.
enum class CarriageControl : std::uint8_t { FirstByteSpacing = 1, List = 2, None = 3 };
enum class Blank : std::uint8_t { Zero = 1, Null = 2 };
enum class OpenStatus : std::uint8_t { Old = 1, New = 2, Scratch = 3, Unknown = 4, Replace = 5 };
enum class Action : std::uint8_t { Read = 1, ReadWrite = 2, Write = 3 };
enum class Disposition : std::uint8_t {
  Keep = 1,
  Delete = 2,
  Print = 3,
  Submit = 4,
  PrintDelete = 5,
  SubmitDelete = 6
};
enum class Position : std::uint8_t { Append = 1, AsIs = 2, Rewind = 3 };

// Keyword codes of open and close requests.
enum Keyword : std::uint8_t {
  kKwAccess = 2,
  kKwBlank = 6,
  kKwCarriageControl = 8,
  kKwDisposition = 12,
  kKwFile = 13,
  kKwForm = 15,
  kKwOrganization = 18,
  kKwRecordType = 23,
  kKwStatus = 26,
  kKwFileAlt = 43,
  kKwConvert = 52,
  kKwAction = 58,
  kKwDelim = 59,
  kKwPad = 60,
  kKwPosition = 61,
  kKwMode = 67,
  kKwShare = 68,
  kKwTitle = 69,
};

// One entry of a keyword list: [data type, addressing mode, keyword code, 0]. The list ends
// with an entry of data type 1. The argument list holds the values in the same order: one word
// (the inline integer) for mode 1, two words (length, then address) for a text in modes 4 and 6.
struct KeywordEntry {
  std::uint8_t type;
  std::uint8_t mode;
  std::uint8_t code;
  std::uint8_t zero;
};
using ArgWord = std::uintptr_t;

// Typed open options for the program's own calls; unset fields take the defaults.
struct OpenOptions {
  std::optional<std::string_view> file{};
  std::optional<OpenStatus> status{};
  std::optional<Blank> blank{};
  std::optional<Access> access{};
  std::optional<Form> form{};
  std::optional<Action> action{};
  std::optional<Position> position{};
  std::optional<CarriageControl> carriage_control{};
  std::optional<std::string_view> title{};
  // Without a file name, the user picks the file in the console's open-file dialog (no dialog
  // without text windows: the usual default name then).
  bool prompt = false;
};

struct CloseOptions {
  std::optional<Disposition> disposition{};
};

// What an open request asks for, after decoding and defaults.
struct OpenParams {
  std::optional<std::string> file;
  std::optional<OpenStatus> status;
  std::optional<Action> action;
  Access access = Access::Sequential;
  Form form = Form::Formatted;
  Blank blank = Blank::Null;
  std::optional<CarriageControl> carriage_control;
  Position position = Position::AsIs;
  std::string title;
  bool prompt = false;
  bool unsupported = false;  // an organisation or access the engine does not offer
};

// Decodes an open's keyword list. Values come as codes or as names (any case, trailing blanks
// ignored); an unknown value is 45, a malformed list (no end entry, a code outside 2-70, a
// missing or null argument, an unknown addressing mode) 48. Keywords that only set what the
// engine leaves at its default (record type, conversion, sharing and the like) are checked
// and otherwise ignored.
Status decode_open(std::span<const KeywordEntry> keys, std::span<const ArgWord> args,
                   OpenParams& out);
// The request of typed options.
OpenParams open_params(const OpenOptions& options);
// Decodes a close's keyword list: DISPOSITION (or STATUS) as for decode_open.
Status decode_close(std::span<const KeywordEntry> keys, std::span<const ArgWord> args,
                    CloseOptions& out);

// The flags of the operating system's open of a disk file, O_CLOEXEC aside. ACTION gives the
// access: READ read-only, WRITE write-only, READWRITE or none both. STATUS gives the creation:
// OLD never creates, NEW creates a file that must not exist, REPLACE creates or empties,
// UNKNOWN creates unless ACTION is READ. (SCRATCH files are made elsewhere.)
int open_flags(OpenStatus status, std::optional<Action> action);

}  // namespace recio
