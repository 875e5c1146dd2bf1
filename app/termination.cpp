#include "app/termination.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace truco {

namespace {

int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe, which the event loop watches.
void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void CatchEndSignals() {
  if (g_pipe[0] >= 0) return;
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

EndOnSignal::EndOnSignal() {
  CatchEndSignals();
  if (g_pipe[0] < 0) return;
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &EndOnSignal::Arrived);
  // A signal caught before the notifier existed is already waiting in the pipe.
  char byte = 0;
  if (::read(g_pipe[0], &byte, 1) == 1) {
    requested_ = true;
    QCoreApplication::exit(0);
  }
}

EndOnSignal::~EndOnSignal() = default;

void EndOnSignal::Arrived() {
  char buffer[16];
  while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
  }
  requested_ = true;
  // Leaves every running loop; a loop opened later (a box's exec while the start-up goes on)
  // returns at once, until QCoreApplication::exec would start anew, which main then skips.
  QCoreApplication::exit(0);
}

}  // namespace truco
