// The receive path and the request cycle driven by arbitrary input: bytes
// from the line in chunks of any size, interleaved with cycle ticks, the
// status continuation, the user's commands and edits, the port opening,
// closing and its device going away, and a barrier that answers (or not)
// with states and faults the input chooses.
//
// The barrier here is written apart from the program's frame code, so that a
// request or reply the two would read differently shows. There are three of
// them behind the one adapter, and the cable moves between them. Besides the
// sanitizers' checks and the model's bounds, every step must keep the
// program's word: a write it reports done is what the barrier holds, and no
// write or reset reaches a barrier other than the one the user asked it of.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "link/WriteCheck.h"
#include "tests/link/LinkRig.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// FF FF L cmd payload check, the check byte the sum of all before it.
std::uint8_t sumOf(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t b : bytes) sum = std::uint8_t(sum + b);
  return sum;
}

bool wholeFrame(std::span<const std::uint8_t> f) {
  return f.size() >= 5 && f[0] == 0xFF && f[1] == 0xFF && f[2] == f.size() - 3 &&
         sumOf(f.first(f.size() - 1)) == f.back();
}

class OracleBarrier {
 public:
  std::array<std::uint8_t, 32> config{};  // what the barrier holds
  std::array<std::uint8_t, 17> status{};
  std::uint8_t beamByte = 6;
  bool silent = true;
  bool longStatus = false;
  std::size_t dataSize = 12, data2Size = 9;
  unsigned drop = 0, damage = 0, cut = 0, twice = 0;
  bool garbled = false;                  // a damaged or cut reply went out
  int writesTaken = 0, resetsTaken = 0;  // write and reset requests it carried out

  OracleBarrier(std::uint8_t beams, std::uint16_t serial) : beamByte(std::uint8_t(beams - 2)) {
    config[31] = beams;
    config[9] = std::uint8_t(serial >> 8);
    config[10] = std::uint8_t(serial);
  }
  std::uint16_t serial() const { return std::uint16_t(config[9] << 8 | config[10]); }

  // What the program can tell barriers apart by: the version reply, and the
  // serial number where the data reply carries it.
  struct Identity {
    std::uint8_t beamByte = 0;
    std::optional<std::uint16_t> serial;
    bool operator==(const Identity&) const = default;
  };
  Identity identity() const { return {beamByte, dataSize > 10 ? std::optional(serial()) : std::nullopt}; }
  // As it was before its last write request.
  Identity identityBeforeWrite() const {
    return {beamByte, dataSize > 10 ? std::optional(serialBeforeWrite) : std::nullopt};
  }
  std::uint16_t serialBeforeWrite = 0;

