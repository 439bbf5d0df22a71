#pragma once
// Developers' traces of network lines, warnings only unless asked for:
// QT_LOGGING_RULES="orvita.net.info=true" shows connections and their ends,
// "orvita.net.debug=true" also the Telnet negotiation and every byte as hex.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcNet)
