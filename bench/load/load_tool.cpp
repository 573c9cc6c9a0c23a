// Loads a packet server on loopback: many concurrent clients, each of which
// connects, sends one packet, waits for the server to close and closes.
// Bounded in packet count and time; stops by itself: no new connection
// starts after --seconds, and the connections still open then get --drain
// seconds more to be served before they count as failed.
//
// usage: load_tool --port P [--concurrency N] [--count TOTAL] [--seconds S]
//                  [--drain S] [--host 127.0.0.1] [--tag TEXT]
// Packet n (from 0) carries the text TAG followed by n in decimal.
// Prints one line: "sent=N failed=N seconds=S rate=R" (packets served per
// second of the whole run); the exit code is 1 when any failed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Options {
  std::string host = "127.0.0.1";
  int port = 10001;
  int concurrency = 64;
  long count = 10000;
  double seconds = 30;
  double drain = 5;
  std::string tag = "L";
};

bool Loopback(const std::string& host) { return host.rfind("127.", 0) == 0; }

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const char* value = argv[i + 1];
    if (key == "--port") o.port = std::atoi(value);
    else if (key == "--concurrency") o.concurrency = std::atoi(value);
    else if (key == "--count") o.count = std::atol(value);
    else if (key == "--seconds") o.seconds = std::atof(value);
    else if (key == "--drain") o.drain = std::atof(value);
    else if (key == "--host") o.host = value;
    else if (key == "--tag") o.tag = value;
    else {
      std::fprintf(stderr, "load_tool: unknown option %s\n", key.c_str());
      std::exit(2);
    }
  }
  if (!Loopback(o.host)) {
    std::fprintf(stderr, "load_tool: only loopback addresses (127.x.x.x) are loaded\n");
    std::exit(2);
  }
  if (o.concurrency < 1 || o.count < 1 || o.seconds <= 0 || o.drain < 0) {
    std::fprintf(stderr, "load_tool: concurrency, count and seconds must be positive\n");
    std::exit(2);
  }
  return o;
}

struct Connection {
  std::vector<uint8_t> packet;
  std::size_t sent = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(o.port));
  inet_pton(AF_INET, o.host.c_str(), &address.sin_addr);

  const int ep = epoll_create1(0);
  std::unordered_map<int, Connection> open;
  long started = 0, done = 0, failed = 0;
  const auto begin = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  };

  // Every packet started is either served or failed, so a client that
  // cannot connect never stalls the loop.
  auto startOne = [&] {
    const long n = started++;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (fd < 0) {
      ++failed;
      return;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const int rc = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (rc < 0 && errno != EINPROGRESS) {
      close(fd);
      ++failed;
      return;
    }
    Connection c;
    const std::string text = o.tag + std::to_string(n);
    c.packet.push_back(0x02);
    c.packet.push_back(0xFF);
    c.packet.insert(c.packet.end(), text.begin(), text.end());
    c.packet.push_back(0x03);
    open.emplace(fd, std::move(c));
    epoll_event ev{};
    ev.events = EPOLLOUT | EPOLLIN | EPOLLRDHUP;
    ev.data.fd = fd;
    epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev);
  };
  auto finish = [&](int fd, bool ok) {
    epoll_ctl(ep, EPOLL_CTL_DEL, fd, nullptr);
    close(fd);
    open.erase(fd);
    ok ? ++done : ++failed;
  };

  std::vector<epoll_event> events(1024);
  for (;;) {
    const double now = elapsed();
    const bool starting = started < o.count && now < o.seconds;
    if (!starting && (open.empty() || now >= o.seconds + o.drain)) break;
    while (starting && started < o.count && static_cast<int>(open.size()) < o.concurrency) startOne();
    const int n = epoll_wait(ep, events.data(), static_cast<int>(events.size()), 100);
    for (int i = 0; i < n; ++i) {
      const int fd = events[i].data.fd;
      auto it = open.find(fd);
      if (it == open.end()) continue;
      Connection& c = it->second;
      if (events[i].events & EPOLLERR) {
        finish(fd, false);
        continue;
      }
      if ((events[i].events & EPOLLOUT) && c.sent < c.packet.size()) {
        const ssize_t w = send(fd, c.packet.data() + c.sent, c.packet.size() - c.sent, MSG_NOSIGNAL);
        if (w > 0) c.sent += static_cast<std::size_t>(w);
        if (c.sent == c.packet.size()) {
          epoll_event ev{};
          ev.events = EPOLLIN | EPOLLRDHUP;
          ev.data.fd = fd;
          epoll_ctl(ep, EPOLL_CTL_MOD, fd, &ev);
        }
        continue;
      }
      if (events[i].events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP)) {
        // The server closes after its one receive: the packet was taken.
        char sink[64];
        const ssize_t r = recv(fd, sink, sizeof sink, 0);
        if (r == 0 || (r < 0 && errno != EAGAIN)) finish(fd, c.sent == c.packet.size());
      }
    }
  }
  failed += static_cast<long>(open.size());  // still open after the drain
  const double seconds = elapsed();
  std::printf("sent=%ld failed=%ld seconds=%.3f rate=%.0f\n", done, failed, seconds,
              seconds > 0 ? done / seconds : 0.0);
  return failed == 0 ? 0 : 1;
}
