#include "cli/BarrierCommands.h"

#include <QDateTime>
#include <QJsonDocument>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "cli/FileCommands.h"
#include "cli/HeadlessLink.h"
#include "cli/StatusReport.h"
#include "cli/StopSignals.h"
#include "files/ConfigFile.h"
#include "files/SettingsStore.h"
#include "journal/JournalPath.h"
#include "journal/JournalWriter.h"
#include "link/JournalRecorder.h"
#include "serial/PortFailureText.h"
#include "serial/PortSettings.h"
#include "texts/UiTexts.h"

namespace {

// The configuration bytes the two write requests carry: first index and count.
constexpr std::array<std::pair<std::size_t, std::size_t>, 2> WrittenBlocks{{{0, 12}, {16, 9}}};

// The supply filter starts from zero: a steady reading shows within one step
// of its value after a dozen replies, exactly after 63. A single status
// waits until then, so that it never reports a voltage on its way up.
constexpr int SupplySettledReplies = 64;

std::chrono::milliseconds toMs(double seconds) { return std::chrono::milliseconds(qint64(seconds * 1000)); }

class Session {
 public:
  Session(const CliRequest& request, const LineSink& out, JournalWriter& journal)
      : request_(request),
        out_(out),
        link_(request.port.isEmpty() ? readPortSettings(SettingsKey).deviceName : request.port),
        recorder_(journal, QStringLiteral("orvita-cli ") + commandName(request.command), link_.port.deviceName()),
        deadline_(toMs(request.timeoutSeconds), Qt::PreciseTimer) {
    link_.link.addObserver(&recorder_);
  }
  ~Session() { link_.link.removeObserver(&recorder_); }

  CommandOutcome run(const BarrierConfig& file) {
    if (request_.follow) catchStopSignals();
    if (!link_.start()) return portFailure();
    if (!waitFor([&] { return link_.model.connected(); })) return noAnswer();
    switch (request_.command) {
      case CliCommand::Identify:
        out_(link_.identification().mid(1));  // the bar's leading blank is a margin
        out_(uiText(UiTexts::txtCliBeamCount) + QStringLiteral(": ") + QString::number(link_.model.beamCount));
        return {};
      case CliCommand::Reset:
        link_.link.resetCommand(false);
        if (!waitFor([&] { return !link_.state.resetPending; })) return noAnswer();
        return {};
      default:
        break;
    }
    // Every connection reads the configuration first.
    if (!waitFor([&] { return link_.state.readStep == 0; })) return noAnswer();
    if (request_.command == CliCommand::Read) {
      if (const ConfigFileResult result = writeConfigFile(request_.files[0], link_.model.editConfig); !result)
        return fileFailure(request_.files[0], result.message());
      recorder_.fileSaved(request_.files[0], link_.model.editConfig);
      return {};
    }
    if (request_.command == CliCommand::Write) return write(file);
    return status();
  }

 private:
  // Runs the link until `done`, the loss of the barrier or `deadline`
  // (the command's time-out when not given).
  bool waitFor(const std::function<bool()>& done) { return waitFor(done, deadline_); }
  bool waitFor(const std::function<bool()>& done, QDeadlineTimer deadline) {
    // A stop (status --follow only) ends every wait; status() then returns.
    return link_.runUntil([&] { return done() || link_.lost() || stopRequested(); }, deadline) && !link_.lost();
  }

  CommandOutcome portFailure() const {
    const SerialPort& port = link_.port;
    return {exitstatus::PortFailed,
            port.deviceName() + uiText(UiTexts::txtClosed) + QStringLiteral(": ") + portFailureText(port)};
  }

  CommandOutcome noAnswer() const {
    // A device that went away and cannot be opened again says why.
    if (!link_.port.isOpen() && link_.port.lastOpenFailure() != OpenFailure::None) return portFailure();
    return {exitstatus::NoAnswer, uiText(UiTexts::txtCliNoAnswer).arg(link_.port.deviceName())};
  }

