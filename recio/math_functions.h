// Mathematical functions with the run-time's domain checks. Outside its domain a function shows
// the M6201-M6206 message in a box captioned "run-time error " (on standard error the caption
// leads the line) and ends the run as after a severe error (process_end.h).
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace recio {

namespace detail {
// The checked functions outside their common case (out of line: the analysis calls them in its
// innermost loop).
double checked_log(double x);
double checked_pow(double x, double y);
}  // namespace detail

// The natural logarithm: a NaN or negative argument is a DOMAIN error, 0 a SING error.
// ln(+Infinity) is +Infinity without error.
inline double rt_log(double x) {
  return x > 0 ? std::log(x) : detail::checked_log(x);
}
// x to the power y: 1 to an infinite power and a negative base with a non-integer exponent are
// DOMAIN errors; everything else is std::pow.
inline double rt_pow(double x, double y) {
  return x > 0 && x != 1 ? std::pow(x, y) : detail::checked_pow(x, y);
}

// The kinds of error, numbered as their messages: M6200 + the kind.
enum class MathError : std::uint8_t { Domain = 1, Sing, Overflow, Underflow, TLoss, PLoss };
inline constexpr int kMathMessageBase = 6200;

// The message text for a mathematical-function error, e.g. "M6201: MATH - log: DOMAIN error".
std::string compose_math_line(std::string_view function, MathError kind);
// Shows the message and ends the run with the status of the M-number (severe).
[[noreturn]] void math_error(std::string_view function, MathError kind);

// A mathematical-function error: the function's name ("log", "pow") and the kind.
struct MathFault {
  std::string_view function;
  MathError kind = MathError::Domain;
};

// Holds the mathematical-function errors of the calling thread instead of reporting them, for
// work done where no message may be shown (a worker thread): while the hold lives, rt_log and
// rt_pow on this thread keep the first error and return what the function yields. The thread
// that may report hands a taken fault to math_error. Holds nest; each belongs to its thread.
class MathErrorHold {
 public:
  MathErrorHold();
  ~MathErrorHold();
  MathErrorHold(const MathErrorHold&) = delete;
  MathErrorHold& operator=(const MathErrorHold&) = delete;

  // The first error held since the last take, if any; the hold is empty afterwards.
  bool holds() const { return held_; }
  MathFault take() {
    held_ = false;
    return fault_;
  }

 private:
  friend void hold_or_raise(std::string_view function, MathError kind);

  MathFault fault_;
  bool held_ = false;
  MathErrorHold* outer_;
};

}  // namespace recio
