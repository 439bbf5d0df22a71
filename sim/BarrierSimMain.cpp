// barrier-sim (installed as orvita-barrier-sim): a simulated Orvita barrier
// on a pseudo-terminal.
//
// Standard output carries one line per pseudo-terminal the simulator serves:
// the slave's path at start, and a new path after every `hangup`. Everything
// else (errors, `show`, `help`) goes to standard error.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "link/Frame.h"
#include "sim/SimBarrier.h"
#include "sim/SimDemo.h"
#include "util/VersionText.h"

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopSignal = 0;
void onStop(int) { stopSignal = 1; }

// After "Usage: " and the name the program was started by.
const char* const Usage =
    " [OPTIONS]\n"
    "Simulates an Orvita barrier on a pseudo-terminal. The first line of standard\n"
    "output is the terminal's path; point the program's port at it (or at --link).\n"
    "\n"
    "Options:\n"
    "  --link PATH         keep a symbolic link PATH to the current terminal (a stale\n"
    "                      link is replaced; any other file there is refused)\n"
    "  --beams N           beam count 2..8 (default 8)\n"
    "  --firmware HEX      the 8 bytes of the version reply: beam count code,\n"
    "                      firmware version, date, e.g. 0601000520210714 (blanks and\n"
    "                      colons allowed); byte 0 above 6 is sent as is (a fault)\n"
    "  --status-size 9|17|alternate  status reply payload size (default 9);\n"
    "                      alternate: 17 and 9 bytes in turn\n"
    "  --data-size N       data reply payload size 0..17 (default 12)\n"
    "  --data2-size N      data2 reply payload size 0..16 (default 9)\n"
    "  --baud N            line speed for pacing, 10 bits a byte (default 9600)\n"
    "  --no-pacing         no line timing: answer and write replies at once\n"
    "  --no-request-pacing answer as soon as a request's bytes are in (a pseudo-\n"
    "                      terminal delivers them at once), instead of one request's\n"
    "                      wire time after its first byte as a barrier's UART would\n"
    "  --reaction-ms N     wait before each reply, 0..10000 (default 2)\n"
    "  --byte-gap MIN-MAX  a pause of MIN..MAX ms (at random) between the bytes of\n"
    "                      a reply, as a slow barrier leaves\n"
    "  --adapter-latency MS  hold reply bytes as a USB adapter's latency timer of MS\n"
    "                      ms does: they pass on at its ticks, MS ms apart\n"
    "  --demo              play a barrier's day (a 60 s cycle of crossings, blocks,\n"
    "                      tampers, a supply sag, registration mode, the LED)\n"
    "  --help              this text\n"
    "  --version           the simulator's version\n"
    "\n"
    "Standard input may be closed; the simulator keeps running until quit, SIGINT\n"
    "or SIGTERM.\n"
    "\n";

const char* const DemoHelp =
    "  timing                print how long the program took from each reply's last\n"
    "                        byte to its next request (count, median, 90th percentile)\n"
    "                        and when the last changed status reply ended (CLOCK_MONOTONIC\n"
    "                        nanoseconds); then start counting anew\n"
    "  demo on|off           start or stop the demo (while on it sets the status\n"
    "                        bytes several times a second, overriding the commands)\n";

struct Options {
  std::string link;
  std::optional<int> beams;
  std::optional<std::array<std::uint8_t, 8>> firmware;
  std::size_t statusSize = 9;
  std::size_t dataSize = SimBarrier::DefaultDataReplySize;
  std::size_t data2Size = SimBarrier::DefaultData2ReplySize;
  long baud = 9600;
  bool pacing = true;
  bool requestPacing = true;
  long reactionMs = 2;
  long gapMinUs = 0, gapMaxUs = 0;  // between the bytes of a reply
  long adapterLatencyMs = 0;
  bool alternateStatus = false;
  bool demo = false;
};

std::optional<long> parseLong(const std::string& text, long min, long max) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < min || value > max) return std::nullopt;
  return value;
}

std::optional<std::array<std::uint8_t, 8>> parseFirmware(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == '-') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    digits += c;
  }
  if (digits.size() != 16) return std::nullopt;
  std::array<std::uint8_t, 8> bytes{};
  for (std::size_t i = 0; i < 8; ++i) bytes[i] = std::uint8_t(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
  return bytes;
}

// The name the program was started by: barrier-sim in the build, orvita-barrier-sim installed.
std::string programName = "barrier-sim";

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s (--help lists the options)\n", programName.c_str(), message.c_str());
  std::exit(2);
}

