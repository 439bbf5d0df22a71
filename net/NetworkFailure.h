#pragma once
// Why a network port is not open, as the status bar's tooltip and
// orvita-cli's error line say it.
#include <QString>
#include <cstdint>

enum class NetworkFailure : std::uint8_t {
  None,            // open, connecting, or never tried
  BadAddress,      // the port name is no sound network address
  NameNotFound,    // the host name does not resolve
  Refused,         // nothing listens on that port
  Unreachable,     // no route to the host or its network
  TimedOut,        // no connection, or no answer to Telnet, in time; or silent since (reconnect())
  ClosedByFarEnd,  // the far end closed or reset an open connection
  ComPortRefused,  // rfc2217://: the far end speaks Telnet but not the com-port option
  InUse,           // the far end said its port is in use (ser2net: "Port already in use")
  Other,           // anything else; the system's message is kept beside it
};

// Empty for None. `endpoint` names the far end ("host:2001"); `detail` is the
// system's message, used for Other.
QString networkFailureText(NetworkFailure failure, const QString& endpoint, const QString& detail = {});
