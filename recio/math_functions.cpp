#include "recio/math_functions.h"

#include <cmath>

#include "console/core/frontend.h"
#include "recio/process_end.h"
#include "recio/run_time_error.h"
#include "recio/status.h"

namespace recio {

std::string compose_math_line(std::string_view function, MathError kind) {
  static constexpr std::string_view kKinds[] = {"DOMAIN",    "SING",  "OVERFLOW",
                                                "UNDERFLOW", "TLOSS", "PLOSS"};
  const int number = kMathMessageBase + static_cast<int>(kind);
  std::string line = "M";
  line += std::to_string(number);
  line += ": MATH - ";
  line += function;
  line += ": ";
  line += kKinds[static_cast<int>(kind) - 1];
  line += " error";
  return line;
}

void math_error(std::string_view function, MathError kind) {
  end_console_lines();
  console::FrontEnd* fe = console::front_end();
  std::string line = compose_math_line(function, kind);
  if (fe != nullptr && fe->shows_message_boxes()) {
    show_line(line, "run-time error ");
  } else {
    show_line("run-time error " + line);
  }
  terminate_severe(make_status(
      Severity::Severe, static_cast<std::uint16_t>(kMathMessageBase + static_cast<int>(kind))));
}

namespace {
thread_local MathErrorHold* t_math_hold = nullptr;
}  // namespace

MathErrorHold::MathErrorHold() : outer_(t_math_hold) {
  t_math_hold = this;
}

MathErrorHold::~MathErrorHold() {
  t_math_hold = outer_;
}

// Shows the error (and does not return) unless the thread holds its errors.
void hold_or_raise(std::string_view function, MathError kind) {
  MathErrorHold* hold = t_math_hold;
  if (hold == nullptr) math_error(function, kind);
  if (!hold->held_) hold->fault_ = {function, kind};
  hold->held_ = true;
}

double detail::checked_log(double x) {
  if (std::isnan(x) || x < 0) hold_or_raise("log", MathError::Domain);
  if (x == 0) hold_or_raise("log", MathError::Sing);
  return std::log(x);
}

double detail::checked_pow(double x, double y) {
  if (x == 1 && std::isinf(y)) hold_or_raise("pow", MathError::Domain);
  if (x < 0 && std::isfinite(y) && y != std::trunc(y)) hold_or_raise("pow", MathError::Domain);
  return std::pow(x, y);
}

}  // namespace recio
