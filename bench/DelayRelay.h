#pragma once
// A TCP relay on 127.0.0.1 that holds every byte for a fixed time in each
// direction before passing it on: a slow network between the program and a
// device server, where the kernel's netem is not at hand (and would slow
// every other loopback user of the machine). It runs on a thread of its own
// with nanosecond waits (ppoll), so the measured event loop never carries
// it; its CPU time is kept apart. A closed side closes the other.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

#include "util/UniqueFd.h"

class DelayRelay {
 public:
  using Clock = std::chrono::steady_clock;

  DelayRelay(std::uint16_t targetPort, std::chrono::microseconds oneWay) : target_(targetPort), oneWay_(oneWay) {
    listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_.get(), 4) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
      return;
    port_ = ntohs(address.sin_port);
    wake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    thread_ = std::thread([this] { run(); });
  }
  ~DelayRelay() {
    stop_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_.get(), &one, sizeof one);
    if (thread_.joinable()) thread_.join();
  }
  DelayRelay(const DelayRelay&) = delete;
  DelayRelay& operator=(const DelayRelay&) = delete;

  // 0 when the relay could not listen.
  std::uint16_t port() const { return port_; }
  // The relay thread's own CPU time so far.
  double cpuSeconds() const { return double(cpuNs_.load()) / 1e9; }

 private:
  struct Chunk {
    Clock::time_point due;
    std::vector<char> bytes;
  };
  struct Direction {
    int from = -1, to = -1;
    std::deque<Chunk> queue;
  };
  struct Pair {
    UniqueFd client, server;
    Direction up, down;  // client to server, server to client
  };

  static sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
  }

  static void noDelay(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }

  void accept() {
    auto pair = std::make_unique<Pair>();
    pair->client.reset(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    pair->server.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(target_);
    if (!pair->client.valid() ||
        ::connect(pair->server.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
      return;  // the client sees its connection closed, as from a dead far end
    noDelay(pair->client.get());
    noDelay(pair->server.get());
    pair->up = {pair->client.get(), pair->server.get(), {}};
    pair->down = {pair->server.get(), pair->client.get(), {}};
    pairs_.push_back(std::move(pair));
  }

  // Reads what `d.from` has; false when it closed.
  bool take(Direction& d) {
    char buffer[4096];
    const ssize_t n = ::read(d.from, buffer, sizeof buffer);
    if (n <= 0) return false;
    d.queue.push_back({Clock::now() + oneWay_, std::vector<char>(buffer, buffer + n)});
    return true;
  }

  // Passes on what is due; false when the other side is gone.
  static bool pass(Direction& d, Clock::time_point now) {
    while (!d.queue.empty() && d.queue.front().due <= now) {
      const std::vector<char>& bytes = d.queue.front().bytes;
      if (::send(d.to, bytes.data(), bytes.size(), MSG_NOSIGNAL) != ssize_t(bytes.size())) return false;
      d.queue.pop_front();
    }
    return true;
  }

  void run() {
    while (!stop_) {
      std::vector<pollfd> watched = {{wake_.get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
      Clock::time_point next = Clock::now() + std::chrono::seconds(1);
      for (const auto& pair : pairs_) {
        watched.push_back({pair->client.get(), POLLIN, 0});
        watched.push_back({pair->server.get(), POLLIN, 0});
        for (const Direction* d : {&pair->up, &pair->down})
          if (!d->queue.empty()) next = std::min(next, d->queue.front().due);
      }
      const auto wait = std::max(Clock::duration::zero(), next - Clock::now());
      const timespec timeout{time_t(wait / std::chrono::seconds(1)), long((wait % std::chrono::seconds(1)).count())};
      ::ppoll(watched.data(), watched.size(), &timeout, nullptr);
      if (watched[1].revents & POLLIN) accept();
      const Clock::time_point now = Clock::now();
      for (std::size_t i = 0; i < pairs_.size();) {
        Pair& pair = *pairs_[i];
        const auto readable = [&](int fd) {
          for (const pollfd& p : watched)
            if (p.fd == fd) return (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
          return false;
        };
        bool alive = true;
        if (readable(pair.client.get())) alive = take(pair.up) && alive;
        if (readable(pair.server.get())) alive = take(pair.down) && alive;
        alive = pass(pair.up, now) && pass(pair.down, now) && alive;
        if (alive)
          ++i;
        else
          pairs_.erase(pairs_.begin() + std::ptrdiff_t(i));
      }
      timespec cpu{};
      ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
      cpuNs_ = std::int64_t(cpu.tv_sec) * 1'000'000'000 + cpu.tv_nsec;
    }
  }

  const std::uint16_t target_;
  const Clock::duration oneWay_;
  UniqueFd listener_, wake_;
  std::uint16_t port_ = 0;
  std::vector<std::unique_ptr<Pair>> pairs_;  // only the relay thread touches them
  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> cpuNs_{0};
  std::thread thread_;
};
