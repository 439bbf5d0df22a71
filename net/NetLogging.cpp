#include "net/NetLogging.h"

Q_LOGGING_CATEGORY(lcNet, "orvita.net", QtWarningMsg)
