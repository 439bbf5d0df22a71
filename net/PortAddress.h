#pragma once
// What a port name means: a local serial device, or a barrier reached across
// a network through a device server or ser2net:
//   socket://HOST:PORT    raw TCP, the byte stream as it is
//   rfc2217://HOST:PORT   Telnet with the RFC 2217 com-port option
// HOST is a name, an IPv4 address or an IPv6 address in brackets
// ("rfc2217://[fd00::12]:2001"); the scheme is read whatever its case.
#include <QString>
#include <cstdint>
#include <optional>

enum class NetworkScheme : std::uint8_t { RawTcp, Rfc2217 };

struct NetworkAddress {
  NetworkScheme scheme = NetworkScheme::RawTcp;
  QString host;  // an IPv6 address without its brackets
  std::uint16_t port = 0;

  // The name as the program keeps and shows it: "socket://host:2001".
  QString portName() const;
  // "host:2001", an IPv6 address in brackets: the far end in texts.
  QString endpoint() const;
  bool operator==(const NetworkAddress&) const = default;
};

struct PortNameMeaning {
  enum class Kind : std::uint8_t { Local, Network, Refused };
  Kind kind = Kind::Refused;
  QString localName;       // Local: the device name as resolvePortName gives it
  NetworkAddress address;  // Network
  QString refusal;         // Refused: one sentence for the user naming what is wrong
};

// The one reading of a port name typed or stored. A name that begins with a
// URL scheme and "://" is a network address, refused unless it is sound (a
// known scheme, a host, a port number 1 to 65535, nothing after it); any
// other name is a local device, resolved against `workingFolder` as
// resolvePortName does.
PortNameMeaning readPortName(const QString& given, const QString& workingFolder);

// The address `name` gives, when it is a sound network address.
std::optional<NetworkAddress> networkAddressOf(const QString& name);