Options parseOptions(int argc, char** argv) {
  if (argc > 0 && argv[0][0] != '\0') {
    programName = argv[0];
    programName.erase(0, programName.rfind('/') + 1);
  }
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool hasValue = false;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      hasValue = true;
    }
    auto next = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= argc) fail(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::printf("Usage: %s", programName.c_str());
      std::fputs(Usage, stdout);
      std::fputs(SimBarrier::commandHelp(), stdout);
      std::fputs(DemoHelp, stdout);
      std::exit(0);
    } else if (arg == "--link") {
      options.link = next();
      if (options.link.empty()) fail("--link needs a path");
    } else if (arg == "--beams") {
      const auto n = parseLong(next(), 2, 8);
      if (!n) fail("--beams takes 2..8");
      options.beams = int(*n);
    } else if (arg == "--version" || arg == "-v") {
      std::printf("%s %s\n", programName.c_str(), packageVersion().toLatin1().constData());
      std::exit(0);
    } else if (arg == "--firmware") {
      options.firmware = parseFirmware(next());
      if (!options.firmware) fail("--firmware takes 8 bytes in hexadecimal");
    } else if (arg == "--status-size") {
      const std::string size = next();
      if (size == "alternate") {
        options.alternateStatus = true;
        options.statusSize = 17;
        continue;
      }
      const auto n = parseLong(size, 9, 17);
      if (!n || (*n != 9 && *n != 17)) fail("--status-size takes 9, 17 or alternate");
      options.statusSize = std::size_t(*n);
    } else if (arg == "--data-size") {
      const auto n = parseLong(next(), 0, long(SimBarrier::MaxDataReplySize));
      if (!n) fail("--data-size takes 0..17");
      options.dataSize = std::size_t(*n);
    } else if (arg == "--data2-size") {
      const auto n = parseLong(next(), 0, long(SimBarrier::MaxData2ReplySize));
      if (!n) fail("--data2-size takes 0..16");
      options.data2Size = std::size_t(*n);
    } else if (arg == "--baud") {
      const auto n = parseLong(next(), 50, 4000000);
      if (!n) fail("--baud takes 50..4000000");
      options.baud = *n;
    } else if (arg == "--no-pacing") {
      options.pacing = false;
    } else if (arg == "--no-request-pacing") {
      options.requestPacing = false;
    } else if (arg == "--reaction-ms") {
      const auto n = parseLong(next(), 0, 10000);
      if (!n) fail("--reaction-ms takes 0..10000");
      options.reactionMs = *n;
    } else if (arg == "--byte-gap") {
      const std::string range = next();
      const auto dash = range.find('-');
      const auto low = parseLong(range.substr(0, dash), 0, 1000);
      const auto high = dash == std::string::npos ? low : parseLong(range.substr(dash + 1), 0, 1000);
      if (!low || !high || *high < *low) fail("--byte-gap takes MIN-MAX in ms, 0..1000");
      options.gapMinUs = *low * 1000;
      options.gapMaxUs = *high * 1000;
    } else if (arg == "--adapter-latency") {
      const auto n = parseLong(next(), 0, 255);
      if (!n) fail("--adapter-latency takes 0..255 ms");
      options.adapterLatencyMs = *n;
    } else if (arg == "--demo") {
      options.demo = true;
    } else {
      fail("unknown option " + arg);
    }
  }
  return options;
}

// One pseudo-terminal; the simulator holds only the master. It must not keep
// the slave open itself: the program's TIOCEXCL would then outlive the
// program's own descriptor and refuse its next opening of the port.
class Pty {
 public:
  ~Pty() { close(); }

  bool open() {
    close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return failed("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) return failed("grantpt/unlockpt");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) return failed("ptsname_r");
    path_ = name;
    // Terminal settings set through the master apply to the slave.
    termios tio{};
    if (tcgetattr(master_, &tio) != 0) return failed("tcgetattr");
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(master_, TCSANOW, &tio) != 0) return failed("tcsetattr");
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) return failed("fcntl");
    return true;
  }

  void close() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  bool isOpen() const { return master_ >= 0; }
  int master() const { return master_; }
  const std::string& path() const { return path_; }

 private:
  bool failed(const char* what) {
    std::fprintf(stderr, "%s: %s: %s\n", programName.c_str(), what, std::strerror(errno));
    close();
    return false;
  }

  int master_ = -1;
  std::string path_;
};

// Points `link` at `target` atomically. A regular file or directory at
// `link` is never replaced.
bool pointLink(const std::string& link, const std::string& target) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    std::fprintf(stderr, "%s: %s exists and is not a symbolic link\n", programName.c_str(), link.c_str());
    return false;
  }
  const std::string temporary = link + ".tmp" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), link.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot link %s: %s\n", programName.c_str(), link.c_str(), std::strerror(errno));
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

