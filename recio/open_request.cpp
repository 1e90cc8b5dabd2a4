#include "recio/open_request.h"

#include <fcntl.h>

#include "recio/file_names.h"

namespace recio {
namespace {

struct NamedValue {
  std::uint8_t code;
  std::string_view name;
};

// Named values per keyword code; an empty span marks a keyword that takes other values.
std::span<const NamedValue> named_values(std::uint8_t keyword) {
  static constexpr NamedValue kAccess[] = {
      {1, "SEQUENTIAL"}, {2, "DIRECT"}, {3, "APPEND"}, {4, "KEYED"}};
  static constexpr NamedValue kBlank[] = {{1, "ZERO"}, {2, "NULL"}};
  static constexpr NamedValue kCarriage[] = {{1, "LUMETRA"}, {2, "LIST"}, {3, "NONE"}};
  static constexpr NamedValue kDisposition[] = {
      {1, "SAVE"},   {1, "KEEP"},         {2, "DELETE"},       {3, "PRINT"},
      {4, "SUBMIT"}, {5, "PRINT/DELETE"}, {6, "SUBMIT/DELETE"}};
  static constexpr NamedValue kForm[] = {{1, "FORMATTED"}, {2, "UNFORMATTED"}, {4, "BINARY"}};
  static constexpr NamedValue kOrganization[] = {
      {1, "SEQUENTIAL"}, {2, "RELATIVE"}, {3, "INDEXED"}};
  static constexpr NamedValue kRecordType[] = {{1, "FIXED"},  {2, "VARIABLE"},  {3, "SEGMENTED"},
                                               {5, "STREAM"}, {6, "STREAM_LF"}, {7, "STREAM_CR"}};
  static constexpr NamedValue kStatus[] = {
      {1, "OLD"}, {2, "NEW"}, {3, "SCRATCH"}, {4, "UNKNOWN"}, {5, "REPLACE"}};
  static constexpr NamedValue kConvert[] = {{1, "BIG_ENDIAN"}, {2, "LITTLE_ENDIAN"}, {3, "VAXD"},
                                            {4, "VAXG"},       {5, "IBM"},           {6, "CRAY"},
                                            {7, "FDX"},        {8, "FGX"},           {9, "NATIVE"}};
  static constexpr NamedValue kAction[] = {{1, "READ"}, {2, "READWRITE"}, {3, "WRITE"}};
  static constexpr NamedValue kDelim[] = {{1, "APOSTROPHE"}, {2, "NONE"}, {3, "QUOTE"}};
  static constexpr NamedValue kPad[] = {{1, "NO"}, {2, "YES"}};
  static constexpr NamedValue kPosition[] = {{1, "APPEND"}, {2, "ASIS"}, {3, "REWIND"}};
  static constexpr NamedValue kShare[] = {
      {1, "COMPAT"}, {2, "DENYNONE"}, {3, "DENYRD"}, {4, "DENYRW"}, {5, "DENYWR"}};
  switch (keyword) {
    case kKwAccess:
      return kAccess;
    case kKwBlank:
      return kBlank;
    case kKwCarriageControl:
      return kCarriage;
    case kKwDisposition:
      return kDisposition;
    case kKwForm:
      return kForm;
    case kKwOrganization:
      return kOrganization;
    case kKwRecordType:
      return kRecordType;
    case kKwStatus:
      return kStatus;
    case kKwConvert:
      return kConvert;
    case kKwAction:
    case kKwMode:
      return kAction;
    case kKwDelim:
      return kDelim;
    case kKwPad:
      return kPad;
    case kKwPosition:
      return kPosition;
    case kKwShare:
      return kShare;
    default:
      return {};
  }
}

// One keyword's value, as decoded from the argument list.
struct KeywordValue {
  bool is_text = false;
  std::int64_t number = 0;
  std::string_view text;
};

// Walks a keyword list with its argument list, handing each (code, value) to `f`.
template <class F>
Status walk_keywords(std::span<const KeywordEntry> keys, std::span<const ArgWord> args, F f) {
  std::size_t arg = 0;
  for (const KeywordEntry& e : keys) {
    if (e.type == 1) return kOk;
    if (e.code < 2 || e.code > 70) return status_of(kInvalidArgument);
    KeywordValue v;
    if (e.mode == 1) {
      if (arg >= args.size()) return status_of(kInvalidArgument);
      v.number = static_cast<std::int32_t>(args[arg++]);
    } else if (e.mode == 4 || e.mode == 6) {
      if (arg + 1 >= args.size()) return status_of(kInvalidArgument);
      std::size_t len = args[arg];
      const char* p = reinterpret_cast<const char*>(args[arg + 1]);
      arg += 2;
      if (p == nullptr && len != 0) return status_of(kInvalidArgument);
      v.is_text = true;
      v.text = std::string_view(p, len);
    } else {
      return status_of(kInvalidArgument);
    }
    if (Status s = f(e.code, v); s != kOk) return s;
  }
  return status_of(kInvalidArgument);  // the list has no end entry
}

// The code of a named keyword value given as a code or as text; 45 when unknown.
Status named_code(std::uint8_t keyword, const KeywordValue& v, std::uint8_t& code) {
  std::span<const NamedValue> table = named_values(keyword);
  if (v.is_text) {
    std::string key = upper_trimmed(v.text);
    for (const NamedValue& n : table)
      if (n.name == key) return code = n.code, kOk;
    return status_of(kKeywordValue);
  }
  std::int64_t value = (keyword == kKwConvert && v.number == 0) ? 9 : v.number;
  for (const NamedValue& n : table)
    if (n.code == value) return code = n.code, kOk;
  return status_of(kKeywordValue);
}

}  // namespace

Status decode_open(std::span<const KeywordEntry> keys, std::span<const ArgWord> args,
                   OpenParams& p) {
  return walk_keywords(keys, args, [&](std::uint8_t code, const KeywordValue& v) -> Status {
    if (code == kKwFile || code == kKwFileAlt) {
      if (!v.is_text) return status_of(kKeywordValue);
      p.file = std::string(v.text);
      return kOk;
    }
    if (code == kKwTitle) {
      if (!v.is_text) return status_of(kKeywordValue);
      p.title = std::string(v.text);
      return kOk;
    }
    if (named_values(code).empty()) return kOk;  // numeric settings the engine leaves at default
    std::uint8_t c = 0;
    if (Status e = named_code(code, v, c); e != kOk) return e;
    switch (code) {
      case kKwAccess:
        if (c == 2 || c == 4) p.unsupported = true;
        p.access = static_cast<Access>(c);
        break;
      case kKwBlank:
        p.blank = static_cast<Blank>(c);
        break;
      case kKwCarriageControl:
        p.carriage_control = static_cast<CarriageControl>(c);
        break;
      case kKwForm:
        p.form = static_cast<Form>(c);
        break;
      case kKwOrganization:
        if (c != 1) p.unsupported = true;
        break;
      case kKwStatus:
        p.status = static_cast<OpenStatus>(c);
        break;
      case kKwAction:
      case kKwMode:
        p.action = static_cast<Action>(c);
        break;
      case kKwPosition:
        p.position = static_cast<Position>(c);
        break;
      default:
        break;  // record type, disposition, conversion, delimiters, padding, sharing
    }
    return kOk;
  });
}

OpenParams open_params(const OpenOptions& o) {
  OpenParams p;
  if (o.file) p.file = std::string(*o.file);
  p.status = o.status;
  p.action = o.action;
  if (o.blank) p.blank = *o.blank;
  if (o.access) p.access = *o.access;
  if (p.access == Access::Direct || p.access == Access::Keyed) p.unsupported = true;
  if (o.form) p.form = *o.form;
  if (o.position) p.position = *o.position;
  p.carriage_control = o.carriage_control;
  if (o.title) p.title = std::string(*o.title);
  p.prompt = o.prompt;
  return p;
}

Status decode_close(std::span<const KeywordEntry> keys, std::span<const ArgWord> args,
                    CloseOptions& options) {
  return walk_keywords(keys, args, [&](std::uint8_t code, const KeywordValue& v) -> Status {
    if (code != kKwDisposition && code != kKwStatus) return kOk;
    std::uint8_t c = 0;
    if (Status e = named_code(kKwDisposition, v, c); e != kOk) return e;
    options.disposition = static_cast<Disposition>(c);
    return kOk;
  });
}

int open_flags(OpenStatus status, std::optional<Action> action) {
  int access = O_RDWR;
  if (action == Action::Read) access = O_RDONLY;
  if (action == Action::Write) access = O_WRONLY;
  int create = 0;
  switch (status) {
    case OpenStatus::Old:
    case OpenStatus::Scratch:
      break;
    case OpenStatus::New:
      create = O_CREAT | O_EXCL;
      break;
    case OpenStatus::Unknown:
      create = action == Action::Read ? 0 : O_CREAT;
      break;
    case OpenStatus::Replace:
      create = O_CREAT | O_TRUNC;
      break;
  }
  return access | create;
}

}  // namespace recio
