#include "ui/TimelineWords.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <array>
#include <span>

#include "link/StatusWords.h"
#include "texts/UiTexts.h"
#include "ui/TimeAxis.h"
#include "util/HexText.h"

namespace timeline {

QString durationText(qint64 ms) {
  constexpr qint64 Second = 1000, Minute = 60 * Second, Hour = 60 * Minute, Day = 24 * Hour;
  using namespace UiTexts;
  ms = std::max<qint64>(ms, 0);
  if (ms < Second) return uiText(txtDurationMs).arg(ms);
  if (ms < Minute) return uiText(txtDurationSeconds).arg(QLocale(QLocale::Polish).toString(ms / 1000.0, 'f', 1));
  if (ms < Hour) return uiText(txtDurationMinutes).arg(ms / Minute).arg(ms % Minute / Second);
  if (ms < Day) return uiText(txtDurationHours).arg(ms / Hour).arg(ms % Hour / Minute);
  return uiText(txtDurationDays).arg(ms / Day).arg(ms % Day / Hour);
}

QString momentWords(const Moment& moment, qint64 cursorMs, std::size_t changes) {
  QStringList lines{exactLocalTime(cursorMs)};
  switch (moment.kind) {
    case Moment::Kind::NotSeen:
      lines << uiText(UiTexts::txtTimelineNothingSeen);
      return lines.join(u'\n');
    case Moment::Kind::Disconnected:
      lines << uiText(UiTexts::txtTimelineNotConnected)
            << uiText(UiTexts::txtTimelineSince).arg(exactLocalTime(moment.sinceMs))
            << uiText(UiTexts::txtTimelineDuration).arg(durationText(moment.untilMs - moment.sinceMs));
      return lines.join(u'\n');
    case Moment::Kind::Connected:
    case Moment::Kind::Status:
      break;
  }
  lines << uiText(UiTexts::txtTimelineSince).arg(exactLocalTime(moment.sinceMs))
        << uiText(UiTexts::txtTimelineDuration).arg(durationText(moment.untilMs - moment.sinceMs));
  if (changes > 1) lines << uiText(UiTexts::txtTimelineChanges).arg(changes);
  if (moment.kind == Moment::Kind::Status) {
    const BarrierStatus& s = moment.status;
    std::array<std::uint8_t, BeamLookCount> beamsOfLook{};
    const BeamBits bits{s.beamsNar, s.beams50, s.beamsAlert, s.beamsBlocked, moment.switchedOff};
    for (int beam = 1; beam <= moment.beams; ++beam) beamsOfLook[std::size_t(beamLook(bits, beam))] |= beamBit(beam);
    for (int look = 0; look < BeamLookCount; ++look) {
      const std::uint8_t beams = beamsOfLook[std::size_t(look)];
      if (beams == 0) continue;
      lines << uiText(UiTexts::txtBeam) + u' ' + beamListText(std::span<const std::uint8_t>(&beams, 1)).trimmed() +
                   QStringLiteral(": ") + beamLookText(BeamLook(look));
    }
    BarrierModel model;
    model.status = s;
    lines << alarmOutputText(s.statusFlags) << tamperOutputText(s.statusFlags);
    lines << statusHintText(model).split(u'\r');
  }
  if (moment.supplyVolts) lines << supplyWords(*moment.supplyVolts);
  return lines.join(u'\n');
}

}  // namespace timeline
