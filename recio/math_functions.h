// Mathematical functions with the run-time's domain checks. Outside its domain a function shows
// the M6201-M6206 message in a box captioned "run-time error " (on standard error the caption
// leads the line) and ends the run as after a severe error (process_end.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace recio {

// The natural logarithm: a NaN or negative argument is a DOMAIN error, 0 a SING error.
// ln(+Infinity) is +Infinity without error.
double rt_log(double x);
// x to the power y: 1 to an infinite power and a negative base with a non-integer exponent are
// DOMAIN errors; everything else is std::pow.
double rt_pow(double x, double y);

// The kinds of error, numbered as their messages: M6200 + the kind.
enum class MathError : std::uint8_t { Domain = 1, Sing, Overflow, Underflow, TLoss, PLoss };
inline constexpr int kMathMessageBase = 6200;

// The message text for a mathematical-function error, e.g. "M6201: MATH - log: DOMAIN error".
std::string compose_math_line(std::string_view function, MathError kind);
// Shows the message and ends the run with the status of the M-number (severe).
[[noreturn]] void math_error(std::string_view function, MathError kind);

}  // namespace recio
