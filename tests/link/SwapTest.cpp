// The cable moved from barrier A to another while work was pending, after a
// silence of any length: nothing the user asked of A reaches the other, the
// notice names both, and the editors show what the barrier on the line holds.
// Time is the rig's: the 10 ms pause and the 1000 ms tick as the window's
// timers run them, each reply in at once, so 8 s of silence cost no wall time.
#include <gtest/gtest.h>

#include <functional>

#include "link/Frame.h"
#include "tests/link/LinkRig.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The link's timers on a clock of the test's own.
struct TimedRig : LinkRig {
  qint64 now = 0;

  // Runs the pause and the tick as they fall due until `done` holds after
  // one of them, or `ms` have passed; false then.
  bool runUntil(const std::function<bool()>& done, qint64 ms) {
    const qint64 end = now + ms;
    settle();
    while (!done()) {
      const qint64 due = pauseDue_ >= 0 ? std::min(pauseDue_, tickDue_) : tickDue_;
      if (due > end) {
        now = end;
        return false;
      }
      now = due;
      if (due == pauseDue_) {
        pauseDue_ = -1;
        link.statusPauseElapsed();
      } else {
        tickDue_ = now + DeviceLink::CycleIntervalMs;
        link.cycleStep();
      }
      deliver();
      settle();
    }
    return true;
  }
  void runFor(qint64 ms) {
    runUntil([] { return false; }, ms);
  }

 private:
  // One pause timer, restarted by each request for it; the tick a whole
  // interval after the last request.
  void settle() {
    if (view.scheduled > 0) {
      view.scheduled = 0;
      pauseDue_ = now + DeviceLink::StatusPauseMs;
    }
    if (view.restarts != restarts_) {
      restarts_ = view.restarts;
      tickDue_ = now + DeviceLink::CycleIntervalMs;
    }
  }
  qint64 pauseDue_ = -1;
  qint64 tickDue_ = DeviceLink::CycleIntervalMs;
  int restarts_ = 0;
};

// What observers (the journal) are told, one word each.
struct Told : LinkObserver {
  QStringList events;
  void barrierIdentified(std::span<const std::uint8_t>, int beams) override {
    events << QStringLiteral("identified %1").arg(beams);
  }
  void barrierLost(LinkLoss) override { events << QStringLiteral("lost"); }
  void statusChanged(const BarrierStatus&, std::span<const std::uint8_t>) override {
    events << QStringLiteral("status");
  }
  void configurationRead(const BarrierConfig& c) override {
    events << QStringLiteral("read %1").arg(c.transmitterSerial());
  }
  void barrierReplaced(const BarrierIdentity& was, const BarrierIdentity& now, const QString&) override {
    events << QStringLiteral("replaced %1 %2").arg(was.serial.value_or(0)).arg(now.serial.value_or(0));
  }
};

void setSerial(SimBarrier& barrier, std::uint16_t serial) {
  barrier.config()[BarrierConfig::SerialHigh] = std::uint8_t(serial >> 8);
  barrier.config()[BarrierConfig::SerialLow] = std::uint8_t(serial);
}

// A: 8 beams, 12345, two beams in the block memory.
SimBarrier barrierA() {
  SimBarrier a;
  const Bytes block{0x00, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x30, 0x39, 0x0A};
  std::copy(block.begin(), block.end(), a.config().begin());
  a.config()[BarrierConfig::AutoBlockTime] = 30;
  a.status()[SimBarrier::StBlockMemory] = 0x03;
  return a;
}

// B: another version (4 beams), 22222, beams 5 to 8 switched off, block memory 0F.
SimBarrier barrierB() {
  SimBarrier b;
  b.setBeamCount(4);
  const Bytes block{0x01, 0x0A, 0x0A, 0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x56, 0xCE, 0x14};
  std::copy(block.begin(), block.end(), b.config().begin());
  b.config()[BarrierConfig::AutoBlockTime] = 10;
  b.status()[SimBarrier::StBlockMemory] = 0x0F;
  return b;
}

// C: A's version bytes, 33333.
SimBarrier barrierC() {
  SimBarrier c = barrierA();
  setSerial(c, 33333);
  c.config()[BarrierConfig::MaxCoveredTime] = 30;
  c.status()[SimBarrier::StBlockMemory] = 0x0C;
  return c;
}

