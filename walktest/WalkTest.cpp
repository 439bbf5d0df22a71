#include "walktest/WalkTest.h"

#include <QDateTime>
#include <QJsonArray>
#include <array>

namespace {

constexpr std::array<std::pair<WalkItemKind, const char*>, 5> KindKeys{{
    {WalkItemKind::Beam, "beam"},
    {WalkItemKind::TransmitterTamper, "transmitterTamper"},
    {WalkItemKind::ReceiverTamper, "receiverTamper"},
    {WalkItemKind::AlarmOutput, "alarmOutput"},
    {WalkItemKind::TamperOutput, "tamperOutput"},
}};

constexpr std::array<std::pair<WalkOutcome, const char*>, 3> OutcomeKeys{{
    {WalkOutcome::Passed, "passed"},
    {WalkOutcome::NotPassed, "not passed"},
    {WalkOutcome::NotTested, "not tested"},
}};

QJsonValue timeValue(qint64 ms) {
  if (ms == 0) return QJsonValue::Null;
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
  return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

std::optional<qint64> timeFrom(const QJsonValue& value) {
  if (value.isNull() || value.isUndefined()) return qint64(0);
  const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
  if (!time.isValid()) return std::nullopt;
  return time.toMSecsSinceEpoch();
}

// Volts as the picture shows a reading: one decimal.
double volts(std::uint8_t raw) { return SupplyFilter::voltsText(raw).trimmed().toDouble(); }

QJsonArray beamArray(std::uint8_t beams) {
  QJsonArray list;
  for (int b = 1; b <= MaxBeams; ++b)
    if (beams & beamBit(b)) list.append(b);
  return list;
}

std::uint8_t beamsFrom(const QJsonArray& list) {
  std::uint8_t beams = 0;
  for (const QJsonValue& value : list) beams |= beamBit(value.toInt());
  return beams;
}

// The JSON names of an item's two times.
std::pair<QString, QString> timeKeys(WalkItemKind kind) {
  switch (kind) {
    case WalkItemKind::Beam:
      return {QStringLiteral("interrupted"), QStringLiteral("cleared")};
    case WalkItemKind::TransmitterTamper:
    case WalkItemKind::ReceiverTamper:
      return {QStringLiteral("opened"), QStringLiteral("closed")};
    case WalkItemKind::AlarmOutput:
    case WalkItemKind::TamperOutput:
      break;
  }
  return {QStringLiteral("active"), QStringLiteral("inactive")};
}

}  // namespace

QString walkItemKey(WalkItemKind kind) {
  for (const auto& [k, key] : KindKeys)
    if (k == kind) return QString::fromLatin1(key);
  return {};
}

QString walkOutcomeKey(WalkOutcome outcome) {
  for (const auto& [o, key] : OutcomeKeys)
    if (o == outcome) return QString::fromLatin1(key);
  return {};
}

// ---- The test -----------------------------------------------------------------

WalkTest::WalkTest(const BarrierConfig& deviceConfig, int beamCount, qint64 nowMs) {
  result_.startedMs = nowMs;
  result_.beamCount = std::clamp(beamCount, 0, MaxBeams);
  for (int b = 1; b <= result_.beamCount; ++b) {
    WalkItem beam{WalkItemKind::Beam, b};
    if (deviceConfig[BarrierConfig::responseTime(b)] == 0) beam.outcome = WalkOutcome::NotTested;
    result_.items.push_back(beam);
  }
  for (WalkItemKind kind : {WalkItemKind::TransmitterTamper, WalkItemKind::ReceiverTamper, WalkItemKind::AlarmOutput,
                            WalkItemKind::TamperOutput})
    result_.items.push_back(WalkItem{kind});
}

bool WalkTest::isOn(const WalkItem& item, const BarrierStatus& status) const {
  switch (item.kind) {
    case WalkItemKind::Beam:
      // Alert is what the picture shows; alarm is what the barrier counted.
      return ((status.beamsAlert | status.beamsAlarm) & beamBit(item.beam)) != 0;
    case WalkItemKind::TransmitterTamper:
      return status.statusFlags & statusflag::TransmitterTamper;
    case WalkItemKind::ReceiverTamper:
      return status.statusFlags & statusflag::ReceiverTamper;
    case WalkItemKind::AlarmOutput:
      return status.statusFlags & statusflag::AlarmOutput;
    case WalkItemKind::TamperOutput:
      return status.statusFlags & statusflag::TamperOutput;
  }
  return false;
}

std::vector<std::size_t> WalkTest::observe(const BarrierStatus& status, qint64 nowMs) {
  std::vector<std::size_t> passed;
  if (finished()) return passed;
  const std::uint8_t raw = status.supplyRaw;
  if (!result_.supplyMin || raw < *result_.supplyMin) result_.supplyMin = raw;
  if (!result_.supplyMax || raw > *result_.supplyMax) result_.supplyMax = raw;
  std::uint8_t tested = 0;
  for (const WalkItem& item : result_.items)
    if (item.kind == WalkItemKind::Beam && item.outcome != WalkOutcome::NotTested) tested |= beamBit(item.beam);
  result_.beams50 |= status.beams50 & tested;
  result_.beamsNar |= status.beamsNar & tested;
  if (status.statusFlags & statusflag::LowSupply) result_.lowSupply = true;

  for (std::size_t i = 0; i < result_.items.size(); ++i) {
    WalkItem& item = result_.items[i];
    if (item.outcome != WalkOutcome::NotPassed) continue;
    if (isOn(item, status)) {
      if (item.seenMs == 0) item.seenMs = nowMs;
      if (item.kind == WalkItemKind::Beam && (status.statusFlags & statusflag::AlarmOutput)) item.alarmOutput = true;
    } else if (item.seenMs != 0) {
      item.clearedMs = nowMs;
      item.outcome = WalkOutcome::Passed;
      passed.push_back(i);
    }
  }
  return passed;
}

void WalkTest::connectionLost(qint64 nowMs) {
  if (finished()) return;
  result_.connectionLosses.push_back(nowMs);
  for (WalkItem& item : result_.items)
    if (item.outcome == WalkOutcome::NotPassed) {
      item.seenMs = 0;
      item.alarmOutput = false;
    }
}

void WalkTest::finish(qint64 nowMs) {
  if (!finished()) result_.endedMs = nowMs;
}

bool WalkTest::complete() const { return !nextItem(); }

std::optional<std::size_t> WalkTest::nextItem() const {
  for (std::size_t i = 0; i < result_.items.size(); ++i)
    if (result_.items[i].outcome == WalkOutcome::NotPassed) return i;
  return std::nullopt;
}

// ---- The result -------------------------------------------------------------

bool WalkTestResult::passed() const {
  for (const WalkItem& item : items)
    if (item.outcome == WalkOutcome::NotPassed) return false;
  return true;
}

QJsonObject WalkTestResult::toJson() const {
  QJsonArray list;
  for (const WalkItem& item : items) {
    QJsonObject entry{{QStringLiteral("item"), walkItemKey(item.kind)}};
    if (item.kind == WalkItemKind::Beam) entry.insert(QStringLiteral("beam"), item.beam);
    entry.insert(QStringLiteral("result"), walkOutcomeKey(item.outcome));
    if (item.outcome != WalkOutcome::NotTested) {
      const auto [seen, cleared] = timeKeys(item.kind);
      entry.insert(seen, timeValue(item.seenMs));
      entry.insert(cleared, timeValue(item.clearedMs));
    }
    if (item.kind == WalkItemKind::Beam && item.outcome != WalkOutcome::NotTested)
      entry.insert(QStringLiteral("alarmOutput"), item.alarmOutput);
    list.append(entry);
  }
  QJsonArray warnings;
  if (beams50) warnings.append(QJsonObject{{"warning", "half"}, {"beams", beamArray(beams50)}});
  if (beamsNar) warnings.append(QJsonObject{{"warning", "nar"}, {"beams", beamArray(beamsNar)}});
  if (lowSupply) warnings.append(QJsonObject{{"warning", "lowSupply"}});
  for (qint64 ms : connectionLosses)
    warnings.append(QJsonObject{{"warning", "connectionLost"}, {"time", timeValue(ms)}});
  return QJsonObject{
      {QStringLiteral("result"), passed() ? QStringLiteral("passed") : QStringLiteral("failed")},
      {QStringLiteral("started"), timeValue(startedMs)},
      {QStringLiteral("ended"), timeValue(endedMs)},
      {QStringLiteral("beamCount"), beamCount},
      {QStringLiteral("items"), list},
      {QStringLiteral("supplyMin"), supplyMin ? QJsonValue(volts(*supplyMin)) : QJsonValue()},
      {QStringLiteral("supplyMax"), supplyMax ? QJsonValue(volts(*supplyMax)) : QJsonValue()},
      // The readings themselves, so that a record printed later shows what was seen.
      {QStringLiteral("supplyMinRaw"), supplyMin ? QJsonValue(*supplyMin) : QJsonValue()},
      {QStringLiteral("supplyMaxRaw"), supplyMax ? QJsonValue(*supplyMax) : QJsonValue()},
      {QStringLiteral("warnings"), warnings},
  };
}

std::optional<WalkTestResult> WalkTestResult::fromJson(const QJsonObject& json) {
  WalkTestResult result;
  const auto started = timeFrom(json.value(QStringLiteral("started")));
  const auto ended = timeFrom(json.value(QStringLiteral("ended")));
  if (!started || !ended || !json.value(QStringLiteral("items")).isArray()) return std::nullopt;
  result.startedMs = *started;
  result.endedMs = *ended;
  result.beamCount = json.value(QStringLiteral("beamCount")).toInt();
  for (const QJsonValue& value : json.value(QStringLiteral("items")).toArray()) {
    const QJsonObject entry = value.toObject();
    WalkItem item;
    bool known = false;
    for (const auto& [kind, key] : KindKeys)
      if (entry.value(QStringLiteral("item")).toString() == QLatin1String(key)) item.kind = kind, known = true;
    if (!known) return std::nullopt;
    known = false;
    for (const auto& [outcome, key] : OutcomeKeys)
      if (entry.value(QStringLiteral("result")).toString() == QLatin1String(key)) item.outcome = outcome, known = true;
    if (!known) return std::nullopt;
    item.beam = entry.value(QStringLiteral("beam")).toInt();
    const auto [seenKey, clearedKey] = timeKeys(item.kind);
    const auto seen = timeFrom(entry.value(seenKey));
    const auto cleared = timeFrom(entry.value(clearedKey));
    if (!seen || !cleared) return std::nullopt;
    item.seenMs = *seen;
    item.clearedMs = *cleared;
    item.alarmOutput = entry.value(QStringLiteral("alarmOutput")).toBool();
    result.items.push_back(item);
  }
  for (auto [key, field] :
       {std::pair{"supplyMinRaw", &WalkTestResult::supplyMin}, std::pair{"supplyMaxRaw", &WalkTestResult::supplyMax}}) {
    const QJsonValue value = json.value(QLatin1String(key));
    if (value.isDouble()) result.*field = std::uint8_t(std::clamp(value.toInt(), 0, 255));
  }
  for (const QJsonValue& value : json.value(QStringLiteral("warnings")).toArray()) {
    const QJsonObject warning = value.toObject();
    const QString kind = warning.value(QStringLiteral("warning")).toString();
    if (kind == QLatin1String("half")) result.beams50 = beamsFrom(warning.value(QStringLiteral("beams")).toArray());
    if (kind == QLatin1String("nar")) result.beamsNar = beamsFrom(warning.value(QStringLiteral("beams")).toArray());
    if (kind == QLatin1String("lowSupply")) result.lowSupply = true;
    if (kind == QLatin1String("connectionLost")) {
      const auto time = timeFrom(warning.value(QStringLiteral("time")));
      if (!time) return std::nullopt;
      result.connectionLosses.push_back(*time);
    }
  }
  return result;
}
