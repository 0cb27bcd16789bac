// How much time the main thread spends in our own code. A timer interrupts the thread at a
// fixed period of real time, and each interruption counts whether the instruction it stopped
// lies in this executable's code, which holds the runtime and the program (linked in
// statically), or elsewhere: the GL driver, its compiled shaders, the C and C++ libraries, or
// the kernel while the thread waits. A stop in our code means the thread was running it, so
// those samples times the period measure our CPU time; the thread's own CPU clock, whose timers
// only fire at the scheduler's tick, could not sample the short bursts of a frame.
#pragma once

namespace ember::bench {

class CpuSampler {
 public:
  // Starts sampling the calling thread; false when the system has no such timer.
  bool Start(int periodMicroseconds);
  void Stop();

  long OwnSamples() const;
  long OtherSamples() const;  // elsewhere, waiting included
  double PeriodMs() const { return periodUs_ / 1000.0; }

 private:
  int periodUs_ = 0;
  void* timer_ = nullptr;
  bool running_ = false;
};

}  // namespace ember::bench
