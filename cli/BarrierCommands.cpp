#include "cli/BarrierCommands.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "cli/DefaultPort.h"
#include "cli/FileCommands.h"
#include "cli/HeadlessLink.h"
#include "cli/StatusReport.h"
#include "files/ConfigFile.h"
#include "files/SettingsStore.h"
#include "journal/JournalPath.h"
#include "journal/JournalWriter.h"
#include "link/JournalRecorder.h"
#include "serial/PortFailureText.h"
#include "texts/UiTexts.h"
#include "util/TerminationSignals.h"
#include "util/VersionText.h"

namespace {

// The configuration bytes the two write requests carry: first index and count.
constexpr std::array<std::pair<std::size_t, std::size_t>, 2> WrittenBlocks{{{0, 12}, {16, 9}}};

// The supply filter starts from zero: a steady reading shows within one step
// of its value after a dozen replies, exactly after 63. A single status
// waits until then, so that it never reports a voltage on its way up.
constexpr int SupplySettledReplies = 64;

// How long a write block sent before a signal may take to be confirmed: the
// reply's own time-out on the port.
constexpr std::chrono::milliseconds BlockInFlightGrace{2000};

std::chrono::milliseconds toMs(double seconds) { return std::chrono::milliseconds(qint64(seconds * 1000)); }

// Now, in ISO 8601 with milliseconds and the local offset, as status --json stamps it.
QString timeNow() {
  const QDateTime now = QDateTime::currentDateTime();
  return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString compact(const QJsonObject& object) {
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// "0–11, 16–24": the configuration bytes of the blocks the barrier confirmed;
// empty when none.
QString blockList(std::uint8_t writeStep) {
  QStringList blocks;
  for (const auto& [first, count] : WrittenBlocks)
    if (writeStep == 0 || (writeStep == 1 && first != 0))
      blocks << QString::number(first) + QChar(0x2013) + QString::number(first + count - 1);
  return blocks.join(QStringLiteral(", "));
}

class Session {
 public:
  Session(const CliRequest& request, const QString& port, const CommandOutput& out, JournalWriter& journal)
      : request_(request),
        out_(out),
        link_(port),
        recorder_(journal, QStringLiteral("orvita-cli ") + commandName(request.command), port),
        deadline_(toMs(request.timeoutSeconds), Qt::PreciseTimer) {
    link_.link.addObserver(&recorder_);
    QObject::connect(&signals_, &TerminationSignals::received, [this](int signalNumber) {
      if (!stoppedBy_) stoppedBy_ = signalNumber;
    });
  }

  ~Session() { link_.link.removeObserver(&recorder_); }

  CommandOutcome run(const BarrierConfig& file) {
    if (!link_.start()) return portFailure();
    if (!waitFor([&] { return link_.model.connected(); })) return noAnswer();
    switch (request_.command) {
      case CliCommand::Identify:
        identify();
        return {};
      default:
        break;
    }
    // Every connection reads the configuration first: it shows which barrier this is.
    if (!waitFor([&] { return link_.state.readStep == 0; })) return noAnswer();
    if (request_.command == CliCommand::Reset) return reset();
    if (request_.command == CliCommand::Read) {
      const QString& path = request_.files[0];
      if (CommandOutcome written = writeConfigArgument(path, link_.model.editConfig, out_); written.exitStatus != 0)
        return written;
      if (path != CliRequest::StandardStream) recorder_.fileSaved(path, link_.model.editConfig);
      return {};
    }
    if (request_.command == CliCommand::Write) return write(file);
    return status();
  }

 private:
  // Runs the link until `done`, the loss of the barrier or `deadline`
  // (the command's time-out when not given).
  // A signal (SIGINT, SIGTERM, SIGHUP) and a closed standard output end every
  // wait as well.
  bool waitFor(const std::function<bool()>& done) { return waitFor(done, deadline_); }
  bool waitFor(const std::function<bool()>& done, QDeadlineTimer deadline) {
    const auto ended = [&] { return stoppedBy_ != 0 || out_.closed(); };
    return link_.runUntil([&] { return done() || link_.lost() || ended(); }, deadline) && !link_.lost() && !ended();
  }

  CommandOutcome portFailure() const { return ::portFailure(link_); }

  void identify() {
    const BarrierModel& model = link_.model;
    const QString identification = link_.identification().mid(1);  // the bar's leading blank is a margin
    if (!request_.json) {
      out_.line(identification);
      out_.line(uiText(UiTexts::txtCliBeamCount) + QStringLiteral(": ") + QString::number(model.beamCount));
      return;
    }
    const QByteArray version(reinterpret_cast<const char*>(model.versionInfo.data()),
                             qsizetype(model.versionInfo.size()));
    out_.line(compact(QJsonObject{
        {QStringLiteral("identification"), identification.trimmed()},
        {QStringLiteral("beamCount"), int(model.beamCount)},
        {QStringLiteral("version"), barrierFirmwareVersion(model.versionInfo)},
        {QStringLiteral("versionDate"), barrierFirmwareDate(model.versionInfo)},
        {QStringLiteral("versionBytes"), QString::fromLatin1(version.toHex().toUpper())},
        {QStringLiteral("port"), link_.port.deviceName()},
    }));
  }

  // Ended by a signal: status 128 + its number, as a shell reports a process it ended.
  CommandOutcome stopped(UiTexts::Id text = UiTexts::txtCliStopped, const QString& blocks = QString()) const {
    QString message = uiText(text).arg(signalName(stoppedBy_));
    if (!blocks.isEmpty()) message = message.arg(blocks);
    return {128 + stoppedBy_, message};
  }

  CommandOutcome noAnswer() const {
    // A write stopped before its first block leaves the barrier as it was.
    if (stoppedBy_)
      return stopped(request_.command == CliCommand::Write ? UiTexts::txtCliStoppedUntouched : UiTexts::txtCliStopped);
    if (out_.closed()) return {};  // the caller reports the output
    return ::noAnswer(link_);
  }

  CommandOutcome write(const BarrierConfig& file) {
    BarrierModel& model = link_.model;
    const int fileBeams = file[BarrierConfig::BeamCount];
    if (fileBeams != model.beamCount && !request_.force)
      return {exitstatus::NoAnswer, uiText(UiTexts::txtCliBeamCountMismatch).arg(fileBeams).arg(model.beamCount)};

    // As the window after "Otwórz" and "Wyślij", to the barrier that answered at the start.
    if (request_.files[0] != CliRequest::StandardStream) recorder_.fileOpened(request_.files[0], file);
    model.editConfig = file;
    link_.link.configurationLoaded();
    link_.link.sendCommand(false);
    if (!waitFor([&] { return link_.state.writeStep == 0; })) {
      if (stoppedBy_) return stoppedWrite();
      return {exitstatus::NoAnswer, uiText(UiTexts::txtCliWriteInterrupted).arg(link_.port.deviceName())};
    }
    // Another barrier answered meanwhile: nothing more was sent, to either.
    if (!link_.replacedNotice().isEmpty()) return {exitstatus::NoAnswer, link_.replacedNotice()};
    // The link drops a write it could not carry as given, and says so.
    if (!link_.notice().isEmpty()) return {exitstatus::NoAnswer, link_.notice()};

    // Read back into a copy that matches the file nowhere, so that a byte
    // the barrier does not send back cannot pass for a written one.
    for (const auto& [first, count] : WrittenBlocks)
      for (std::size_t i = first; i < first + count; ++i) model.deviceConfig[i] = std::uint8_t(~file[i]);
    link_.link.readCommand(false);
    if (!waitFor([&] { return link_.state.readStep == 0; })) return stoppedBy_ ? stoppedWrite() : noAnswer();

    QStringList differing;
    for (const auto& [first, count] : WrittenBlocks)
      for (std::size_t i = first; i < first + count; ++i)
        if (model.deviceConfig[i] != file[i]) differing << QString::number(i);
    if (!differing.isEmpty())
      return {exitstatus::NoAnswer, uiText(UiTexts::txtCliVerifyFailed).arg(differing.join(QStringLiteral(", ")))};
    return {};
  }

  // Done only when the barrier confirms it; another barrier answering in the
  // barrier's place ends it with the link's line naming both.
  CommandOutcome reset() {
    if (stoppedBy_) return stopped();
    link_.link.resetCommand(false);
    // A reset given up on is told once the barrier answering is known again.
    const auto given = [&] {
      return !link_.state.resetPending && !link_.state.connectionUnread && link_.state.check == IdentityCheck::Certain;
    };
    const bool ended = waitFor([&] { return link_.resetConfirmed() || !link_.replacedNotice().isEmpty() || given(); });
    if (!link_.replacedNotice().isEmpty()) return {exitstatus::NoAnswer, link_.replacedNotice()};
    if (!ended) return noAnswer();
    if (!link_.resetConfirmed()) return {exitstatus::NoAnswer, link_.notice()};
    return {};
  }

  // After a signal during a write: the block in flight is confirmed or given
  // up on, nothing more is sent, and the barrier's state is told.
  CommandOutcome stoppedWrite() {
    link_.stop();
    if (link_.writeInFlight())
      link_.runUntil([&] { return !link_.writeInFlight() || link_.lost(); },
                     QDeadlineTimer(BlockInFlightGrace, Qt::PreciseTimer));
    if (!link_.writeSent()) return stopped(UiTexts::txtCliStoppedUntouched);
    if (link_.state.writeStep == 0) return stopped(UiTexts::txtCliStoppedUnchecked);
    const QString confirmed = blockList(link_.state.writeStep);
    if (confirmed.isEmpty()) return stopped(UiTexts::txtCliStoppedUnconfirmed);
    return stopped(UiTexts::txtCliStoppedPartly, confirmed);
  }

  CommandOutcome status() {
    const BarrierModel& model = link_.model;
    const int before = link_.statusReplies();
    const auto settled = [&] {
      const int replies = link_.statusReplies() - before;
      return replies >= SupplySettledReplies ||
             (replies > 0 && std::abs(model.supply.value() - int(model.status.supplyRaw)) <= 1);
    };
    if (!waitFor(settled)) return noAnswer();
    printStatus();
    if (!request_.follow) return {};

    for (;;) {
      const int seen = link_.statusReplies();
      if (!waitFor([&] { return link_.statusReplies() > seen; },
                   QDeadlineTimer(toMs(request_.timeoutSeconds), Qt::PreciseTimer))) {
        if (!request_.reconnect || stoppedBy_ || out_.closed()) return noAnswer();
        if (!awaitReconnection()) return noAnswer();
        continue;
      }
      printStatus();
    }
  }

  // status --follow --reconnect: says the barrier is gone, waits for it as
  // long as it takes, and says when it answers again; with --json as objects
  // among the states, so that a reader tells "no change" from "no barrier".
  // False when a signal or a closed output ended the wait.
  bool awaitReconnection() {
    tellConnection(QStringLiteral("lost"), UiTexts::txtCliLost);
    // The first state after the return is news, whatever it is.
    lastJson_ = {};
    lastLines_.clear();
    // A barrier that fell silent without the link noticing yet is asked for anew.
    if (!link_.lost()) link_.link.onDeviceLost();
    link_.forgetLoss();
    while (!link_.runUntil([&] { return link_.model.connected() || stoppedBy_ != 0 || out_.closed(); },
                           QDeadlineTimer(std::chrono::hours(1))) ||
           !link_.model.connected()) {
      if (stoppedBy_ || out_.closed()) return false;
    }
    link_.forgetLoss();
    tellConnection(QStringLiteral("back"), UiTexts::txtCliBack);
    return true;
  }

  void tellConnection(const QString& event, UiTexts::Id text) {
    const QString port = link_.port.deviceName();
    if (request_.json)
      out_.line(compact(QJsonObject{
          {QStringLiteral("event"), event}, {QStringLiteral("time"), timeNow()}, {QStringLiteral("port"), port}}));
    else
      out_.error(uiText(text).arg(port));
  }

  // Prints the state when it differs from what was printed last.
  void printStatus() {
    const BarrierModel& model = link_.model;
    if (request_.json) {
      QJsonObject state = statusJson(model);
      if (state == lastJson_) return;
      lastJson_ = state;
      state.insert(QStringLiteral("time"), timeNow());
      out_.line(compact(state));
      return;
    }
    const QStringList lines = statusLines(model);
    if (lines == lastLines_) return;
    if (!lastLines_.isEmpty()) out_.line(QString());
    lastLines_ = lines;
    for (const QString& line : lines) out_.line(line);
  }

  const CliRequest& request_;
  const CommandOutput& out_;
  TerminationSignals signals_;
  int stoppedBy_ = 0;
  HeadlessLink link_;
  JournalRecorder recorder_;  // ends its session before the link goes
  QDeadlineTimer deadline_;
  QJsonObject lastJson_;
  QStringList lastLines_;
};

}  // namespace

CommandOutcome portFailure(const HeadlessLink& link) {
  const SerialPort& port = link.port;
  return {exitstatus::PortFailed,
          uiText(UiTexts::txtCliPortNotOpened).arg(port.deviceName(), portFailureText(port, PortAdviceFor::Shell))};
}

CommandOutcome noAnswer(const HeadlessLink& link) {
  // A device that went away and cannot be opened again says why.
  if (!link.port.isOpen() && link.port.lastOpenFailure() != OpenFailure::None) return portFailure(link);
  return {exitstatus::NoAnswer, uiText(UiTexts::txtCliNoAnswer).arg(link.port.deviceName())};
}

QString signalName(int signalNumber) {
  const char* abbreviation = ::sigabbrev_np(signalNumber);
  return abbreviation ? QStringLiteral("SIG") + QString::fromLatin1(abbreviation) : QString::number(signalNumber);
}

std::optional<QString> requestedPort(const CliRequest& request, CommandOutcome& failure) {
  if (!request.port.isEmpty()) return request.port;
  QStringList found;
  const std::optional<QString> chosen = defaultPort(found);
  if (!chosen)
    failure = {exitstatus::Usage,
               uiText(UiTexts::txtCliNoPort)
                   .arg(found.isEmpty() ? uiText(UiTexts::txtCliNoPortsFound) : found.join(QStringLiteral(", ")))};
  return chosen;
}

CommandOutcome runBarrierCommand(const CliRequest& request, const CommandOutput& out) {
  // A file that cannot be loaded stops the write before the barrier is touched.
  BarrierConfig file;
  if (request.command == CliCommand::Write)
    if (const ConfigFileResult result = readConfigArgument(request.files[0], file); !result)
      return fileFailure(request.files[0], result);
  if (const std::optional<CommandOutcome> refused = configOutputRefused(request)) return *refused;
  CommandOutcome failure;
  const std::optional<QString> chosen = requestedPort(request, failure);
  if (!chosen) return failure;
  const QString& port = *chosen;
  // Every command is recorded; status --follow makes a night's record.
  JournalWriter journal({journalPath(), storedJournalDays(SettingsKey)});
  journal.onFault = [&out](const QString& text) { out.error(text); };
  Session session(request, port, out, journal);
  return session.run(file);
}
