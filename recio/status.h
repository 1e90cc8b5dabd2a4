// Run-time status codes: a severity in bits 31-30 and a message number in the low 16 bits.
//
//   31 30 29            16 15                     0
//  +-----+----------------+------------------------+
//  | sev |     unused     |     message number     |
//  +-----+----------------+------------------------+
//  sev: 00 warning (only when a caller passes it explicitly), 01 info, 10 error, 11 severe.
//  The value 0 is success.
#pragma once

#include <cstdint>

namespace recio {

enum class Severity : std::uint8_t { None, Info, Warning, Error, Severe };

// A run-time status. A distinct type, so that a message number (Msg) never passes for a status,
// and [[nodiscard]]: a status dropped without a look is a compile error (-Werror=unused-result
// for everything that links recio). Where a later call returns the same failure anyway, the
// call site discards it with static_cast<void> and says so.
class [[nodiscard]] Status {
 public:
  constexpr Status() = default;  // success
  static constexpr Status from_bits(std::uint32_t bits) {
    Status s;
    s.bits_ = bits;
    return s;
  }
  constexpr std::uint32_t bits() const { return bits_; }
  friend constexpr bool operator==(Status, Status) = default;

  // For test output: "severe 24", "ok".
  template <class Out>
  friend Out& operator<<(Out& out, Status s) {
    static constexpr const char* kNames[] = {"warning", "info", "error", "severe"};
    if (s.bits_ == 0) return out << "ok";
    return out << kNames[s.bits_ >> 30] << ' ' << (s.bits_ & 0xFFFF);
  }

 private:
  std::uint32_t bits_ = 0;
};

inline constexpr Status kOk{};

constexpr Status make_status(Severity severity, std::uint16_t number) {
  std::uint32_t bits = 0;
  switch (severity) {
    case Severity::Info:
      bits = 1;
      break;
    case Severity::Error:
      bits = 2;
      break;
    case Severity::Severe:
      bits = 3;
      break;
    case Severity::None:
    case Severity::Warning:
      bits = 0;
      break;
  }
  return Status::from_bits((bits << 30) | number);
}

constexpr std::uint16_t message_number(Status s) {
  return static_cast<std::uint16_t>(s.bits() & 0xFFFF);
}

constexpr Severity severity_of(Status s) {
  switch (s.bits() >> 30) {
    case 1:
      return Severity::Info;
    case 2:
      return Severity::Error;
    case 3:
      return Severity::Severe;
    default:
      return s == kOk ? Severity::None : Severity::Warning;
  }
}

constexpr bool is_severe(Status s) {
  return (s.bits() >> 30) == 3;
}

// The process's exit status after a severe status: its bits (the shell sees the low byte).
constexpr int exit_status(Status s) {
  return static_cast<int>(s.bits());
}

// Message numbers the engine raises. Their default severities live in the catalog.
enum Msg : std::uint16_t {
  kPermissionDenied = 9,
  kCannotOverwrite = 10,
  kEndOfFile = 24,
  kCloseError = 28,
  kFileNotFound = 29,
  kOpenFailure = 30,
  kMixedAccess = 31,
  kInvalidUnit = 32,
  kWriteError = 38,
  kReadError = 39,
  kRecursiveIo = 40,
  kNoMemory = 41,
  kNoSuchDevice = 42,
  kFileNameError = 43,
  kKeywordValue = 45,
  kInconsistentOpen = 46,
  kWriteReadOnly = 47,
  kInvalidArgument = 48,
  kListSyntax = 59,
  kInfiniteFormatLoop = 60,
  kFormatTypeMismatch = 61,
  kFormatSyntax = 62,
  kOutputConversion = 63,
  kInputConversion = 64,
  kFloatInvalid = 65,
  kRecordOverflow = 66,
  kFormatExpression = 68,
  kFloatOverflow = 72,
  kFloatDivideByZero = 73,
  kFloatUnderflow = 74,
  kFloatInexact = 140,
  kAlreadyAllocated = 151,
  kContention = 152,
  // Processor exceptions, "Program Exception - " and the exception's name.
  kAccessViolation = 157,
  kDatatypeMisalignment = 158,
  kBreakpoint = 159,
  kSingleStep = 160,
  kArrayBoundsExceeded = 161,
  kDenormalOperand = 162,
  kFloatStackCheck = 163,
  kIntegerDivideByZero = 164,
  kIntegerOverflow = 165,
  kPrivilegedInstruction = 166,
  kInPageError = 167,
  kIllegalInstruction = 168,
  kNoncontinuableException = 169,
  kStackOverflow = 170,
  kInvalidDisposition = 171,
  kExceptionCode = 172,  // any other exception, with its code
  kAborting = 200,
  kFdivFlaw = 201,
  kUnformattedUnit = 257,
  kInvalidTraps = 297,  // the counts of continued floating-point traps: 297-300
  // Checks of the verification run's own input.
  kTooManyExactVariables = 1001,
  kNoMeshes = 1002,
};

// The status of a message number with its catalog severity (severe when the catalog has none).
Status status_of(std::uint16_t number);

}  // namespace recio
