#include "net/PortAddress.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <algorithm>

#include "serial/PortName.h"
#include "texts/UiTexts.h"

namespace {

const QString RawScheme = QStringLiteral("socket");
const QString Rfc2217Scheme = QStringLiteral("rfc2217");

// RFC 3986's scheme, then "://" and the rest.
const QRegularExpression& schemePattern() {
  static const QRegularExpression pattern(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://(.*)$"),
                                          QRegularExpression::DotMatchesEverythingOption);
  return pattern;
}

bool isHostName(const QString& host) {
  for (const QChar c : host)
    if (!c.isLetterOrNumber() && c != u'-' && c != u'.' && c != u'_') return false;
  return true;
}

struct Reading {
  std::optional<NetworkAddress> address;
  QString wrong;  // what is wrong, when there is no address
};

Reading readNetworkName(const QString& scheme, const QString& rest) {
  using namespace UiTexts;
  NetworkAddress address;
  const QString lowered = scheme.toLower();
  if (lowered == RawScheme)
    address.scheme = NetworkScheme::RawTcp;
  else if (lowered == Rfc2217Scheme)
    address.scheme = NetworkScheme::Rfc2217;
  else
    return {std::nullopt, uiText(txtNetUnknownScheme).arg(scheme)};

  QString host, port;
  bool hasPort = false;
  if (rest.startsWith(u'[')) {
    const qsizetype close = rest.indexOf(u']');
    if (close < 0) return {std::nullopt, uiText(txtNetBadHost).arg(rest)};
    host = rest.mid(1, close - 1);
    const QString after = rest.mid(close + 1);
    if (host.isEmpty()) return {std::nullopt, uiText(txtNetEmptyHost)};
    const QHostAddress ip(host);
    if (ip.protocol() != QAbstractSocket::IPv6Protocol || !(after.isEmpty() || after.startsWith(u':')))
      return {std::nullopt, uiText(txtNetBadHost).arg(rest.left(close + 1))};
    hasPort = !after.isEmpty();
    port = after.mid(1);
  } else {
    const qsizetype colon = rest.lastIndexOf(u':');
    hasPort = colon >= 0;
    host = hasPort ? rest.left(colon) : rest;
    port = hasPort ? rest.mid(colon + 1) : QString();
    if (host.isEmpty()) return {std::nullopt, uiText(txtNetEmptyHost)};
    // An IPv6 address without brackets would lose its last group to the port.
    if (host.contains(u':') || !isHostName(host)) return {std::nullopt, uiText(txtNetBadHost).arg(host)};
  }
  if (!hasPort || port.isEmpty()) return {std::nullopt, uiText(txtNetNoPortNumber)};
  bool number = false;
  const uint value = port.toUInt(&number);
  const bool digitsOnly = std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
  if (!number || !digitsOnly || value == 0 || value > 65535) return {std::nullopt, uiText(txtNetBadPortNumber)};
  address.host = host;
  address.port = std::uint16_t(value);
  return {address, {}};
}

}  // namespace

QString NetworkAddress::endpoint() const {
  const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
  return shownHost + u':' + QString::number(port);
}

QString NetworkAddress::portName() const {
  return (scheme == NetworkScheme::Rfc2217 ? Rfc2217Scheme : RawScheme) + QStringLiteral("://") + endpoint();
}

PortNameMeaning readPortName(const QString& given, const QString& workingFolder) {
  PortNameMeaning meaning;
  const QRegularExpressionMatch match = schemePattern().match(given);
  if (match.hasMatch()) {
    const Reading reading = readNetworkName(match.captured(1), match.captured(2));
    if (!reading.address) {
      meaning.refusal = uiText(UiTexts::txtNetBadAddress).arg(given, reading.wrong);
      return meaning;
    }
    meaning.kind = PortNameMeaning::Kind::Network;
    meaning.address = *reading.address;
    return meaning;
  }
  const std::optional<QString> local = resolvePortName(given, workingFolder);
  if (!local) {
    meaning.refusal = uiText(UiTexts::txtNotAPortName).arg(given);
    return meaning;
  }
  meaning.kind = PortNameMeaning::Kind::Local;
  meaning.localName = *local;
  return meaning;
}

std::optional<NetworkAddress> networkAddressOf(const QString& name) {
  const QRegularExpressionMatch match = schemePattern().match(name);
  if (!match.hasMatch()) return std::nullopt;
  return readNetworkName(match.captured(1), match.captured(2)).address;
}