  // The reply bytes that `bytes` complete; an unfinished request waits.
  Bytes take(std::span<const std::uint8_t> bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    Bytes out;
    for (;;) {
      std::size_t start = 0;
      while (start + 2 < pending_.size() &&
             !(pending_[start] == 0xFF && pending_[start + 1] == 0xFF && pending_[start + 2] != 0xFF))
        ++start;
      pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(start));
      if (pending_.size() < 3) return out;
      const std::size_t size = std::size_t(pending_[2]) + 3;
      if (pending_[2] < 2) {
        pending_.erase(pending_.begin());
        continue;
      }
      if (pending_.size() < size) return out;
      const Bytes request(pending_.begin(), pending_.begin() + std::ptrdiff_t(size));
      pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(size));
      if (!wholeFrame(request)) {
        pending_.insert(pending_.begin(), request.begin() + 1, request.end());
        continue;
      }
      if (!silent) answer(request[3], std::span(request).subspan(4, size - 5), out);
    }
  }

  void forgetInput() { pending_.clear(); }

 private:
  void answer(std::uint8_t command, std::span<const std::uint8_t> payload, Bytes& out) {
    Bytes reply;
    switch (command) {
      case 0:
        reply = {beamByte, 1, 0, 5, 0x20, 0x21, 7, 0x14};
        break;
      case 1:
        reply.assign(config.begin(), config.begin() + std::ptrdiff_t(dataSize));
        break;
      case 2:
        if (payload.size() != 12) return;
        serialBeforeWrite = serial();
        std::copy(payload.begin(), payload.end(), config.begin());
        ++writesTaken;
        break;
      case 3:
        reply.assign(status.begin(), status.begin() + (longStatus ? 17 : 9));
        break;
      case 4:
        if (payload.size() != 9) return;
        serialBeforeWrite = serial();
        std::copy(payload.begin(), payload.end(), config.begin() + 16);
        ++writesTaken;
        break;
      case 5:
        reply.assign(config.begin() + 16, config.begin() + 16 + std::ptrdiff_t(data2Size));
        break;
      case 6:
        status[7] = 0;
        ++resetsTaken;
        break;
      default:
        return;
    }
    if (drop > 0) {
      --drop;
      return;
    }
    Bytes f{0xFF, 0xFF, std::uint8_t(reply.size() + 2), command};
    f.insert(f.end(), reply.begin(), reply.end());
    f.push_back(sumOf(f));
    if (damage > 0) {
      --damage;
      f.back() ^= 0x01;
      garbled = true;
    }
    if (cut > 0) {
      --cut;
      f.resize(f.size() / 2);
      garbled = true;
    }
    out.insert(out.end(), f.begin(), f.end());
    if (twice > 0) {
      --twice;
      out.insert(out.end(), f.begin(), f.end());
    }
  }

  Bytes pending_;
};

// A: 8 beams, 12345; B: 4 beams, 22222; C: A's version, 33333.
class OracleLine : public QueuedLine {
 public:
  std::array<OracleBarrier, 3> barriers{OracleBarrier(8, 12345), OracleBarrier(4, 22222), OracleBarrier(8, 33333)};
  int attached = 0;  // the barrier at the cable's end; -1 while it moves
  int movingTo = 0;  // where it will be at the next tick
  OracleLine() { isOpenNow = true; }
  // The barrier the line's commands act on: the one attached, or the one the cable moves to.
  OracleBarrier& barrier() { return barriers[std::size_t(attached >= 0 ? attached : movingTo)]; }
  // The cable leaves its barrier for barriers[to], there at the next tick;
  // bytes on their way are lost.
  void moveCable(int to) {
    movingTo = to;
    attached = -1;
    input.clear();
    for (OracleBarrier& b : barriers) b.forgetInput();
  }
  // Requests sent while the cable moves reach nobody.
  Bytes answer(std::span<const std::uint8_t> bytes) override {
    return attached >= 0 ? barriers[std::size_t(attached)].take(bytes) : Bytes{};
  }
};

// One program run's worth of state; built afresh for every input so that a
// crash replays from its input alone.
struct FuzzRig {
  BarrierModel model;
  LinkState state;
  OracleLine line;
  EventLog log{QString(), QString()};  // logToFile stays off: no file is written
  RecordingView view;
  DeviceLink link{model, state, line, log, view};
  bool writeEndedQuietly = false;  // and its outcome is not checked yet
  // The barrier whose configuration the link read last, and those the user's
  // pending write and reset were asked of (-1: the next one read), each as the
  // link read it.
  struct Asked {
    int slot = -1;
    OracleBarrier::Identity seen;
  };
  Asked readFrom, writeFor, resetFor;
  // Bytes that could pass for a reply (two 0xFF in injected bytes, a damaged
  // or cut reply) may forge any barrier's identity: from then on, where a
  // write lands proves nothing.
  bool forgeable = false;
  std::array<int, 3> writesSeen{}, resetsSeen{};
  int noticesAtQuietEnd = 0;
  // Bytes the barrier did not send whole: with a one-byte sum, some of them
  // pass for a reply that nothing can tell from a real one. They are on
  // their way until the buffer's front has passed the last of them.
  bool noiseCame = false;      // in this step
  std::uint64_t noiseEnd = 0;  // where the last of them is in the line's stream
  bool noiseDuringSend = false;

  FuzzRig() {
    log.timeText = [] { return QStringLiteral("12:00:00"); };
    link.addObserver(&reads);
  }

