#pragma once
// A serial line across a network: the far port of a device server or of
// ser2net, named socket://HOST:PORT (raw TCP: the far end's own line
// settings apply) or rfc2217://HOST:PORT (Telnet with the RFC 2217 com-port
// option: this line sets the far port). Qt's QTcpSocket carries it on the
// main thread's event loop: a name is looked up in the background, nothing
// here ever blocks, and nothing listens.
//
// Opening happens in the background. open() starts connecting and returns
// false; onOpened follows once the line is open: for rfc2217://, once the far
// end took the com-port option and was told the line's speed, framing, no
// flow control, DTR and RTS, and to purge both its buffers. Until close(),
// the line tries again by itself as ReconnectPolicy says: after a failed
// attempt (onOpenFailed) and after an open connection dropped (onDeviceLost,
// as an unplugged adapter). lastFailure() says why. All operations and
// handlers are for the main thread; a handler must not delete the line
// (deleteLater() it).
#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "net/NetworkFailure.h"
#include "net/PortAddress.h"
#include "net/ReconnectPolicy.h"
#include "serial/LineTypes.h"
#include "serial/SerialLine.h"
#include "serial/SerialPort.h"  // the handler types

class QTcpSocket;
class Rfc2217Client;

class NetworkLine : public QObject, public SerialLine {
  Q_OBJECT
 public:
  explicit NetworkLine(QObject* parent = nullptr);
  ~NetworkLine() override;

  // SerialLine
  // Starts connecting to deviceName() when the line is closed; while it
  // connects or waits to try again, does nothing. True only when already open.
  bool open() override;
  // Drops the connection at once and stops trying again. Keeps lastFailure().
  void close() override;
  bool isOpen() const override { return state_ == State::Open; }
  // rfc2217://: the far port's modem line, sent without waiting for an
  // answer. The level is kept and set again at each opening, so a level set
  // while the line connects takes effect. False while not open, and always
  // for socket:// (raw TCP carries no modem lines).
  bool setDtr(bool on) override;
  bool setRts(bool on) override;
  // What has arrived, at most `count` bytes; never waits. -1 when nothing
  // has arrived, 0 when the line is not open.
  std::int32_t read(std::uint8_t* buffer, std::int32_t count) override;
  // Sends all `count` bytes at once (0xFF doubled for rfc2217://): `count`,
  // 0 when the line is not open, -1 while more than WriteBacklogLimit bytes
  // written earlier have not left (a stalled connection).
  std::int32_t write(const std::uint8_t* buffer, std::int32_t count) override;
  QString deviceName() const override { return deviceName_; }
  // As SerialPort: onRxChar once this many bytes are waiting (1..255), or
  // with fewer once none have come for QuietMs.
  void setRxThreshold(std::int32_t bytes) override;

  // Takes effect at the next open() (after close() if the line is open).
  void setDeviceName(const QString& name) { deviceName_ = name; }
  // The far port's line, for rfc2217:// only: kept, sent at each opening and
  // at once while open. 9600 bit/s, 8 data bits, no parity, 1 stop bit
  // until set; da4 is refused as SerialPort refuses it.
  BaudRate baudRate() const { return baudRate_; }
  void setBaudRate(BaudRate value);
  Parity parity() const { return parity_; }
  void setParity(Parity value);
  StopBits stopBits() const { return stopBits_; }
  void setStopBits(StopBits value);
  DataBits dataBits() const { return dataBits_; }
  void setDataBits(DataBits value);

  // Looking the name up, connecting, or (rfc2217://) negotiating.
  bool connecting() const { return state_ == State::Connecting || state_ == State::Negotiating; }
  // Waiting for the next attempt after a failure or a drop.
  bool waitingToReconnect() const { return state_ == State::Waiting; }
  const ReconnectPolicy& reconnectPolicy() const { return policy_; }

  // For a far end that stopped answering without closing (the link's
  // silence): drops the connection and connects anew after the reconnection
  // delay, as after a drop; lastFailure() is then TimedOut. Announces
  // nothing. Does nothing while the line is closed.
  void reconnect();

  NetworkFailure lastFailure() const { return lastFailure_; }
  // The system's own words for the last failure (the text of Other).
  QString lastFailureDetail() const { return lastFailureDetail_; }
  // Why the line is not open, in the user's words; empty without a failure.
  QString failureText() const;

  PortRxCharHandler onRxChar;
  PortNotifyHandler onOpened;
  PortNotifyHandler onOpenFailed;
  PortNotifyHandler onDeviceLost;

  // As SerialEventThread::kQuietMs: fewer bytes than the threshold go over
  // once none have come for this long.
  static constexpr int QuietMs = 50;
  // A connection not made, or (rfc2217://) a com-port option not taken,
  // within these counts as failed.
  static constexpr int ConnectTimeoutMs = 5000;
  static constexpr int NegotiationTimeoutMs = 3000;
  static constexpr qint64 WriteBacklogLimit = 64 * 1024;
  // Bytes kept for the reader; more are dropped, as a full UART buffer drops them.
  static constexpr qsizetype ReceiveLimit = 64 * 1024;

 private:
  enum class State : std::uint8_t { Closed, Connecting, Negotiating, Open, Waiting };
  using Clock = ReconnectPolicy::Clock;

  void startAttempt();
  void onConnected();
  void onReadyRead();
  // The socket's error, or its end without one; the first of the two only.
  void onConnectionEnded(QAbstractSocket::SocketError error);
  void onAttemptTimeout();
  void becomeOpen();
  void configureFarPort();
  // Ends the current connection; the line then waits for its next attempt.
  void endConnection(NetworkFailure failure, const QString& detail);
  // Tells the policy of a drop or a failed attempt and waits as it says.
  void waitForNextAttempt(bool afterDrop);
  void dropSocket();
  void flushOutgoing();
  void acknowledgeAtOnce();
  void takeData(const char* bytes, std::size_t size);
  void considerNotifying();
  void onNotifyTimer();
  bool isRfc2217() const;
  QString endpoint() const;

  QString deviceName_;
  std::optional<NetworkAddress> address_;  // of the current opening
  BaudRate baudRate_ = cbr9600;
  Parity parity_ = paNone;
  StopBits stopBits_ = sb1_0;
  DataBits dataBits_ = da8;
  bool dtrOn_ = true;
  bool rtsOn_ = true;

  State state_ = State::Closed;
  QTcpSocket* socket_ = nullptr;  // a child, one per attempt
  std::unique_ptr<Rfc2217Client> telnet_;
  QByteArray outgoing_;  // what the Telnet layer has produced, not yet written
  QByteArray received_;  // data for the reader
  QByteArray greeting_;  // the first bytes of this connection, to tell "in use"
  Clock::time_point lastArrival_{};
  std::int32_t rxThreshold_ = 1;
  QTimer attemptTimer_;
  QTimer retryTimer_;
  QTimer notifyTimer_;
  ReconnectPolicy policy_;
  NetworkFailure lastFailure_ = NetworkFailure::None;
  QString lastFailureDetail_;
};
