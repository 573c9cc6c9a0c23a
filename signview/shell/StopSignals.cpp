#include "StopSignals.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace {
// [0] is written by the handler, [1] is watched by the event loop.
int g_pipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already holds a request.
  [[maybe_unused]] ssize_t n = ::write(g_pipe[0], &byte, 1);
}
}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) return;
  notifier_ = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    while (::read(g_pipe[1], buffer, sizeof buffer) > 0) {
    }
    emit stopRequested();
  });
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals() {
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  delete notifier_;
  notifier_ = nullptr;
  for (int& fd : g_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}