  struct Reads : LinkObserver {
    explicit Reads(FuzzRig* r) : rig(r) {}
    void configurationRead(const BarrierConfig&) override;
    FuzzRig* rig;
  } reads{this};
};

void FuzzRig::Reads::configurationRead(const BarrierConfig&) {
  const int at = rig->line.attached;
  rig->readFrom = {at, at >= 0 ? rig->line.barriers[std::size_t(at)].identity() : OracleBarrier::Identity{}};
  if (rig->writeFor.slot < 0) rig->writeFor = rig->readFrom;
  if (rig->resetFor.slot < 0) rig->resetFor = rig->readFrom;
}

// Aborts naming the invariant's line, so that a crash says which one broke.
void check(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "LinkFuzz.cpp:%d: invariant broken\n", line);
  std::abort();
}
#define CHECK(condition) check(condition, __LINE__)

bool sameBytes(const BarrierConfig& shown, const OracleBarrier& barrier, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i <= last; ++i)
    if (shown[i] != barrier.config[i]) return false;
  return true;
}

void checkInvariants(FuzzRig& r, std::uint8_t writeStepBefore, int noticesBefore) {
  CHECK(r.state.rxBuffer.size() <= RxBuffer::Capacity);
  CHECK(r.model.shownBeams() <= MaxBeams);
  CHECK(r.model.beamCount == 0 || (r.model.beamCount >= 2 && r.model.beamCount <= MaxBeams));
  CHECK(r.model.versionInfo.empty() || r.model.versionInfo.size() == 8);
  CHECK(r.state.readStep <= 2 && r.state.writeStep <= 2);
  CHECK(r.state.linkCounter <= 10);
  CHECK(r.log.lines().size() <= EventLog::MaxLines);
  CHECK(r.link.gauge().progress >= 0 && r.link.gauge().progress < ActivityGauge::Range);
  // Every request that went out is a whole frame of a known command, a
  // write carrying exactly its block.
  for (const auto& request : r.line.written) {
    CHECK(wholeFrame(request) && request[3] <= 6);
    if (request[3] == 2) CHECK(request.size() == 17);
    if (request[3] == 4) CHECK(request.size() == 14);
  }
  r.line.written.clear();
  // A write or a reset lands only on the barrier it was asked of, or one the
  // program cannot tell from it.
  for (std::size_t b = 0; b < r.line.barriers.size(); ++b) {
    const OracleBarrier& barrier = r.line.barriers[b];
    // It showed the identity the link read, or the one the send under way gives it.
    const auto askedOf = [&](const FuzzRig::Asked& asked, OracleBarrier::Identity shown) {
      if (r.forgeable || asked.slot < 0 || asked.slot == int(b) || shown == asked.seen) return true;
      return shown.beamByte == asked.seen.beamByte && (r.state.blocksSent & writecheck::From0) &&
             shown.serial == r.state.sent.transmitterSerial();
    };
    if (barrier.writesTaken != r.writesSeen[b]) CHECK(askedOf(r.writeFor, barrier.identityBeforeWrite()));
    if (barrier.resetsTaken != r.resetsSeen[b]) CHECK(askedOf(r.resetFor, barrier.identity()));
    r.writesSeen[b] = barrier.writesTaken;
    r.resetsSeen[b] = barrier.resetsTaken;
  }
  // A write that ends without a word is done: once nothing is pending (a
  // read-back included), the barrier holds what the window shows as the
  // barrier's, in the bytes each block writes.
  // A send is judged only when no noise could have been read as its replies.
  for (OracleBarrier& barrier : r.line.barriers) {
    if (!barrier.garbled) continue;
    r.noiseCame = true;
    r.forgeable = true;
    r.noiseEnd = r.line.streamEnd();
    barrier.garbled = false;
  }
  r.noiseEnd = std::min(r.noiseEnd, r.line.streamEnd());  // bytes cleared from the line never come
  const bool noiseOnTheWay = r.line.bytesRead - r.state.rxBuffer.size() < r.noiseEnd;
  if (writeStepBefore == 0 && r.state.writeStep != 0) r.noiseDuringSend = false;
  r.noiseDuringSend = r.noiseDuringSend || r.noiseCame || noiseOnTheWay;
  r.noiseCame = false;
  // Another send began (it is judged by its own end), or the program has
  // since said something, even if a later read took it away.
  if (r.state.writeStep != 0 || r.view.noticesSaid != r.noticesAtQuietEnd) r.writeEndedQuietly = false;
  if (writeStepBefore != 0 && r.state.writeStep == 0 && r.view.notice.isEmpty() &&
      r.view.noticesSaid == noticesBefore) {
    r.writeEndedQuietly = true;
    r.noticesAtQuietEnd = r.view.noticesSaid;
  }
  if (r.writeEndedQuietly && r.state.writeStep == 0 && r.state.readStep == 0) {
    r.writeEndedQuietly = false;
    if (r.view.notice.isEmpty() && !r.noiseDuringSend) {
      CHECK(sameBytes(r.model.deviceConfig, r.line.barrier(), 0, 11));
      CHECK(sameBytes(r.model.deviceConfig, r.line.barrier(), 16, 24));
    }
  }
}

