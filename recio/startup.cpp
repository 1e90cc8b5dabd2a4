#include "recio/startup.h"

#include <fenv.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/mman.h>

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "console/core/program_end.h"
#include "recio/process_end.h"
#include "recio/run_time_error.h"
#include "recio/status.h"

namespace recio {

bool env_true(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return false;
  if (std::strchr("TtYy", v[0]) != nullptr) return true;
  char* end = nullptr;
  long n = std::strtol(v, &end, 10);
  return end != v && n != 0;
}

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
        return kStackOverflow;  // the guard below the stack was hit
      return kAccessViolation;
    }
    case SIGBUS:
      return info->si_code == BUS_ADRALN ? kDatatypeMisalignment : kInPageError;
    case SIGILL:
      return info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG ? kPrivilegedInstruction
                                                                        : kIllegalInstruction;
    case SIGTRAP:
      return info->si_code == TRAP_TRACE ? kSingleStep : kBreakpoint;
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTDIV:
          return kIntegerDivideByZero;
        case FPE_INTOVF:
          return kIntegerOverflow;
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
          return kArrayBoundsExceeded;
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
