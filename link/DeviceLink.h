#pragma once
// The protocol engine: requests, the receive path with its frame parser,
// reply decoding and the request cycle. It works on the model and link state
// that the main window owns, writes through a SerialLine, logs to the event
// log and reaches the window only through LinkView. Main thread only.
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "eventlog/EventLog.h"
#include "link/ActivityGauge.h"
#include "link/Frame.h"
#include "link/LinkObserver.h"
#include "link/LinkState.h"
#include "link/LinkView.h"
#include "link/TrafficTap.h"
#include "model/BarrierModel.h"
#include "serial/SerialLine.h"
#include "texts/UiTexts.h"

// How notices name a barrier: by its serial number, with its model and
// firmware when that alone does not tell it from `other` (or is unknown).
QString barrierNumber(const BarrierIdentity& barrier, const std::optional<BarrierIdentity>& other = std::nullopt);

// Characters of a notice that two lines of the notice bar hold.
inline constexpr qsizetype NoticeLength = 150;
// `text` (a notice whose %1 lists fields) naming as many of `fields` as a
// notice about `barrier` on `port` holds in NoticeLength, the rest as "…":
// the editors highlight them all.
QString noticeNaming(UiTexts::Id text, const QStringList& fields, const QString& barrier, const QString& port);

class DeviceLink {
 public:
  static constexpr int StatusPauseMs = 10;  // from a reply to the next request
  static constexpr int CycleIntervalMs = 1000;
  static constexpr int RefreshIntervalMs = 600;
  static constexpr std::size_t StagingSize = 1000;

  DeviceLink(BarrierModel& model, LinkState& state, SerialLine& port, EventLog& log, LinkView& view);

  // The port's characters-received notification: read `count` waiting bytes
  // (at most 1000), append, run the parser once, step the activity gauge,
  // and tell the port how many bytes the next run needs (bytesAwaited).
  void onBytesReceived(std::int32_t count);
  // The port closed itself because the device went away (an unplugged
  // adapter): the barrier counts as lost at once, and the next opening
  // identifies it and reads its configuration before anything else.
  void onDeviceLost();
  // One tick of the 1000 ms cycle timer. Every request restarts the timer
  // and every answered reply is followed by the next request, so a tick that
  // finds a barrier identified means a reply went missing or the line was
  // idle: the cable may have moved to another barrier, which is checked
  // before anything else goes out.
  void cycleStep();
  // StatusPauseMs after a reply that answered its request: the next request
  // (the status poll, the next step of pending work, the identity check).
  void statusPauseElapsed();
  // Identification bar from versionInfo; silences the beeper while not connected.
  void refreshIdentification();
  // The identification bar's text for the model as it is now.
  QString identificationText() const;
  // A notice the user must see, naming the barrier last identified by its
  // serial number and port; also logged. An empty text takes the notice away.
  void showNotice(const QString& text);

  // Commands. The toolbar forms also set the buttons; the menu forms leave
  // them to the next refreshEditors. A send ends with the configuration read
  // back, and counts as done only for what that read shows the barrier
  // holds; a reset needs an identified barrier and is refused without one.
  // Nothing that changes the barrier goes out before the barrier answering
  // is known to be the one they were asked of.
  void readCommand(bool fromToolbar);
  void sendCommand(bool fromToolbar);
  void resetCommand(bool fromToolbar);
  // Before the port settings dialog shows: close the port, forget the
  // barrier, show " Brak połączenia.".
  void portSettingsCommand();
  // The editors now hold a configuration opened from a file (editConfig
  // only). While no barrier's configuration has been read, all of it counts
  // as unsent: the next read keeps it and fills deviceConfig.
  void configurationLoaded();
  // Takes unsent edits set aside when another barrier answered back into the
  // editors; a send of them then asks first (editsForAnotherBarrier).
  void restoreSetAsideEdits();
  bool hasSetAsideEdits() const { return state_.setAside.indices != 0; }
  // The barrier the editors' values were made for and the one connected,
  // when they differ (edits taken back); nothing otherwise.
  std::optional<std::pair<BarrierIdentity, BarrierIdentity>> editsForAnotherBarrier() const;

  // Requests.
  void askVersion();
  void askData();
  void askWrite();
  void askStatus();
  void askWrite2();
  void askData2();
  void askReset();

