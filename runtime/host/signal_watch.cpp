#include "runtime/host/signal_watch.h"

#include <dirent.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace ember::host {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The program's thread reaches a pump at least once a frame; past this the watcher ends the
// process, which keeps the whole within 200 ms.
constexpr int kPumpGraceMs = 100;
// An exit under way closes the window and the GL context; it gets this long before the
// watcher cuts it short.
constexpr int kExitGraceMs = 2000;

std::atomic<int> g_signal{0};
std::atomic<bool> g_exiting{false};
std::atomic<bool> g_second{false};
std::atomic<pid_t> g_watchingProcess{0};
int g_wakePipe[2] = {-1, -1};

void WakeWatcher() {
  const char byte = 1;
  ssize_t written = write(g_wakePipe[1], &byte, 1);
  (void)written;
}

void OnSignal(int signal) {
  int none = 0;
  const bool first = g_signal.compare_exchange_strong(none, signal);
  // A forked child inherits the parent's pipe: waking the parent's watcher would end it.
  const bool watched = g_watchingProcess.load() == getpid();
  if (first) {
    if (watched) WakeWatcher();
    return;
  }
  // A second signal while ending: end now, whatever the first one is waiting for.
  g_second.store(true);
  if (watched)
    WakeWatcher();
  else
    _exit(128 + signal);
}

// Waits up to `ms` for the second signal's wake-up; true when it came.
bool WaitForSecondSignal(int ms) {
  pollfd wake{g_wakePipe[0], POLLIN, 0};
  for (int waited = 0; waited < ms && !g_second.load(); waited += 5) poll(&wake, 1, 5);
  return g_second.load();
}

// SDL shows a message box from a forked child, which would stay on screen after us.
void KillChildProcesses() {
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return;
  while (dirent* task = readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    char path[300];
    std::snprintf(path, sizeof path, "/proc/self/task/%s/children", task->d_name);
    FILE* children = std::fopen(path, "r");
    if (!children) continue;
    int child = 0;
    while (std::fscanf(children, "%d", &child) == 1) kill(child, SIGKILL);
    std::fclose(children);
  }
  closedir(tasks);
}

void* WatchForSignal(void*) {
  char byte = 0;
  for (;;) {
    const ssize_t got = read(g_wakePipe[0], &byte, 1);
    if (got == 1) break;
    if (got == 0 || errno != EINTR) return nullptr;
  }
  const int signal = g_signal.load();
  bool cutShort = WaitForSecondSignal(kPumpGraceMs);
  if (!cutShort && g_exiting.load()) cutShort = WaitForSecondSignal(kExitGraceMs);
  KillChildProcesses();
  // The program's thread is held up. Its log still reaches the disk (unless an exit under way
  // holds the streams); the window system takes the window and the pointer grab back when our
  // connection closes.
  if (!g_exiting.load()) std::fflush(nullptr);
  _exit(128 + signal);
}

}  // namespace

void WatchSignals() {
  const pid_t self = getpid();
  if (g_watchingProcess.load() == self) return;
  if (g_wakePipe[0] >= 0) {
    close(g_wakePipe[0]);
    close(g_wakePipe[1]);
    g_wakePipe[0] = g_wakePipe[1] = -1;
  }
  if (pipe(g_wakePipe) != 0) {
    g_wakePipe[0] = g_wakePipe[1] = -1;
  } else {
    pthread_t watcher;
    if (pthread_create(&watcher, nullptr, WatchForSignal, nullptr) == 0) pthread_detach(watcher);
  }
  g_watchingProcess.store(g_wakePipe[1] >= 0 ? self : 0);

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

int PendingSignal() { return g_signal.load(); }

void EndIfSignalled() {
  const int signal = g_signal.load();
  if (signal == 0 || g_exiting.exchange(true)) return;
  std::exit(128 + signal);
}

}  // namespace ember::host
