#pragma once
// The port orvita-cli talks to when --port is not given.
#include <QList>
#include <QString>
#include <optional>

#include "serial/PortList.h"

// The kernel name of the one USB serial adapter among `ports`; nothing when
// there is none or more than one (a guess could reach the wrong device).
std::optional<QString> onlyUsbAdapter(const QList<PortChoice>& ports);

// The stored port; when none is stored, the only USB serial adapter the
// system has. Nothing when neither: `found` then names the ports there are.
std::optional<QString> defaultPort(QStringList& found);
