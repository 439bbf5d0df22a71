#pragma once
// What "Drukuj konfigurację…" prints: the configuration the barrier holds,
// with every value the editors hold differently and have not sent marked;
// without a barrier read, the editors' values, saying so.
#include <QDateTime>
#include <QString>
#include <optional>

#include "model/BarrierModel.h"

struct ConfigurationSheet {
  BarrierConfig config;  // the values printed
  QString source;        // where they come from, in words
  // The barrier's configuration with the editors' values in the bytes a
  // send writes; unset when nothing differs or `config` is the editors' own.
  std::optional<BarrierConfig> unsent;
  QDateTime printedAt;
};

// `barrierRead`: a barrier is connected and its configuration read, so
// model.deviceConfig is what it holds. `fileName`: the configuration file
// the editors were loaded from, if any.
ConfigurationSheet configurationSheet(const BarrierModel& model, bool barrierRead, const QString& fileName,
                                      const QDateTime& printedAt);