// Reads the input front to back; past its end every read gives 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  std::uint8_t peek() const { return at_ < size_ ? data_[at_] : 0; }
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void step(FuzzRig& r, Input& in) {
  const std::uint8_t op = in.next();
  OracleBarrier& barrier = r.line.barrier();
  switch (op % 16) {
    default: {  // 0..7: bytes from the line, announced with their count or another
      const std::size_t n = 1 + (op >> 4);
      for (std::size_t i = 0; i < n; ++i) {
        r.line.input.push_back(in.next());
        if (i > 0 && r.line.input.back() == 0xFF && r.line.input[r.line.input.size() - 2] == 0xFF) r.forgeable = true;
      }
      r.noiseCame = true;
      r.noiseEnd = r.line.streamEnd();
      const std::int32_t waiting = std::int32_t(r.line.input.size());
      const std::int32_t announced = (op & 8) ? std::int32_t(in.next()) * 8 : waiting;
      r.link.onBytesReceived(announced);
      break;
    }
    case 8:  // the answers queued, at once or in the pieces the link asks for
      if (r.line.input.empty()) break;
      if (op & 0x10)
        r.link.onBytesReceived(
            std::int32_t(std::min<std::size_t>(r.line.input.size(), std::size_t(std::max(r.line.rxThreshold, 1)))));
      else
        r.link.onBytesReceived(std::int32_t(r.line.input.size()));
      break;
    case 9:
      // A moved cable is at its next barrier within the tick.
      if (r.line.attached < 0) r.line.attached = r.line.movingTo;
      r.link.cycleStep();
      break;
    case 10:  // the 10 ms continuation; repeated requests merge into one
      if (r.view.scheduled > 0) {
        r.view.scheduled = 0;
        r.link.statusPauseElapsed();
      }
      break;
    case 11: {
      const bool toolbar = op & 0x10;
      switch ((op >> 5) % 4) {
        case 0:
          r.link.readCommand(toolbar);
          break;
        case 1:
          r.link.sendCommand(toolbar);
          r.writeFor = r.readFrom;
          break;
        case 2:
          r.link.resetCommand(toolbar);
          if (r.state.resetPending) r.resetFor = r.readFrom;
          break;
        default: {  // an edit, a file loaded into the editors, or set-aside edits taken back
          const std::uint8_t index = in.next();
          if (index == 0xFF) {
            r.link.restoreSetAsideEdits();
            break;
          }
          r.model.editConfig[index % BarrierConfig::BeamCount] = in.next();
          if (index & 0x80) r.link.configurationLoaded();
          break;
        }
      }
      break;
    }
    case 12:  // the window's switches
      switch ((op >> 4) % 4) {
        case 0:
          r.view.stop = !r.view.stop;
          break;
        case 1:
          r.view.dialog = !r.view.dialog;
          break;
        case 2:
          r.view.logPanel = !r.view.logPanel;
          break;
        default:
          r.link.portSettingsCommand();
          break;
      }
      break;
    case 13:  // the line
      switch ((op >> 4) % 6) {
        case 0:
          r.line.close();
          break;
        case 1:
          r.line.openable = !r.line.openable;
          break;
        case 2:
          r.line.input.clear();
          break;
        case 3:
          barrier.silent = !barrier.silent;
          break;
        case 4:  // the adapter unplugged: the port closed itself
          if (!r.line.isOpenNow) break;
          r.line.isOpenNow = false;
          r.line.input.clear();
          barrier.forgetInput();
          r.link.onDeviceLost();
          break;
        default:  // the cable moves to a barrier behind the same adapter
          r.line.moveCable(in.next() % int(r.line.barriers.size()));
          break;
      }
      break;
    case 14: {  // the barrier's live state
      const std::uint8_t index = in.next();
      barrier.status[index % barrier.status.size()] = in.next();
      break;
    }
    case 15: {  // the barrier's shape and faults
      const std::uint8_t value = in.next();
      switch ((op >> 4) % 8) {
        case 0:
          barrier.longStatus = value & 1;
          break;
        case 1:  // what tells barriers apart: no barrier changes it while it answers,
          barrier.beamByte = value;
          r.line.moveCable(r.line.attached >= 0 ? r.line.attached : r.line.movingTo);  // so another is on the line now
          break;
        case 2:
          barrier.dataSize = value % 18;
          r.line.moveCable(r.line.attached >= 0 ? r.line.attached : r.line.movingTo);
          break;
        case 3:
          barrier.data2Size = value % 17;
          break;
        case 4:
          barrier.damage = value % 4;
          break;
        case 5:
          barrier.cut = value % 4;
          break;
        case 6:
          barrier.drop = value % 4;
          break;
        default:
          barrier.twice = value % 4;
          break;
      }
      break;
    }
  }
}

