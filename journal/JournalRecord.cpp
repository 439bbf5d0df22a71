#include "journal/JournalRecord.h"

#include <algorithm>

#include "texts/UiTexts.h"

QString journalSerialText(unsigned serial) {
  return serial == 0 ? uiText(UiTexts::txtSerialNotSet) : QString::number(serial);
}

bool journalTimeValid(qint64 ms) {
  constexpr qint64 FirstMs = -62'135'596'800'000;  // 0001-01-01T00:00:00Z
  constexpr qint64 LastMs = 253'402'300'799'999;   // 9999-12-31T23:59:59.999Z
  // A day's margin: a local time is up to 14 hours from UTC.
  constexpr qint64 DayMs = 86'400'000;
  return ms >= FirstMs + DayMs && ms <= LastMs - DayMs;
}

QString journalEventName(JournalEventKind kind) {
  switch (kind) {
    case JournalEventKind::SessionStart:
      return QStringLiteral("session-start");
    case JournalEventKind::SessionEnd:
      return QStringLiteral("session-end");
    case JournalEventKind::Connected:
      return QStringLiteral("connected");
    case JournalEventKind::Lost:
      return QStringLiteral("lost");
    case JournalEventKind::Status:
      return QStringLiteral("status");
    case JournalEventKind::Supply:
      return QStringLiteral("supply");
    case JournalEventKind::ConfigRead:
      return QStringLiteral("config-read");
    case JournalEventKind::WriteSent:
      return QStringLiteral("write-sent");
    case JournalEventKind::ConfigWritten:
      return QStringLiteral("config-written");
    case JournalEventKind::WriteDropped:
      return QStringLiteral("write-dropped");
    case JournalEventKind::Reset:
      return QStringLiteral("reset");
    case JournalEventKind::FileOpened:
      return QStringLiteral("file-opened");
    case JournalEventKind::FileSaved:
      return QStringLiteral("file-saved");
    case JournalEventKind::WalkTest:
      return QStringLiteral("walk-test");
  }
  return QString::number(int(kind));
}

QString journalLossName(JournalLossReason reason) {
  switch (reason) {
    case JournalLossReason::None:
      break;
    case JournalLossReason::Silence:
      return QStringLiteral("silence");
    case JournalLossReason::Unplugged:
      return QStringLiteral("unplugged");
    case JournalLossReason::PortSettings:
      return QStringLiteral("port-settings");
    case JournalLossReason::PortClosed:
      return QStringLiteral("port-closed");
  }
  return QString();
}

QByteArray statusBytes(const BarrierStatus& s) {
  const std::uint8_t b[JournalStatusBytes] = {s.beamsAlarm,    s.supplyRaw, s.statusFlags,  s.beamsAlert,
                                              s.beams50,       s.beamsNar,  s.beamsBlocked, s.beamsBlockMemory,
                                              s.sabotageFlags, s.beamsDiag};
  return QByteArray(reinterpret_cast<const char*>(b), JournalStatusBytes);
}

BarrierStatus statusFromBytes(const QByteArray& bytes) {
  std::uint8_t b[JournalStatusBytes] = {};
  std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), JournalStatusBytes), reinterpret_cast<char*>(b));
  BarrierStatus s;
  s.beamsAlarm = b[0];
  s.supplyRaw = b[1];
  s.statusFlags = b[2];
  s.beamsAlert = b[3];
  s.beams50 = b[4];
  s.beamsNar = b[5];
  s.beamsBlocked = b[6];
  s.beamsBlockMemory = b[7];
  s.sabotageFlags = b[8];
  s.beamsDiag = b[9];
  return s;
}

QByteArray configBytes(const BarrierConfig& config) {
  return QByteArray(reinterpret_cast<const char*>(config.bytes.data()), qsizetype(config.bytes.size()));
}

BarrierConfig configFromBytes(const QByteArray& bytes) {
  BarrierConfig config;
  std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), qsizetype(BarrierConfig::Size)),
              reinterpret_cast<char*>(config.bytes.data()));
  return config;
}
