// The floor for the packet intake: the least a server can do per packet
// (accept, one receive, close) with epoll on one thread. Loaded by
// load_tool beside signview, so signview's rate is read as a ratio.
//
// usage: epoll_floor --port P [--seconds S]
// Prints "packets=N" when it ends (after S seconds, default 60, or SIGTERM).
#include <netinet/in.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
volatile sig_atomic_t stop = 0;
void OnSignal(int) { stop = 1; }
}  // namespace

int main(int argc, char** argv) {
  int port = 10101;
  double seconds = 60;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--port")) port = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--seconds")) seconds = std::atof(argv[i + 1]);
  }
  signal(SIGTERM, OnSignal);
  signal(SIGINT, OnSignal);

  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  const int one = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 ||
      listen(listener, 1024) < 0) {
    std::perror("epoll_floor");
    return 1;
  }
  std::printf("listening=%d\n", port);
  std::fflush(stdout);

  const int ep = epoll_create1(0);
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.fd = listener;
  epoll_ctl(ep, EPOLL_CTL_ADD, listener, &ev);
  long packets = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  epoll_event events[256];
  unsigned char buffer[2048];
  while (!stop && std::chrono::steady_clock::now() < end) {
    const int n = epoll_wait(ep, events, 256, 100);
    for (int i = 0; i < n; ++i) {
      const int fd = events[i].data.fd;
      if (fd == listener) {
        for (;;) {
          const int c = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
          if (c < 0) break;
          epoll_event cev{};
          cev.events = EPOLLIN | EPOLLRDHUP;
          cev.data.fd = c;
          epoll_ctl(ep, EPOLL_CTL_ADD, c, &cev);
        }
      } else {
        const ssize_t r = recv(fd, buffer, sizeof buffer, 0);
        if (r > 0) ++packets;
        epoll_ctl(ep, EPOLL_CTL_DEL, fd, nullptr);
        close(fd);
      }
    }
  }
  std::printf("packets=%ld\n", packets);
  return 0;
}
