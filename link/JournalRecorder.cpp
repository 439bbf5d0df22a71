#include "link/JournalRecorder.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

QByteArray bytesOf(std::span<const std::uint8_t> bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

JournalLossReason journalReason(LinkLoss reason) {
  switch (reason) {
    case LinkLoss::Silence:
      return JournalLossReason::Silence;
    case LinkLoss::Unplugged:
      return JournalLossReason::Unplugged;
    case LinkLoss::PortSettings:
      return JournalLossReason::PortSettings;
    case LinkLoss::PortClosed:
      break;
  }
  return JournalLossReason::PortClosed;
}

}  // namespace

AdapterIdentity adapterIdentity(const QString& deviceName, const QString& sysfsRoot, const QString& byIdFolder) {
  QString kernelName = deviceName;
  if (deviceName.contains(QLatin1Char('/'))) {
    const QString target = QFileInfo(deviceName).canonicalFilePath();
    if (!target.startsWith(QStringLiteral("/dev/"))) return {};
    kernelName = target.mid(5);
  }
  AdapterIdentity identity;
  for (const PortChoice& choice : describePorts({kernelName}, sysfsRoot, byIdFolder)) {
    if (identity.description.isEmpty())
      identity.description = QStringList{choice.manufacturer, choice.product}.join(QLatin1Char(' ')).trimmed();
    if (identity.stableName.isEmpty() && choice.name != choice.kernelName) identity.stableName = choice.name;
  }
  return identity;
}

JournalRecorder::JournalRecorder(JournalWriter& writer, const QString& program, const QString& port,
                                 std::function<qint64()> clock)
    : writer_(writer), clock_(clock ? std::move(clock) : [] { return QDateTime::currentMSecsSinceEpoch(); }) {
  writer_.startSession(now(), program, port);
  supplyTimer_.setSingleShot(true);
  QObject::connect(&supplyTimer_, &QTimer::timeout, [this] { writeDueSupply(); });
}

JournalRecorder::~JournalRecorder() { finish(); }

void JournalRecorder::finish() {
  if (finished_) return;
  finished_ = true;
  supplyTimer_.stop();
  if (connected_) barrierLost(LinkLoss::PortClosed);
  writer_.endSession(now());
}

void JournalRecorder::portOpened(const QString& deviceName) {
  const AdapterIdentity adapter = adapterIdentity(deviceName);
  writer_.setPort(deviceName, adapter.description, adapter.stableName);
}

void JournalRecorder::barrierIdentified(std::span<const std::uint8_t> versionInfo, int beamCount) {
  writer_.startConnection(now(), bytesOf(versionInfo), beamCount);
  connected_ = true;
  // A new connection has no supply until its filter settles; the first
  // settled value is written even when it reads as the last connection's.
  shownSupply_.clear();
}

void JournalRecorder::barrierLost(LinkLoss reason) {
  if (!connected_) return;
  supplyTimer_.stop();
  if (!pendingSupply_.isEmpty()) writeSupply();
  writer_.endConnection(now(), journalReason(reason));
  connected_ = false;
}

void JournalRecorder::statusChanged(const BarrierStatus& status, std::span<const std::uint8_t>) {
  writer_.addEvent(now(), JournalEventKind::Status, statusBytes(status));
}

// The shown text changes with almost every reply while the filter settles;
// a row a second keeps the curve and not the noise.
void JournalRecorder::supplyTextChanged(const QString& text) {
  pendingSupply_ = text;
  if (supplyTimer_.isActive()) return;
  const qint64 wait = lastSupplyMs_ + SupplyIntervalMs - now();
  if (lastSupplyMs_ == 0 || wait <= 0)
    writeSupply();
  else
    supplyTimer_.start(std::chrono::milliseconds(wait));
}

void JournalRecorder::writeDueSupply() {
  supplyTimer_.stop();
  const qint64 wait = lastSupplyMs_ + SupplyIntervalMs - now();
  if (wait > 0)
    supplyTimer_.start(std::chrono::milliseconds(wait));
  else
    writeSupply();
}

void JournalRecorder::writeSupply() {
  if (pendingSupply_.isEmpty() || pendingSupply_ == shownSupply_) {
    pendingSupply_.clear();
    return;
  }
  lastSupplyMs_ = now();
  writer_.addEvent(lastSupplyMs_, JournalEventKind::Supply, {}, pendingSupply_.trimmed());
  shownSupply_ = pendingSupply_;
  pendingSupply_.clear();
}

void JournalRecorder::configurationRead(const BarrierConfig& config) {
  const qint64 t = now();
  writer_.setBarrier(t, config.transmitterSerial());
  writer_.addEvent(t, JournalEventKind::ConfigRead, configBytes(config));
}

void JournalRecorder::writeSent(const BarrierConfig& config) {
  writer_.addEvent(now(), JournalEventKind::WriteSent, configBytes(config));
}

void JournalRecorder::writeConfirmed(const BarrierConfig& config) {
  const qint64 t = now();
  writer_.addEvent(t, JournalEventKind::ConfigWritten, configBytes(config));
  // A new serial number is the barrier's from now on.
  writer_.setBarrier(t, config.transmitterSerial());
}

void JournalRecorder::writeDropped(const QString& notice) {
  writer_.addEvent(now(), JournalEventKind::WriteDropped, {}, notice);
}

void JournalRecorder::resetConfirmed() { writer_.addEvent(now(), JournalEventKind::Reset); }

void JournalRecorder::fileOpened(const QString& path, const BarrierConfig& config) {
  writer_.addEvent(now(), JournalEventKind::FileOpened, configBytes(config), path);
}

void JournalRecorder::fileSaved(const QString& path, const BarrierConfig& config) {
  writer_.addEvent(now(), JournalEventKind::FileSaved, configBytes(config), path);
}

void JournalRecorder::walkTest(const QString& json) { writer_.addEvent(now(), JournalEventKind::WalkTest, {}, json); }
