#include "ui/TimelineWords.h"

#include <QStringList>
#include <array>
#include <span>

#include "link/StatusWords.h"
#include "texts/UiTexts.h"
#include "ui/TimeAxis.h"
#include "util/HexText.h"

namespace timeline {

QString momentWords(const Moment& moment, qint64 cursorMs, std::size_t changes) {
  QStringList lines{exactLocalTime(cursorMs)};
  switch (moment.kind) {
    case Moment::Kind::NotSeen:
      lines << uiText(UiTexts::txtTimelineNothingSeen);
      return lines.join(u'\n');
    case Moment::Kind::Disconnected:
      lines << uiText(UiTexts::txtTimelineNotConnected)
            << uiText(UiTexts::txtTimelineSince).arg(exactLocalTime(moment.sinceMs));
      return lines.join(u'\n');
    case Moment::Kind::Connected:
    case Moment::Kind::Status:
      break;
  }
  lines << uiText(UiTexts::txtTimelineSince).arg(exactLocalTime(moment.sinceMs));
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