// Removes `link` if it still points at `target` (another run may own it now).
void removeLink(const std::string& link, const std::string& target) {
  char buffer[512];
  const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
  if (n < 0) return;
  buffer[n] = '\0';
  if (target == buffer) unlink(link.c_str());
}

void sleepUntil(const timespec& deadline) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR && !stopSignal) {
  }
}

timespec monotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

timespec plus(timespec t, long long ns) {
  ns += t.tv_nsec;
  t.tv_sec += time_t(ns / 1000000000);
  t.tv_nsec = long(ns % 1000000000);
  return t;
}

long long nanoseconds(const timespec& t) { return (long long)t.tv_sec * 1000000000LL + t.tv_nsec; }

timespec later(const timespec& a, const timespec& b) { return nanoseconds(a) >= nanoseconds(b) ? a : b; }

long long byteNs(const Options& options) { return 10LL * 1000000000LL / options.baud; }

// What the `timing` command reports: how long the program took from the end
// of a reply to its next request, and when the latest status change was on
// the line. CLOCK_MONOTONIC, which a benchmark on the same machine shares.
class LineTiming {
 public:
  void requestStarted(const timespec& at) {
    if (lastReplyEnd_ >= 0 && gapsMs_.size() < MaxGaps)
      gapsMs_.push_back(double(nanoseconds(at) - lastReplyEnd_) / 1e6);
    lastReplyEnd_ = -1;
  }

  void replySent(const timespec& end, bool changedStatus) {
    lastReplyEnd_ = nanoseconds(end);
    if (changedStatus) changeEndNs_ = nanoseconds(end);
  }

  std::string report() {
    std::vector<double> gaps;
    gaps.swap(gapsMs_);
    std::sort(gaps.begin(), gaps.end());
    const auto at = [&gaps](double p) { return gaps.empty() ? 0.0 : gaps[std::size_t(p * double(gaps.size() - 1))]; };
    char text[256];
    std::snprintf(text, sizeof text,
                  "timing: %zu gaps from a reply's end to the next request, median %.3f ms, 90th percentile "
                  "%.3f ms; last status change ended at %lld ns",
                  gaps.size(), at(0.5), at(0.9), changeEndNs_);
    return text;
  }

 private:
  static constexpr std::size_t MaxGaps = 1000000;
  long long lastReplyEnd_ = -1;  // none since the last request began
  std::vector<double> gapsMs_;
  long long changeEndNs_ = 0;
};

