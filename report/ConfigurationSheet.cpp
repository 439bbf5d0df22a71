#include "report/ConfigurationSheet.h"

#include <QFileInfo>

#include "link/StatusWords.h"
#include "link/WriteCheck.h"
#include "texts/UiTexts.h"

ConfigurationSheet configurationSheet(const BarrierModel& model, bool barrierRead, const QString& fileName,
                                      const QDateTime& printedAt) {
  ConfigurationSheet sheet;
  sheet.printedAt = printedAt;
  if (!barrierRead) {
    sheet.config = model.editConfig;
    sheet.source = fileName.isEmpty() ? uiText(UiTexts::txtConfigFromEditors)
                                      : uiText(UiTexts::txtConfigFromEditorsFile).arg(QFileInfo(fileName).fileName());
    return sheet;
  }
  sheet.config = model.deviceConfig;
  sheet.source = uiText(UiTexts::txtConfigFromBarrier).arg(identificationText(model).trimmed());
  // Only what a send writes can be unsent; the beam count and the reserved bytes never go.
  BarrierConfig pending = model.deviceConfig;
  for (std::size_t i = 0; i < BarrierConfig::Size; ++i)
    if (writecheck::carries(i)) pending[i] = model.editConfig[i];
  if (pending != model.deviceConfig) sheet.unsent = pending;
  return sheet;
}