  CommandOutcome write(const BarrierConfig& file) {
    BarrierModel& model = link_.model;
    const int fileBeams = file[BarrierConfig::BeamCount];
    if (fileBeams != model.beamCount && !request_.force)
      return {exitstatus::NoAnswer, uiText(UiTexts::txtCliBeamCountMismatch).arg(fileBeams).arg(model.beamCount)};

    // As the window after "Otwórz" and "Wyślij".
    recorder_.fileOpened(request_.files[0], file);
    model.editConfig = file;
    model.deviceConfig = file;
    link_.link.sendCommand(false);
    if (!waitFor([&] { return link_.state.writeStep == 0; }))
      return {exitstatus::NoAnswer, uiText(UiTexts::txtCliWriteInterrupted).arg(link_.port.deviceName())};
    // The link drops a write it could not carry as given, and says so.
    if (!link_.notice().isEmpty()) return {exitstatus::NoAnswer, link_.notice()};

    // Read back into a copy that matches the file nowhere, so that a byte
    // the barrier does not send back cannot pass for a written one.
    for (const auto& [first, count] : WrittenBlocks)
      for (std::size_t i = first; i < first + count; ++i) model.deviceConfig[i] = std::uint8_t(~file[i]);
    link_.link.readCommand(false);
    if (!waitFor([&] { return link_.state.readStep == 0; })) return noAnswer();

    QStringList differing;
    for (const auto& [first, count] : WrittenBlocks)
      for (std::size_t i = first; i < first + count; ++i)
        if (model.deviceConfig[i] != file[i]) differing << QString::number(i);
    if (!differing.isEmpty())
      return {exitstatus::NoAnswer, uiText(UiTexts::txtCliVerifyFailed).arg(differing.join(QStringLiteral(", ")))};
    return {};
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
    if (stopRequested()) return {};
    printStatus();
    if (!request_.follow) return {};

    for (;;) {
      const int seen = link_.statusReplies();
      if (!waitFor([&] { return link_.statusReplies() > seen; },
                   QDeadlineTimer(toMs(request_.timeoutSeconds), Qt::PreciseTimer)))
        return noAnswer();
      if (stopRequested()) return {};
      printStatus();
    }
  }

  // Prints the state when it differs from what was printed last.
  void printStatus() {
    const BarrierModel& model = link_.model;
    if (request_.json) {
      QJsonObject state = statusJson(model);
      if (state == lastJson_) return;
      lastJson_ = state;
      const QDateTime now = QDateTime::currentDateTime();
      state.insert(QStringLiteral("time"), now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs));
      out_(QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact)));
      return;
    }
    const QStringList lines = statusLines(model);
    if (lines == lastLines_) return;
    if (!lastLines_.isEmpty()) out_(QString());
    lastLines_ = lines;
    for (const QString& line : lines) out_(line);
  }

  const CliRequest& request_;
  const LineSink& out_;
  HeadlessLink link_;
  JournalRecorder recorder_;  // ends its session before the link goes
  QDeadlineTimer deadline_;
  QJsonObject lastJson_;
  QStringList lastLines_;
};

}  // namespace

CommandOutcome runBarrierCommand(const CliRequest& request, const LineSink& out) {
  // A file that cannot be loaded stops the write before the barrier is touched.
  BarrierConfig file;
  if (request.command == CliCommand::Write)
    if (const ConfigFileResult result = readConfigFile(request.files[0], file); !result)
      return fileFailure(request.files[0], result.message());
  // Every command is recorded; status --follow makes a night's record.
  JournalWriter journal({journalPath(), storedJournalDays(SettingsKey)});
  journal.onFault = [](const QString& text) {
    std::fputs(qPrintable(QStringLiteral("orvita-cli: ") + text + QLatin1Char('\n')), stderr);
  };
  Session session(request, out, journal);
  return session.run(file);
}
