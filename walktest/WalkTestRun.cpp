#include "walktest/WalkTestRun.h"

#include <QDateTime>

#include "link/StatusWords.h"

WalkTestRun::WalkTestRun(const BarrierModel& model, const LinkState& state, std::function<qint64()> clock)
    : model_(model),
      state_(state),
      clock_(clock ? std::move(clock) : [] { return QDateTime::currentMSecsSinceEpoch(); }) {}

bool WalkTestRun::barrierReady() const { return model_.connected() && state_.readStep == 0; }

void WalkTestRun::start() {
  startWanted_ = true;
  phase_ = Phase::WaitingForBarrier;
  if (barrierReady()) begin();
  changed();
}

void WalkTestRun::begin() {
  startWanted_ = false;
  test_.emplace(model_.deviceConfig, model_.shownBeams(), clock_());
  phase_ = Phase::Running;
  // The barrier's state as it is now: a contact already open counts as seen.
  if (statusCurrent_) test_->observe(model_.status, clock_());
  announceNext();
}

void WalkTestRun::announceNext() {
  if (!onNext) return;
  if (const auto next = test_->nextItem()) onNext(*next);
}

void WalkTestRun::finish() {
  if (phase_ == Phase::Finished) return;
  startWanted_ = false;
  phase_ = Phase::Finished;
  if (test_ && !test_->finished()) {
    test_->finish(clock_());
    if (onFinished) onFinished(test_->result());
  }
  changed();
}

void WalkTestRun::barrierIdentified(std::span<const std::uint8_t>, int) {
  statusCurrent_ = false;
  changed();
}

void WalkTestRun::barrierLost(LinkLoss) {
  statusCurrent_ = false;
  if (phase_ == Phase::Running) {
    test_->connectionLost(clock_());
    if (onConnectionLost) onConnectionLost();
  }
  changed();
}

void WalkTestRun::configurationRead(const BarrierConfig&) {
  // The link reads the configuration at every identification; a test that
  // waited for it starts now.
  if (startWanted_ && barrierReady()) begin();
  changed();
}

void WalkTestRun::statusChanged(const BarrierStatus& status, std::span<const std::uint8_t>) {
  statusCurrent_ = true;
  if (phase_ != Phase::Running) return;
  const std::vector<std::size_t> passed = test_->observe(status, clock_());
  for (std::size_t item : passed)
    if (onPass) onPass(item);
  if (test_->complete()) {
    finish();
    return;
  }
  if (!passed.empty()) announceNext();
  changed();
}

TestedBarrier testedBarrier(const BarrierModel& model, const QString& adapter) {
  return {identificationText(model).trimmed(), model.shownBeams(), adapter, model.deviceConfig};
}

QJsonObject walkTestDocument(const WalkTestResult& result, const TestedBarrier& barrier) {
  QJsonObject document = result.toJson();
  QString hex;
  for (std::uint8_t byte : barrier.config.bytes) hex += QString::asprintf("%02X", byte);
  document.insert(QStringLiteral("barrier"),
                  QJsonObject{{QStringLiteral("identification"), barrier.identification},
                              {QStringLiteral("beamCount"), barrier.beamCount},
                              {QStringLiteral("serial"), int(barrier.config.transmitterSerial())},
                              {QStringLiteral("adapter"), barrier.adapter},
                              {QStringLiteral("config"), hex}});
  return document;
}

std::optional<StoredWalkTest> readWalkTestDocument(const QJsonObject& document) {
  const auto result = WalkTestResult::fromJson(document);
  const QJsonObject barrier = document.value(QStringLiteral("barrier")).toObject();
  const QByteArray config = QByteArray::fromHex(barrier.value(QStringLiteral("config")).toString().toLatin1());
  if (!result || config.size() != int(BarrierConfig::Size)) return std::nullopt;
  StoredWalkTest stored{*result,
                        {barrier.value(QStringLiteral("identification")).toString(),
                         barrier.value(QStringLiteral("beamCount")).toInt(),
                         barrier.value(QStringLiteral("adapter")).toString(),
                         {}}};
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i) stored.barrier.config[i] = std::uint8_t(config[qsizetype(i)]);
  return stored;
}
