// SIGINT, SIGTERM and SIGHUP end the program as Escape does: exit(128 + signal) on the
// program's thread at its next event pump, so static objects are destroyed, C streams flushed
// and the exit handler gives the desktop back. A watcher thread ends the process itself when
// the program's thread is held up (a long load, a modal dialog); a second signal ends it at
// once.
#pragma once

namespace ember::host {

// Installs the handlers and the watcher; once per process (again in a forked child).
void WatchSignals();

// The signal that asked the program to end, 0 when none has.
int PendingSignal();

// On the program's thread: ends the process when a signal has asked for it.
void EndIfSignalled();

}  // namespace ember::host