constexpr std::uint8_t UnsentCoveredTime = 25;  // the user's edit of A's "Maks. czas zasł."

struct Moment {
  const char* name;
  std::function<void(TimedRig&)> ask;        // the work, asked of A
  std::function<bool(TimedRig&)> cutWhen;    // the cable moves once this holds
  std::function<void(TimedRig&)> whileAway;  // asked while nothing answers
  bool sending;
};

const Moment Moments[] = {
    {"a send, after its first block",
     [](TimedRig& r) { r.link.sendCommand(true); },
     [](TimedRig& r) { return r.state.writeStep == 1; },
     {},
     true},
    {"a send, after its second block",
     [](TimedRig& r) { r.link.sendCommand(true); },
     [](TimedRig& r) { return r.state.writeStep == 0 && r.state.writeCheckPending; },
     {},
     true},
    {"a reset asked while the barrier is silent",
     {},
     [](TimedRig&) { return true; },
     [](TimedRig& r) { r.link.resetCommand(true); },
     false},
    {"a read",
     [](TimedRig& r) { r.link.readCommand(true); },
     [](TimedRig& r) { return r.state.readStep == 1; },
     {},
     false},
};

const double Silences[] = {0.5, 1, 2, 3.5, 4, 5.5, 8};

bool wrote(const SimBarrier& barrier) {
  for (const auto& request : barrier.requests())
    if (request[3] == frame::CmdWrite || request[3] == frame::CmdWrite2 || request[3] == frame::CmdReset) return true;
  return false;
}

// A ready to work: read, one edit not sent yet, polling.
void connectToA(TimedRig& rig, Told& told) {
  rig.line.sim = barrierA();
  rig.link.addObserver(&told);
  ASSERT_TRUE(rig.runUntil([&] { return rig.model.connected() && rig.state.readStep == 0; }, 5000));
  rig.model.editConfig[BarrierConfig::MaxCoveredTime] = UnsentCoveredTime;
  rig.runFor(200);
}

// The cable leaves A when the moment comes, and after `silence` seconds
// `next` answers in its place; given what A holds then, the same barrier back.
void moveCable(TimedRig& rig, const Moment& moment, double silence,
               const std::function<SimBarrier(const SimBarrier& left)>& next) {
  if (moment.ask) moment.ask(rig);
  ASSERT_TRUE(rig.runUntil([&] { return moment.cutWhen(rig); }, 10000));
  rig.line.sim.setSilent(true);
  rig.line.sim.discardInput();
  const qint64 away = qint64(silence * 1000);
  if (moment.whileAway) {
    rig.runFor(away / 2);
    moment.whileAway(rig);
  }
  rig.runFor(away - (moment.whileAway ? away / 2 : 0));
  rig.line.sim = next(rig.line.sim);
  rig.line.sim.clearRequests();
  rig.runFor(20000);
}

}  // namespace