// With ORVITA_FUZZ_TRACE set, each step and what it sent, for reading a crash.
void trace(const FuzzRig& r, std::uint8_t op) {
  std::fprintf(stderr,
               "op %02X (%2d): at %d%s connected %d check %d unread %d read %d write %d/%d reset %d stale %d"
               " work %d asked w%d r%d sent",
               op, op % 16, r.line.attached, r.line.attached < 0 ? " moving" : "", int(r.model.connected()),
               int(r.state.check), int(r.state.connectionUnread), r.state.readStep, r.state.writeStep,
               r.state.blocksSent, int(r.state.resetPending), int(r.state.writeStale),
               r.state.workBarrier && r.state.workBarrier->serial ? int(*r.state.workBarrier->serial) : -1,
               r.writeFor.slot, r.resetFor.slot);
  std::fprintf(stderr, " | version %d work version %d, barriers' %d %d %d data %zu %zu %zu serial %d %d %d",
               r.model.versionInfo.empty() ? -1 : r.model.versionInfo[0],
               r.state.workBarrier ? r.state.workBarrier->version[0] : -1, r.line.barriers[0].beamByte,
               r.line.barriers[1].beamByte, r.line.barriers[2].beamByte, r.line.barriers[0].dataSize,
               r.line.barriers[1].dataSize, r.line.barriers[2].dataSize, r.line.barriers[0].serial(),
               r.line.barriers[1].serial(), r.line.barriers[2].serial());
  for (const auto& request : r.line.written) std::fprintf(stderr, " %d", request.size() > 3 ? request[3] : -1);
  std::fprintf(stderr, "\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool tracing = std::getenv("ORVITA_FUZZ_TRACE") != nullptr;
  FuzzRig rig;
  Input in(data, size);
  while (!in.done()) {
    const std::uint8_t writeStepBefore = rig.state.writeStep;
    const int noticesBefore = rig.view.noticesSaid;
    const std::uint8_t op = in.peek();
    step(rig, in);
    if (tracing) trace(rig, op);
    checkInvariants(rig, writeStepBefore, noticesBefore);
  }
  return 0;
}
