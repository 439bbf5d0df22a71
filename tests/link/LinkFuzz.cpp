// The receive path and the request cycle driven by arbitrary input: bytes
// from the line in chunks of any size, interleaved with cycle ticks, the
// status continuation, the user's commands, the port opening and closing and
// a simulated barrier that answers (or not) with states the input chooses.
// Besides the sanitizers' checks, every step must leave the model and the
// link state within their bounds.
#include <cstdlib>

#include "link/Frame.h"
#include "tests/link/LinkRig.h"

namespace {

// One program run's worth of state; built afresh for every input so that a
// crash replays from its input alone.
struct FuzzRig {
  BarrierModel model;
  LinkState state;
  SimLine line;
  EventLog log{QString(), QString()};  // logToFile stays off: no file is written
  RecordingView view;
  DeviceLink link{model, state, line, log, view};

  FuzzRig() {
    log.timeText = [] { return QStringLiteral("12:00:00"); };
    line.isOpenNow = true;
    line.sim.setSilent(true);
  }
};

void check(bool condition) {
  if (!condition) std::abort();
}

void checkInvariants(FuzzRig& r) {
  check(r.state.rxBuffer.size() <= RxBuffer::Capacity);
  check(r.model.shownBeams() <= MaxBeams);
  // Only the version reply sets the beam count here, and it keeps it to 2..8.
  check(r.model.beamCount == 0 || (r.model.beamCount >= 2 && r.model.beamCount <= MaxBeams));
  check(r.model.versionInfo.empty() || r.model.versionInfo.size() == 8);
  check(r.state.readStep <= 2 && r.state.writeStep <= 2);
  check(r.state.linkCounter <= 10);
  check(r.log.lines().size() <= EventLog::MaxLines);
  check(r.link.gauge().progress >= 0 && r.link.gauge().progress < ActivityGauge::Range);
  // Every request that went out is a whole frame.
  for (const auto& request : r.line.written)
    check(request.size() >= 5 && request.size() <= frame::MaxRequestSize + 1 && request[2] == request.size() - 3 &&
          checkByte(std::span(request).first(request.size() - 1)) == request.back());
  r.line.written.clear();
}

// Reads the input front to back; past its end every read gives 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void step(FuzzRig& r, Input& in) {
  const std::uint8_t op = in.next();
  switch (op % 16) {
    default: {  // 0..7: bytes from the line, announced with their count or another
      const std::size_t n = 1 + (op >> 4);
      for (std::size_t i = 0; i < n; ++i) r.line.input.push_back(in.next());
      const std::int32_t waiting = std::int32_t(r.line.input.size());
      const std::int32_t announced = (op & 8) ? std::int32_t(in.next()) * 8 : waiting;
      r.link.onBytesReceived(announced);
      break;
    }
    case 8:  // the answers the simulator queued, as one notification
      if (!r.line.input.empty()) r.link.onBytesReceived(std::int32_t(r.line.input.size()));
      break;
    case 9:
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
      switch ((op >> 5) % 3) {
        case 0:
          r.link.readCommand(toolbar);
          break;
        case 1:
          r.link.sendCommand(toolbar);
          break;
        default:
          r.link.resetCommand(toolbar);
          break;
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
      switch ((op >> 4) % 4) {
        case 0:
          r.line.close();
          break;
        case 1:
          r.line.openable = !r.line.openable;
          break;
        case 2:
          r.line.input.clear();
          break;
        default:
          r.line.sim.setSilent(!r.line.sim.silent());
          break;
      }
      break;
    case 14: {  // the barrier's state
      const std::uint8_t index = in.next();
      const std::uint8_t value = in.next();
      r.line.sim.setStatusByte(index % SimBarrier::StatusSizeLong, value);
      if (op & 0x10) r.line.sim.config()[index % SimBarrier::ConfigSize] = value;
      break;
    }
    case 15: {  // the barrier's shape and faults
      const std::uint8_t value = in.next();
      switch ((op >> 4) % 8) {
        case 0:
          r.line.sim.setStatusSize(value & 1 ? SimBarrier::StatusSizeLong : SimBarrier::StatusSizeShort);
          break;
        case 1:
          r.line.sim.setBeamCount(2 + value % 7);
          break;
        case 2:
          r.line.sim.setBeamByteOverride(value);
          break;
        case 3:
          r.line.sim.setDataReplySize(value % (SimBarrier::MaxDataReplySize + 1));
          break;
        case 4:
          r.line.sim.setData2ReplySize(value % (SimBarrier::MaxData2ReplySize + 1));
          break;
        case 5:
          r.line.sim.damageCheckBytes(value % 4);
          break;
        case 6:
          r.line.sim.cutReplies(value % 4);
          break;
        default:
          r.line.sim.sendOverlong(value % 4);
          break;
      }
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzRig rig;
  Input in(data, size);
  while (!in.done()) {
    step(rig, in);
    checkInvariants(rig);
  }
  return 0;
}