  // One parser run over rxBuffer; hands a verified frame to decodeReply. A
  // receive notification runs it until it takes nothing more off the buffer.
  void parseFrames();
  // Runs the one handler for the frame's command byte; every handler removes
  // the frame from rxBuffer.
  void decodeReply(std::span<const std::uint8_t> frame);
  // What the next parser run needs before it can hand a frame on: the rest of
  // the frame whose length byte is in; else up to the length byte of the next
  // one, since a reply may be shorter than the last; 1 when the buffer holds
  // something to clear away first.
  std::int32_t bytesAwaited() const;
  // A request is out whose reply has not been handled yet.
  bool awaitingReply() const { return awaitingReply_; }

  const ActivityGauge& gauge() const { return gauge_; }

  // Adds one who is told what happens on the link (LinkObserver); it must
  // outlive the link or be removed first. Several may listen.
  void addObserver(LinkObserver* observer);
  void removeObserver(LinkObserver* observer);
  // The one who is shown every frame on the line (the traffic monitor), or
  // nobody; it must outlive the link or be taken away first.
  void setTrafficObserver(TrafficObserver* observer) { traffic_.setObserver(observer); }

 private:
  void send(std::uint8_t command, std::span<const std::uint8_t> payload, int logText);
  void onVersion(std::span<const std::uint8_t> frame);
  void onData(std::span<const std::uint8_t> frame, std::size_t firstIndex);
  void onWriteConfirmed(std::span<const std::uint8_t> frame, std::uint8_t block, int logText);
  void sendBlock(std::uint8_t block, std::uint8_t command, int logText);
  // A (re)connection: the barrier that sent `version` is the one on the line now.
  void identify(std::span<const std::uint8_t> version);
  // Another barrier answers where the identified one did: the one is lost,
  // the other identified and read.
  void replaceBarrier(std::span<const std::uint8_t> version);
  // A reply went missing, the line was idle or a version reply came unasked.
  void doubtIdentity();
  // The check's read of the serial number: does it belong to the barrier read last?
  void checkSerial(std::span<const std::uint8_t> payload);
  // readStep := 2; `keepsEdits` for a read the user did not ask for.
  void startRead(bool keepsEdits);
  void onReset(std::span<const std::uint8_t> frame);
  void onStatus(std::span<const std::uint8_t> frame);
  void discardUnreadable(std::span<const std::uint8_t> frame);
  void removeFrame(std::span<const std::uint8_t> frame);
  // Empties versionInfo and the live status; drops a pending reset; a
  // pending write and the beeper are judged anew once a barrier answers again.
  void forgetBarrier(LinkLoss reason);
  template <typename Call>
  void tellObservers(Call call) {
    for (LinkObserver* o : observers_) call(*o);
  }
  void endRead();
  // The read that just ended into the model: deviceConfig from it, editConfig
  // too except where an unsent edit is kept.
  void takeRead(bool keepEdits);
  // The write under way or just checked, judged by the read that ended: the
  // notice naming what the barrier does not hold, empty when it holds it all.
  QString judgeWrite();
  // Whether `read` is the barrier the editors came from (workBarrier).
  bool isWorkBarrier(const BarrierIdentity& read) const;
  void showGauge();
  // The tick's choice of request: the version while the link is failing or the
  // barrier's identity is in doubt, else the pending work or the status.
  void sendNextRequest();
  // A frame has begun to come in and the line has not gone quiet on it.
  bool replyArriving() const;
  void askForBytes();
  void resumeHeldRequest();
  void forgetRequest();

  BarrierModel& model_;
  LinkState& state_;
  SerialLine& port_;
  EventLog& log_;
  LinkView& view_;
  ActivityGauge gauge_;
  TrafficTap traffic_;
  int awaitedCommand_ = -1;  // of the last request sent
  std::vector<LinkObserver*> observers_;
  // One request at a time: a reply handled while none is awaited (the first
  // of a doubled reply's copies, the answer to a request the tick gave up on)
  // starts no request of its own, and changes nothing but the live status.
  bool awaitingReply_ = false;
  bool frameAnswersRequest_ = false;  // of the frame being decoded
  bool frameTaken_ = false;           // the frame being decoded was readable
  // Status replies since the barrier was identified, up to the number after
  // which the supply filter has settled (its error under 0.3 %); observers
  // hear of the supply from then on.
  static constexpr int SupplySettleReplies = 16;
  int supplyReplies_ = 0;
  // A request held back because a reply was coming in: it goes out once that
  // frame is handled (a retry only if that frame was not its answer).
  enum class Held : std::uint8_t { None, Continuation, Tick, Retry } held_ = Held::None;
  std::int32_t bytesAsked_ = 1;  // what the line was last told to gather
  bool lineWentQuiet_ = false;   // the last hand-off brought fewer: the frame stalled
};
