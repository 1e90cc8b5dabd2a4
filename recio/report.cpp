#include "recio/report.h"

#include <execinfo.h>
#include <fenv.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

#include "console/core/frontend.h"
#include "console/core/pause.h"
#include "console/core/program_end.h"
#include "recio/catalog.h"
#include "recio/units.h"

// Sanitizer builds: a refused allocation returns null so the run-time reports error 41.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
#endif

namespace recio {
namespace {

void write_stderr(std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Fills the printf-style placeholders of a catalog text, one argument each, in order.
std::string fill(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size() + 64);
  const std::string_view* arg = args.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    std::size_t j = i + 1;
    if (text[j] == 'l') ++j;
    if (j < text.size() && std::strchr("dixs", text[j]) != nullptr) {
      if (arg != args.end()) out += *arg++;
      i = j;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Set on a thread that gave up waiting for the I/O section (see wait_for_section): it then goes on
// without it.
thread_local bool t_without_section = false;

// Waits for the I/O section, for the exit handler and the console-control watcher, which may run
// on another thread than the program's statements (the watcher always does; the window front end
// runs the exit handler when the frame closes). A running statement normally ends within
// milliseconds; one blocked in a read (a terminal, a console window waiting for a line) would keep
// the exit from ever happening, so past a grace period the caller goes on without the section.
// A paused program is let go first: stopped at an arbitrary point it could hold a unit
// half-changed and its statement's records unwritten; running on, it ends the statement, and the
// section held from then on stops it at its next one.
bool wait_for_section() {
  constexpr auto kStatementGrace = std::chrono::seconds(1);
  console::release_workers_for_exit();
  if (t_without_section) return false;
  const auto give_up = std::chrono::steady_clock::now() + kStatementGrace;
  do {
    if (io_section().try_lock()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (std::chrono::steady_clock::now() < give_up);
  t_without_section = true;
  return false;
}

// Holds the I/O section for the calling thread, unless that thread gave up waiting for it.
class InSection {
 public:
  InSection() : held_(!t_without_section) {
    if (held_) io_section().lock();
  }
  ~InSection() {
    if (held_) io_section().unlock();
  }
  InSection(const InSection&) = delete;
  InSection& operator=(const InSection&) = delete;

 private:
  bool held_;
};

// Before a message: every console unit that still owes a line end gets one.
void end_console_lines() {
  InSection section;
  UnitTable::instance().for_each([](Unit& u) { u.end_console_line(); });
}

std::atomic<bool> g_exit_handler_entered{false};

}  // namespace

std::string compose_line(Status status, std::initializer_list<std::string_view> args) {
  std::string line(severity_prefix(severity_of(status)));
  line += " (";
  line += std::to_string(message_number(status));
  line += "): ";
  line += fill(message_text(status), args);
  return line;
}

std::string compose_line(Status status, const Unit* unit) {
  if (unit == nullptr) return compose_line(status, {"", ""});
  std::string number = std::to_string(unit->number());
  return compose_line(status, {number, unit->full_path()});
}

std::string compose_os_line(int os_error) {
  const char* text = strerrordesc_np(os_error);
  std::string line = "lumrtl: ";
  if (text != nullptr) {
    line += text;
  } else {
    line += "FormatMessage failed for sysmem message number " + std::to_string(os_error);
  }
  return line;
}

void show_line(std::string_view line, std::string_view caption) {
  console::FrontEnd* fe = console::front_end();
  if (fe != nullptr && fe->shows_message_boxes()) {
    fe->message_box(line, caption, console::BoxKind::RuntimeError);
    return;
  }
  std::string out(line);
  out += "\r\n";
  write_stderr(out);
}

namespace {

// A unit's status as the user sees it: on a fresh line, the system's text first when the unit
// recorded an OS error, then the numbered line.
void show_status(Status status, const Unit* unit) {
  end_console_lines();
  if (unit != nullptr && unit->os_error() != 0) show_line(compose_os_line(unit->os_error()));
  show_line(compose_line(status, unit));
}

}  // namespace

void report(Status status, const Unit* unit) {
  show_status(status, unit);
  if (is_severe(status)) terminate_severe(status);
}

void report(Status status, std::initializer_list<std::string_view> args) {
  end_console_lines();
  show_line(compose_line(status, args));
  if (is_severe(status)) terminate_severe(status);
}

void run_exit_handler() {
  if (g_exit_handler_entered.exchange(true)) return;
  const bool in_section = wait_for_section();
  // No trap counting is enabled (every floating-point exception stays masked), so there are no
  // trap counts to report.
  UnitTable::instance().close_all([](Status s, const Unit* failed) {
    show_status(s, failed);
    if (is_severe(s)) std::_Exit(static_cast<int>(s));
  });
  if (in_section) io_section().unlock();
}

namespace {

// Diagnostic dump on request: FOR_DUMP_TRACE prints a stack trace of the failing thread,
// FOR_DUMP_CORE leaves a core image from a forked copy of the process (the run goes on ending).
void dump_if_requested() {
  auto yes = [](const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && (v[0] == 'Y' || v[0] == 'y');
  };
  if (yes("FOR_DUMP_TRACE")) {
    void* frames[64];
    int n = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, n, STDERR_FILENO);
  }
  if (yes("FOR_DUMP_CORE")) {
    pid_t child = ::fork();
    if (child == 0) {
      ::signal(SIGABRT, SIG_DFL);
      std::abort();
    }
  }
}

}  // namespace

void terminate_severe(Status status) {
  run_exit_handler();
  dump_if_requested();
  console::end_of_program(1);
  std::_Exit(static_cast<int>(status));
}

bool env_true(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return false;
  if (std::strchr("TtYy", v[0]) != nullptr) return true;
  char* end = nullptr;
  long n = std::strtol(v, &end, 10);
  return end != v && n != 0;
}

// ---------------------------------------------------------------------------------------------
// Mathematical functions

std::string compose_math_line(std::string_view function, MathError kind) {
  static constexpr std::string_view kKinds[] = {"DOMAIN",    "SING",  "OVERFLOW",
                                                "UNDERFLOW", "TLOSS", "PLOSS"};
  int index = static_cast<int>(kind) - 1;
  std::string line = "M" + std::to_string(6200 + static_cast<int>(kind)) + ": MATH - ";
  line += function;
  line += ": ";
  line += kKinds[index];
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
  terminate_severe(
      make_status(Severity::Severe, static_cast<std::uint16_t>(6200 + static_cast<int>(kind))));
}

double rt_log(double x) {
  if (std::isnan(x) || x < 0) math_error("log", MathError::Domain);
  if (x == 0) math_error("log", MathError::Sing);
  return std::log(x);
}

double rt_pow(double x, double y) {
  if (x == 1 && std::isinf(y)) math_error("pow", MathError::Domain);
  if (x < 0 && std::isfinite(y) && y != std::trunc(y)) math_error("pow", MathError::Domain);
  return std::pow(x, y);
}

// ---------------------------------------------------------------------------------------------
// Allocation

Status table_bytes(std::initializer_list<std::int64_t> extents, std::size_t element_size,
                   std::size_t& bytes) {
  // A table larger than the machine's memory cannot be satisfied; refusing it here keeps the
  // outcome the same whatever the kernel's overcommit policy.
  static const std::size_t limit = [] {
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long page = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page <= 0) return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page);
  }();
  std::size_t total = element_size;
  for (std::int64_t e : extents) {
    std::size_t n = e > 0 ? static_cast<std::size_t>(e) : 0;
    if (n != 0 && total > std::numeric_limits<std::size_t>::max() / n) return status_of(kNoMemory);
    total *= n;
  }
  if (total > limit) return status_of(kNoMemory);
  bytes = total;
  return kOk;
}

Status allocate_zeroed(void*& block, std::initializer_list<std::int64_t> extents,
                       std::size_t element_size) {
  if (block != nullptr) return status_of(kAlreadyAllocated);
  std::size_t bytes = 0;
  if (Status s = table_bytes(extents, element_size, bytes); s != kOk) return s;
  if (bytes == 0) return kOk;
  block = std::calloc(1, bytes);
  return block == nullptr ? status_of(kNoMemory) : kOk;
}

// ---------------------------------------------------------------------------------------------
// Start-up: console control, processor exceptions, floating point

namespace {

sem_t g_control_signal;
std::atomic<int> g_control_signo{0};

void on_control_signal(int signo) {
  int none = 0;
  if (g_control_signo.compare_exchange_strong(none, signo)) ::sem_post(&g_control_signal);
}

// Control-C, control-BREAK and the close command end the run with error 200. The exit status is
// 128 + the signal number, as shells report it: an interrupted run never reports success.
void watch_control_signals() {
  while (::sem_wait(&g_control_signal) != 0) {
  }
  // A running statement ends first, so that the units are closed with its records complete; the
  // section is kept from then on, so the program thread stops at its next statement.
  wait_for_section();
  int signo = g_control_signo.load();
  std::string_view event = "unknown";
  int event_number = 3;
  switch (signo) {
    case SIGINT:
      event = "control-C", event_number = 0;
      break;
    case SIGQUIT:
      event = "control-BREAK", event_number = 1;
      break;
    case SIGHUP:
      event = "menu-CLOSE", event_number = 2;
      break;
    default:
      break;
  }
  end_console_lines();
  show_line(compose_line(status_of(kAborting), {event}));
  run_exit_handler();
  console::end_of_program(event_number);
  std::_Exit(128 + signo);
}

const char* g_stack_low = nullptr;  // lowest address of the program thread's stack

std::uint16_t exception_number(int signo, const siginfo_t* info) {
  switch (signo) {
    case SIGSEGV: {
      auto addr = static_cast<const char*>(info->si_addr);
      if (g_stack_low != nullptr && addr < g_stack_low + 65536 && addr + (1 << 20) > g_stack_low)
        return 170;  // stack overflow: the guard below the stack was hit
      return 157;
    }
    case SIGBUS:
      return info->si_code == BUS_ADRALN ? 158 : 167;
    case SIGILL:
      return info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG ? 166 : 168;
    case SIGTRAP:
      return info->si_code == TRAP_TRACE ? 160 : 159;
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTDIV:
          return 164;
        case FPE_INTOVF:
          return 165;
        case FPE_FLTDIV:
          return kFloatDivideByZero;
        case FPE_FLTOVF:
          return kFloatOverflow;
        case FPE_FLTUND:
          return kFloatUnderflow;
        case FPE_FLTRES:
          return kFloatInexact;
        case FPE_FLTINV:
          return kFloatInvalid;
        case FPE_FLTSUB:
          return 161;
        default:
          return kExceptionCode;
      }
    default:
      return kExceptionCode;
  }
}

void on_processor_exception(int signo, siginfo_t* info, void*) {
  std::uint16_t number = exception_number(signo, info);
  Status status = status_of(number);
  end_console_lines();
  if (number == kExceptionCode) {
    char hex[16];
    auto [end, ec] = std::to_chars(hex, hex + sizeof hex, signo, 16);
    show_line(compose_line(status, {std::string_view(hex, end - hex), std::to_string(signo)}));
  } else {
    show_line(compose_line(status, {}));
  }
  terminate_severe(status);
}

void install_exception_handlers() {
  // A stack overflow is reported from an alternate stack. A sanitizer may have given the thread
  // one already (and frees it when the thread ends); only a thread without one gets ours.
  stack_t current{};
  if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE)) {
    constexpr std::size_t kSize = 64 * 1024;
    void* mem = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mem != MAP_FAILED) {
      stack_t ss{};
      ss.ss_sp = mem;
      ss.ss_size = kSize;
      ::sigaltstack(&ss, nullptr);
    }
  }
  pthread_attr_t attr;
  if (::pthread_getattr_np(::pthread_self(), &attr) == 0) {
    void* low = nullptr;
    std::size_t size = 0;
    if (::pthread_attr_getstack(&attr, &low, &size) == 0) g_stack_low = static_cast<char*>(low);
    ::pthread_attr_destroy(&attr);
  }
  struct sigaction sa {};
  sa.sa_sigaction = on_processor_exception;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&sa.sa_mask);
  for (int signo : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) ::sigaction(signo, &sa, nullptr);
}

}  // namespace

void start_runtime() {
  static std::atomic<bool> started{false};
  if (started.exchange(true)) return;

  ::sem_init(&g_control_signal, 0, 0);
  struct sigaction sa {};
  sa.sa_handler = on_control_signal;
  sigemptyset(&sa.sa_mask);
  for (int signo : {SIGINT, SIGQUIT, SIGHUP}) ::sigaction(signo, &sa, nullptr);
  std::thread(watch_control_signals).detach();

  // FOR_NOERROR_DIALOGS asks to suppress the system's own error boxes; this platform shows
  // none, so there is nothing to switch off.

  // Every floating-point exception stays masked: 1/0 is an infinity and 0/0 a NaN, silently.
  ::fedisableexcept(FE_ALL_EXCEPT);
  ::feclearexcept(FE_ALL_EXCEPT);

  if (!env_true("FOR_IGNORE_EXCEPTIONS")) install_exception_handlers();

  volatile long double x = 4195835.0L;
  volatile long double y = 3145727.0L;
  if (x - (x / y) * y != 0 && !env_true("FOR_RUN_FLAWED_PENTIUM")) {
    show_line(compose_line(status_of(kFdivFlaw), {}));
    terminate_severe(status_of(kFdivFlaw));
  }
}

}  // namespace recio
