#include "runtime/fx/isolated_compile.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/fx/hlsl_to_spirv.h"

namespace ember {
namespace {

// What the child writes: whether it compiled, the byte count, then the SPIR-V words or the log.
struct Answer {
  uint32_t compiled;
  uint32_t bytes;
};

bool WriteAll(int fd, const void* data, size_t size) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(fd, at, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    at += written;
    size -= size_t(written);
  }
  return true;
}

// Runs in the child: compiles, answers, and leaves without touching anything of the parent's
// (no exit handlers, no GL, no window). A crash ends the child by its signal, whatever handler
// the parent had installed (a crash reporter, a sanitizer), so that the parent can name it.
[[noreturn]] void CompileAndAnswer(int fd, const std::string& hlsl, bool vertex,
                                   const std::string& entry) {
  for (int crash : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) signal(crash, SIG_DFL);
  std::vector<uint32_t> spirv;
  std::string log;
  const bool compiled = CompileHlslToSpirv(hlsl, vertex, entry, spirv, log);
  const Answer answer{compiled ? 1u : 0u, uint32_t(compiled ? spirv.size() * 4 : log.size())};
  const bool sent =
      WriteAll(fd, &answer, sizeof answer) &&
      WriteAll(fd, compiled ? static_cast<const void*>(spirv.data()) : log.data(), answer.bytes);
  _exit(sent ? 0 : 1);
}

long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return long(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Reads everything the child writes until it closes the pipe; false when the time runs out.
bool ReadUntilClosed(int fd, long deadline, std::string& received) {
  char chunk[65536];
  for (;;) {
    const long left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd ready{fd, POLLIN, 0};
    const int polled = poll(&ready, 1, int(left));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return false;
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    received.append(chunk, size_t(got));
  }
}

int WaitFor(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

}  // namespace

IsolatedCompile CompileHlslToSpirvIsolated(const std::string& hlsl, bool vertex,
                                           const std::string& entry, std::vector<uint32_t>& spirv,
                                           std::string& log, int timeLimitMs) {
  spirv.clear();
  log.clear();
  PrepareGlslang();
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    log = std::string("could not start it: ") + std::strerror(errno);
    return IsolatedCompile::CompilerFailed;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    CompileAndAnswer(pipeFds[1], hlsl, vertex, entry);
  }
  close(pipeFds[1]);
  if (child < 0) {
    close(pipeFds[0]);
    log = std::string("could not start it: ") + std::strerror(errno);
    return IsolatedCompile::CompilerFailed;
  }
  std::string received;
  const bool finished = ReadUntilClosed(pipeFds[0], NowMs() + timeLimitMs, received);
  close(pipeFds[0]);
  if (!finished) kill(child, SIGKILL);
  const int status = WaitFor(child);

  if (!finished) {
    log = "it did not finish within " + (timeLimitMs % 1000 == 0
                                             ? std::to_string(timeLimitMs / 1000) + " s"
                                             : std::to_string(timeLimitMs) + " ms");
    return IsolatedCompile::CompilerFailed;
  }
  if (WIFSIGNALED(status)) {
    log = std::string("it crashed (") + strsignal(WTERMSIG(status)) + ")";
    return IsolatedCompile::CompilerFailed;
  }
  Answer answer{};
  const bool answered =
      WIFEXITED(status) && WEXITSTATUS(status) == 0 && received.size() >= sizeof answer;
  if (answered) std::memcpy(&answer, received.data(), sizeof answer);
  if (!answered || received.size() - sizeof answer != answer.bytes ||
      (answer.compiled && answer.bytes % 4 != 0)) {
    log = "it ended without an answer";
    return IsolatedCompile::CompilerFailed;
  }
  const char* payload = received.data() + sizeof answer;
  if (!answer.compiled) {
    log.assign(payload, answer.bytes);
    return IsolatedCompile::Refused;
  }
  spirv.resize(answer.bytes / 4);
  std::memcpy(spirv.data(), payload, answer.bytes);
  return IsolatedCompile::Compiled;
}

}  // namespace ember