TEST(Swap, NothingAskedOfOneBarrierReachesAnotherAndTheNoticeNamesBoth) {
  const std::pair<const char*, SimBarrier> others[] = {{"B: another version and beam count", barrierB()},
                                                       {"C: the same version, another serial number", barrierC()}};
  for (auto [otherName, other] : others)
    for (const Moment& moment : Moments)
      for (double silence : Silences) {
        SCOPED_TRACE(std::string(otherName) + ", " + moment.name + ", silent " + std::to_string(silence) + " s");
        TimedRig rig;
        Told told;
        connectToA(rig, told);
        const int otherSerial =
            other.config()[BarrierConfig::SerialHigh] * 256 + other.config()[BarrierConfig::SerialLow];
        told.events.clear();
        moveCable(rig, moment, silence, [&](const SimBarrier&) { return other; });

        EXPECT_FALSE(wrote(rig.line.sim)) << "a write or a reset frame reached it";
        EXPECT_EQ(rig.line.sim.config(), other.config());
        // What it sends is its own from its identification on, never A's.
        ASSERT_FALSE(told.events.isEmpty());
        EXPECT_EQ(told.events.first(), "lost") << told.events.join(", ").toStdString();
        EXPECT_TRUE(told.events.contains(QStringLiteral("replaced 12345 %1").arg(otherSerial)));

        const QString notice = rig.view.notice;
        EXPECT_TRUE(notice.startsWith(QStringLiteral("Bariera nr %1 (ttyUSB0): ").arg(otherSerial)))
            << notice.toStdString();
        EXPECT_TRUE(notice.contains(uiText(UiTexts::txtOtherBarrier).arg(12345))) << notice.toStdString();
        if (moment.sending) {
          EXPECT_TRUE(notice.contains(uiText(UiTexts::txtSwapWriteInterrupted).arg(12345))) << notice.toStdString();
        }
        if (moment.whileAway) {
          EXPECT_TRUE(notice.contains(uiText(UiTexts::txtSwapResetNotDone).arg(12345))) << notice.toStdString();
        }
        EXPECT_TRUE(notice.contains(uiText(UiTexts::txtEditsSetAside).arg(12345))) << notice.toStdString();

        // The editors show what the barrier on the line holds, its beam count too.
        for (std::size_t i : {0, 1, 5, 9, 10, 11, 16, 17, 31})
          EXPECT_EQ(rig.model.editConfig[i], other.config()[i]) << i;
        EXPECT_EQ(rig.model.deviceConfig, rig.model.editConfig);
        EXPECT_EQ(rig.model.beamCount, other.beamCount());

        // The edits made for A come back when asked for, and sending them asks.
        EXPECT_GE(rig.view.setAsideOffers, 1);
        rig.link.restoreSetAsideEdits();
        EXPECT_EQ(rig.model.editConfig[BarrierConfig::MaxCoveredTime], UnsentCoveredTime);
        // Only what was unsent: a send carried all it writes, an edit itself alone.
        EXPECT_EQ(rig.model.editConfig[BarrierConfig::SerialLow],
                  moment.sending ? 0x39 : other.config()[BarrierConfig::SerialLow]);
        const auto barriers = rig.link.editsForAnotherBarrier();
        ASSERT_TRUE(barriers.has_value());
        EXPECT_EQ(barriers->first.serial, 12345);
        EXPECT_EQ(barriers->second.serial, std::uint16_t(otherSerial));
      }
}

// Back on the same barrier: a silence the link outlasts lets the work go on
// where it was; a longer one loses the barrier, and the work is judged as
// after any loss. Nothing is set aside either way.
TEST(Swap, TheSameBarrierBackGoesOnWithTheWork) {
  for (const Moment& moment : Moments)
    for (double silence : Silences) {
      SCOPED_TRACE(std::string(moment.name) + ", silent " + std::to_string(silence) + " s");
      TimedRig rig;
      Told told;
      connectToA(rig, told);
      const bool lost = silence > 5;
      moveCable(rig, moment, silence, [](const SimBarrier& left) {
        SimBarrier back = left;
        back.setSilent(false);
        return back;
      });

      EXPECT_FALSE(rig.view.notice.contains(uiText(UiTexts::txtOtherBarrier).arg(12345)))
          << rig.view.notice.toStdString();
      EXPECT_FALSE(rig.link.hasSetAsideEdits());
      EXPECT_EQ(rig.view.setAsideOffers, 0);
      EXPECT_EQ(told.events.contains(QStringLiteral("lost")), lost) << told.events.join(", ").toStdString();
      if (moment.sending && !lost) {
        EXPECT_EQ(rig.line.sim.config()[BarrierConfig::MaxCoveredTime], UnsentCoveredTime);
        EXPECT_TRUE(rig.view.notice.isEmpty()) << rig.view.notice.toStdString();
      }
      if (moment.whileAway) {
        EXPECT_EQ(rig.line.sim.status()[SimBarrier::StBlockMemory], lost ? 0x03 : 0x00);
        EXPECT_EQ(rig.view.notice.contains(uiText(UiTexts::txtResetNotDone)), lost);
      }
      if (!moment.sending && !lost) {
        EXPECT_EQ(rig.model.editConfig[BarrierConfig::MaxCoveredTime],
                  moment.ask ? 0x0A : UnsentCoveredTime);  // a read the user asked for replaces the edit
      }
      EXPECT_EQ(rig.state.writeStep, 0);
      EXPECT_EQ(rig.state.readStep, 0);
    }
}