// Writes `bytes` to the master; false when the terminal stopped taking them.
bool writeAll(int fd, const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, bytes, size);
    if (n > 0) {
      bytes += n;
      size -= std::size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // Nobody is reading the slave; give it a second, then drop the rest.
      pollfd pfd{fd, POLLOUT, 0};
      if (poll(&pfd, 1, 1000) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

// Each byte goes out when a real line would have finished sending it, so the
// far end sees replies arrive at line speed. Absolute deadlines keep the
// pace from drifting. A slow barrier's pauses come between the bytes; an
// adapter's latency timer then holds them until its next tick (it runs
// freely, so a reply's end waits anything from nothing to a whole period).
void writeReply(int fd, const std::vector<std::uint8_t>& reply, timespec start, const Options& options,
                std::minstd_rand& random) {
  if (!options.pacing) {
    writeAll(fd, reply.data(), reply.size());
    return;
  }
  std::uniform_int_distribution<long> gapUs(options.gapMinUs, options.gapMaxUs);
  const long long latencyNs = options.adapterLatencyMs * 1000000LL;
  std::vector<long long> due(reply.size());
  long long at = nanoseconds(start);
  for (std::size_t i = 0; i < reply.size(); ++i) {
    if (i > 0 && options.gapMaxUs > 0) at += gapUs(random) * 1000LL;
    at += byteNs(options);
    due[i] = latencyNs > 0 ? (at + latencyNs - 1) / latencyNs * latencyNs : at;
  }
  for (std::size_t i = 0; i < reply.size() && !stopSignal;) {
    std::size_t end = i + 1;
    while (end < reply.size() && due[end] == due[i]) ++end;
    sleepUntil(timespec{time_t(due[i] / 1000000000LL), long(due[i] % 1000000000LL)});
    if (!writeAll(fd, &reply[i], end - i)) return;
    i = end;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parseOptions(argc, argv);

  SimBarrier sim;
  if (options.firmware) {
    sim.version() = *options.firmware;
    const std::uint8_t beamByte = (*options.firmware)[0];
    if (beamByte <= 6)
      sim.setBeamCount(beamByte + 2);
    else
      sim.setBeamByteOverride(beamByte);
  }
  if (options.beams) sim.setBeamCount(*options.beams);
  sim.setStatusSize(options.statusSize);
  sim.setStatusSizeAlternating(options.alternateStatus);
  std::minstd_rand random(1);  // the byte gaps; seeded, so runs repeat
  sim.setDataReplySize(options.dataSize);
  sim.setData2ReplySize(options.data2Size);
  // The barrier at the other end of a cable moved by `swap`.
  SimBarrier other = sim;

  struct sigaction action {};
  action.sa_handler = onStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  Pty pty;
  if (!pty.open()) return 1;
  if (!options.link.empty() && !pointLink(options.link, pty.path())) return 1;
  std::printf("%s\n", pty.path().c_str());
  std::fflush(stdout);

  const auto started = Clock::now();
  bool demo = options.demo;
  auto demoStarted = started;
  SimDemo demoPlayer;
  if (demo) SimDemo::installConfiguration(sim);
  std::optional<Clock::time_point> silentUntil, hangupUntil, swapAt;
  std::uint64_t swapAfterRequest = 0;  // the request count at which the swap's silence begins; 0: none
  double swapSeconds = 0;
  const auto beginSwap = [&] {
    sim.setSilent(true);
    swapAt = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(swapSeconds));
  };
  // While no program has the slave open the master reports a hang-up
  // continuously; it is then looked at only every IdlePoll.
  constexpr auto IdlePoll = std::chrono::milliseconds(20);
  std::optional<Clock::time_point> masterIdleUntil;
  bool stdinOpen = true;
  std::string stdinLine;
  bool quit = false;
  LineTiming timing;
  timespec requestStart{};  // when the first byte of the request being received came
  long long requestBytes = 0;
  std::vector<std::uint8_t> lastStatusReply;

  while (!quit && !stopSignal) {
    const auto now = Clock::now();
    if (silentUntil && now >= *silentUntil) {
      sim.setSilent(false);
      silentUntil.reset();
    }
    if (swapAt && now >= *swapAt) {
      swapAt.reset();
      sim.setSilent(false);  // as it answers when the cable comes back to it
      std::swap(sim, other);
      sim.discardInput();
      other.discardInput();
    }
    if (hangupUntil && now >= *hangupUntil) {
      hangupUntil.reset();
      if (pty.open()) {
        if (!options.link.empty()) pointLink(options.link, pty.path());
        std::printf("%s\n", pty.path().c_str());
        std::fflush(stdout);
      } else {
        hangupUntil = now + std::chrono::seconds(1);  // try again
      }
    }
    if (demo) demoPlayer.step(sim, std::chrono::duration<double>(now - demoStarted).count());

    int timeoutMs = 1000;
    if (demo) timeoutMs = 50;
    if (masterIdleUntil && now >= *masterIdleUntil) masterIdleUntil.reset();
    for (const auto& until : {silentUntil, hangupUntil, swapAt, masterIdleUntil}) {
      if (!until) continue;
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*until - now).count();
      timeoutMs = std::min<int>(timeoutMs, int(std::max<long long>(ms, 0)));
    }

    pollfd fds[2];
    nfds_t count = 0;
    int masterIndex = -1, stdinIndex = -1;
    if (pty.isOpen() && !masterIdleUntil) {
      masterIndex = int(count);
      fds[count++] = {pty.master(), POLLIN, 0};
    }
    if (stdinOpen) {
      stdinIndex = int(count);
      fds[count++] = {STDIN_FILENO, POLLIN, 0};
    }
    const int ready = poll(fds, count, timeoutMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "%s: poll: %s\n", programName.c_str(), std::strerror(errno));
      return 1;
    }

    // Commands first: one sent before a request applies to its reply.
    if (stdinIndex >= 0 && fds[stdinIndex].revents) {
      char buffer[512];
      const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
      if (n <= 0) {
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) stdinOpen = false;
        if (n == 0 && !stdinLine.empty()) stdinLine += '\n';  // a last line without a newline
      } else {
        stdinLine.append(buffer, std::size_t(n));
      }
      std::size_t eol;
      while (!quit && (eol = stdinLine.find('\n')) != std::string::npos) {
        const std::string line = stdinLine.substr(0, eol);
        stdinLine.erase(0, eol + 1);
        if (line == "timing") {
          std::fprintf(stderr, "%s\n", timing.report().c_str());
          continue;
        }
        if (line == "demo on" || line == "demo off") {
          demo = line == "demo on";
          demoStarted = Clock::now();
          continue;
        }
        if (line.rfind("other", 0) == 0 && (line.size() == 5 || line[5] == ' ')) {
          const std::string command = line.substr(std::min<std::size_t>(line.size(), 6));
          const std::string word = command.substr(0, command.find(' '));
          // The line's own commands act on whichever barrier is on it.
          if (word == "silent" || word == "talk" || word == "hangup" || word == "swap" || word == "quit") {
            std::fprintf(stderr, "%s: other: only state commands\n", programName.c_str());
            continue;
          }
          const auto result = other.Command(command);
          if (result.kind == SimBarrier::CommandResult::Error)
            std::fprintf(stderr, "%s: other: %s\n", programName.c_str(), result.message.c_str());
          else if (!result.message.empty())
            std::fprintf(stderr, "%s\n", result.message.c_str());
          continue;
        }
        const auto result = sim.Command(line);
        switch (result.kind) {
          case SimBarrier::CommandResult::Done:
            if (!result.message.empty()) std::fprintf(stderr, "%s\n", result.message.c_str());
            if (line.find("help") == 0) std::fputs(DemoHelp, stderr);
            break;
          case SimBarrier::CommandResult::Error:
            std::fprintf(stderr, "%s: %s\n", programName.c_str(), result.message.c_str());
            break;
          case SimBarrier::CommandResult::Silent:
            silentUntil.reset();
            if (result.seconds > 0)
              silentUntil = Clock::now() +
                            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(result.seconds));
            break;
          case SimBarrier::CommandResult::Talk:
            silentUntil.reset();
            break;
          case SimBarrier::CommandResult::Swap:
            silentUntil.reset();
            swapSeconds = result.seconds;
            swapAfterRequest = result.requests == 0 ? 0 : sim.requestCount() + result.requests;
            if (result.requests == 0) beginSwap();
            break;
          case SimBarrier::CommandResult::Hangup: {
            const double seconds = result.seconds > 0 ? result.seconds : 3.0;
            // An unplugged adapter's device node goes away; a link left behind
            // would lead to whatever terminal reuses the number meanwhile.
            if (!options.link.empty()) removeLink(options.link, pty.path());
            pty.close();
            sim.discardInput();
            masterIdleUntil.reset();
            hangupUntil =
                Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
            break;
          }
          case SimBarrier::CommandResult::Quit:
            quit = true;
            break;
        }
      }
    }

    // A hang-up among the commands has closed the master.
    if (masterIndex >= 0 && fds[masterIndex].revents && pty.isOpen()) {
      std::uint8_t buffer[256];
      const ssize_t n = read(pty.master(), buffer, sizeof buffer);
      if (n > 0) {
        const timespec received = monotonicNow();
        if (sim.pendingInput() == 0) {
          requestStart = received;
          requestBytes = 0;
          timing.requestStarted(received);
        }
        requestBytes += n;
        if (demo) demoPlayer.step(sim, std::chrono::duration<double>(Clock::now() - demoStarted).count());
        const std::uint64_t answered = sim.requestCount();
        const auto reply = sim.receive(std::span(buffer, std::size_t(n)));
        if (!reply.empty()) {
          // A barrier has the request's last byte one wire time after the
          // first began; the pseudo-terminal hands all of them over at once.
          timespec start = received;
          if (options.pacing && options.requestPacing)
            start = later(start, plus(requestStart, byteNs(options) * requestBytes));
          const long long waitNs =
              (options.reactionMs + (long long)sim.replyDelayMs() + (long long)sim.takeLateMs()) * 1000000LL;
          start = plus(start, waitNs);
          sleepUntil(start);
          writeReply(pty.master(), reply, start, options, random);
          const bool status = sim.requestCount() > answered && sim.requests().back()[3] == frame::CmdStatus;
          const bool changed = status && reply != lastStatusReply;
          if (status) lastStatusReply = reply;
          timing.replySent(monotonicNow(), changed);
        }
        if (swapAfterRequest != 0 && sim.requestCount() >= swapAfterRequest) {
          swapAfterRequest = 0;
          beginSwap();
        }
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        masterIdleUntil = Clock::now() + IdlePoll;  // EIO: nobody has the slave open
      } else if (fds[masterIndex].revents & (POLLHUP | POLLERR)) {
        masterIdleUntil = Clock::now() + IdlePoll;
      }
    }
  }

  // The path is kept across a hang-up, so the link is removed then too.
  if (!options.link.empty()) removeLink(options.link, pty.path());
  return 0;
}
