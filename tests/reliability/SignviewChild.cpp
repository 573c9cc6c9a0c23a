#include "SignviewChild.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <regex>

uint16_t FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  uint16_t port = 0;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  if (fd >= 0) ::close(fd);
  return port;
}

SignviewChild::SignviewChild(const std::string& exe, const std::string& settingsPath,
                             const std::vector<std::string>& extra, std::optional<rlimit> fileLimit) {
  const std::string port = std::to_string(FreeLoopbackPort());
  std::vector<std::string> args = {exe, "--headless", "--port", port, "--settings", settingsPath,
                                   "--http", "0"};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return;
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return;
  }
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec. A test that
    // crashes takes its signview with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    if (fileLimit) ::setrlimit(RLIMIT_NOFILE, &*fileLimit);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  if (pid_ < 0) {
    ::close(out[0]);
    ::close(err[0]);
    return;
  }
  reader_ = std::thread([this, o = out[0], e = err[0]] { Read(o, e); });

  // "signview: …; packets on port P; the sign on http://127.0.0.1:H/"
  static const std::regex kStart(R"(packets on port (\d+); the sign on http://[^:]+:(\d+)/)");
  std::unique_lock lock(mutex_);
  std::smatch match;
  changed_.wait_for(lock, std::chrono::seconds(30),
                    [&] { return ended_ || std::regex_search(err_, match, kStart); });
  if (std::regex_search(err_, match, kStart)) {
    packetPort_ = static_cast<uint16_t>(std::stoi(match[1]));
    httpPort_ = static_cast<uint16_t>(std::stoi(match[2]));
  }
}

SignviewChild::~SignviewChild() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (reader_.joinable()) reader_.join();
}

void SignviewChild::Read(int outFd, int errFd) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (pollfd& p : fds) {
      if (p.fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
      if (n <= 0) {
        ::close(p.fd);
        p.fd = -1;
        --open;
        continue;
      }
      std::lock_guard lock(mutex_);
      if (p.fd == errFd) {
        err_.append(buffer, static_cast<std::size_t>(n));
      } else {
        partialOut_.append(buffer, static_cast<std::size_t>(n));
        std::size_t start = 0, end;
        while ((end = partialOut_.find('\n', start)) != std::string::npos) {
          out_.push_back(partialOut_.substr(start, end - start));
          start = end + 1;
        }
        partialOut_.erase(0, start);
      }
      changed_.notify_all();
    }
  }
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

SignviewChild::Lines SignviewChild::OutLines() const {
  std::lock_guard lock(mutex_);
  return out_;
}

std::string SignviewChild::Err() const {
  std::lock_guard lock(mutex_);
  return err_;
}

bool SignviewChild::WaitForOut(const std::function<bool(const Lines&)>& done,
                               std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(out_); });
}

int SignviewChild::Stop() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 3000 && ended == 0; ++i) {
    ended = ::waitpid(pid_, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (ended != pid_) return -1;  // the destructor kills it
  pid_ = -1;
  if (reader_.joinable()) reader_.join();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
