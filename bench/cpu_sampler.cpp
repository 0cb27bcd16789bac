#include "bench/cpu_sampler.h"

#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#ifndef sigev_notify_thread_id
#define sigev_notify_thread_id _sigev_un._tid
#endif

// The linker's marks around this executable's code.
extern "C" char __executable_start;
extern "C" char etext;

namespace ember::bench {
namespace {

std::atomic<long> g_own{0};
std::atomic<long> g_other{0};

uintptr_t InterruptedAddress(void* context) {
  const ucontext_t* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  return uintptr_t(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return uintptr_t(uc->uc_mcontext.pc);
#else
  (void)uc;
  return 0;
#endif
}

void OnSample(int, siginfo_t*, void* context) {
  const uintptr_t pc = InterruptedAddress(context);
  const bool own = pc >= uintptr_t(&__executable_start) && pc < uintptr_t(&etext);
  (own ? g_own : g_other).fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

bool CpuSampler::Start(int periodMicroseconds) {
  g_own = 0;
  g_other = 0;
  struct sigaction action {};
  action.sa_sigaction = OnSample;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&action.sa_mask);
  if (sigaction(SIGPROF, &action, nullptr) != 0) return false;

  sigevent event{};
  event.sigev_notify = SIGEV_THREAD_ID;
  event.sigev_signo = SIGPROF;
  event.sigev_notify_thread_id = pid_t(syscall(SYS_gettid));
  timer_t timer{};
  if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) return false;
  itimerspec period{};
  period.it_interval.tv_nsec = long(periodMicroseconds) * 1000;
  period.it_value = period.it_interval;
  if (timer_settime(timer, 0, &period, nullptr) != 0) {
    timer_delete(timer);
    return false;
  }
  timer_ = timer;
  periodUs_ = periodMicroseconds;
  running_ = true;
  return true;
}

void CpuSampler::Stop() {
  if (!running_) return;
  timer_delete(static_cast<timer_t>(timer_));
  signal(SIGPROF, SIG_IGN);
  running_ = false;
}

long CpuSampler::OwnSamples() const { return g_own.load(); }
long CpuSampler::OtherSamples() const { return g_other.load(); }

}  // namespace ember::bench
