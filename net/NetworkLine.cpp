#include "net/NetworkLine.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QNetworkProxy>
#include <QTcpSocket>
#include <algorithm>
#include <cstring>

#include "net/NetLogging.h"
#include "net/Rfc2217Client.h"

namespace {

constexpr qsizetype GreetingSize = 64;

NetworkFailure failureOf(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::HostNotFoundError:
      return NetworkFailure::NameNotFound;
    case QAbstractSocket::ConnectionRefusedError:
      return NetworkFailure::Refused;
    case QAbstractSocket::NetworkError:  // ENETUNREACH, EHOSTUNREACH
      return NetworkFailure::Unreachable;
    case QAbstractSocket::SocketTimeoutError:
      return NetworkFailure::TimedOut;
    case QAbstractSocket::RemoteHostClosedError:
      return NetworkFailure::ClosedByFarEnd;
    default:
      return NetworkFailure::Other;
  }
}

}  // namespace

NetworkLine::NetworkLine(QObject* parent) : QObject(parent) {
  attemptTimer_.setSingleShot(true);
  retryTimer_.setSingleShot(true);
  notifyTimer_.setSingleShot(true);
  notifyTimer_.setTimerType(Qt::PreciseTimer);
  connect(&attemptTimer_, &QTimer::timeout, this, &NetworkLine::onAttemptTimeout);
  connect(&retryTimer_, &QTimer::timeout, this, &NetworkLine::startAttempt);
  connect(&notifyTimer_, &QTimer::timeout, this, &NetworkLine::onNotifyTimer);
}

NetworkLine::~NetworkLine() { close(); }

bool NetworkLine::open() {
  if (state_ == State::Open) return true;
  if (state_ != State::Closed) return false;
  address_ = networkAddressOf(deviceName_);
  if (!address_) {
    lastFailure_ = NetworkFailure::BadAddress;
    lastFailureDetail_.clear();
    return false;
  }
  startAttempt();
  return false;
}

void NetworkLine::close() {
  if (state_ == State::Closed) return;
  if (state_ == State::Open) qCInfo(lcNet) << "closing" << address_->portName();
  dropSocket();
  retryTimer_.stop();
  policy_.reset();
  state_ = State::Closed;
}

void NetworkLine::reconnect() {
  if (state_ == State::Closed) return;
  qCInfo(lcNet) << address_->portName() << "is silent: connecting anew";
  const bool wasOpen = state_ == State::Open;
  dropSocket();
  lastFailure_ = NetworkFailure::TimedOut;
  lastFailureDetail_.clear();
  waitForNextAttempt(wasOpen);
}

void NetworkLine::waitForNextAttempt(bool afterDrop) {
  if (afterDrop)
    policy_.dropped(Clock::now());
  else
    policy_.attemptFailed(Clock::now());
  state_ = State::Waiting;
  retryTimer_.start(policy_.delay());
}

void NetworkLine::startAttempt() {
  dropSocket();
  state_ = State::Connecting;
  socket_ = new QTcpSocket(this);
  // A serial line goes straight to its device server, whatever proxy the desktop names.
  socket_->setProxy(QNetworkProxy::NoProxy);
  connect(socket_, &QTcpSocket::connected, this, &NetworkLine::onConnected);
  connect(socket_, &QTcpSocket::readyRead, this, &NetworkLine::onReadyRead);
  connect(socket_, &QTcpSocket::errorOccurred, this, &NetworkLine::onConnectionEnded);
  connect(socket_, &QTcpSocket::disconnected, this,
          [this] { onConnectionEnded(QAbstractSocket::RemoteHostClosedError); });
  attemptTimer_.start(ConnectTimeoutMs);
  qCInfo(lcNet) << "connecting to" << address_->portName();
  socket_->connectToHost(address_->host, address_->port);
}

void NetworkLine::onConnected() {
  // A 5-byte request leaves at once rather than waiting for an earlier segment's acknowledgement.
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  greeting_.clear();
  received_.clear();
  if (!isRfc2217()) return becomeOpen();
  qCInfo(lcNet) << "connected to" << address_->portName() << "- negotiating the com-port option";
  state_ = State::Negotiating;
  telnet_ = std::make_unique<Rfc2217Client>(
      Rfc2217Client::Handlers{[this](const char* bytes, std::size_t size) { outgoing_.append(bytes, qsizetype(size)); },
                              [this](const char* bytes, std::size_t size) { takeData(bytes, size); }});
  telnet_->start();
  flushOutgoing();
  attemptTimer_.start(NegotiationTimeoutMs);
}

void NetworkLine::becomeOpen() {
  attemptTimer_.stop();
  state_ = State::Open;
  lastFailure_ = NetworkFailure::None;
  lastFailureDetail_.clear();
  policy_.connected(Clock::now());
  if (isRfc2217()) configureFarPort();
  qCInfo(lcNet) << address_->portName() << "open";
  if (onOpened) onOpened(this);
}

void NetworkLine::configureFarPort() {
  // As a local opening sets the line and discards what came before it.
  telnet_->setBaudRate(baudRateValue(baudRate_));
  telnet_->setDataSize(dataBits_);
  telnet_->setParity(parity_);
  telnet_->setStopSize(stopBits_);
  telnet_->setNoFlowControl();
  telnet_->setDtr(dtrOn_);
  telnet_->setRts(rtsOn_);
  telnet_->purgeBuffers();
  flushOutgoing();
}

void NetworkLine::onReadyRead() {
  if (!socket_) return;
  const QByteArray chunk = socket_->readAll();
  if (chunk.isEmpty()) return;
  acknowledgeAtOnce();
  qCDebug(lcNet).noquote() << "rx" << chunk.toHex(' ');
  const qsizetype before = received_.size();
  if (telnet_)
    telnet_->received(chunk.constData(), std::size_t(chunk.size()));
  else
    takeData(chunk.constData(), std::size_t(chunk.size()));
  flushOutgoing();
  if (state_ == State::Negotiating && telnet_->comPortAccepted()) becomeOpen();
  if (state_ == State::Open && received_.size() > before) {
    lastArrival_ = Clock::now();
    considerNotifying();
  }
}

// A device server that keeps Nagle's algorithm (ser2net without "nodelay")
// holds the tail of a reply it sent in two segments until the first is
// acknowledged, and Linux delays an acknowledgement by up to 40 ms: a poll
// would wait that long. The kernel leaves quick acknowledgement again by
// itself, so it is asked for after every read.
void NetworkLine::acknowledgeAtOnce() {
  const int on = 1;
  ::setsockopt(int(socket_->socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

void NetworkLine::takeData(const char* bytes, std::size_t size) {
  const qsizetype n = qsizetype(size);
  if (greeting_.size() < GreetingSize) greeting_.append(bytes, std::min(n, GreetingSize - greeting_.size()));
  // Before the line is open nothing has been asked for: what comes is no answer.
  if (state_ != State::Open) return;
  const qsizetype room = ReceiveLimit - received_.size();
  if (n > room) qCWarning(lcNet) << "receive buffer full:" << n - room << "bytes dropped";
  received_.append(bytes, std::clamp<qsizetype>(room, 0, n));
}

void NetworkLine::onConnectionEnded(QAbstractSocket::SocketError error) {
  if (!socket_) return;
  // Whatever came with the end is read first: it may say why.
  onReadyRead();
  if (!socket_) return;
  NetworkFailure failure = failureOf(error);
  // ser2net answers a client beyond its connection limit with "Port already in use".
  if (failure == NetworkFailure::ClosedByFarEnd && greeting_.toLower().contains("in use"))
    failure = NetworkFailure::InUse;
  endConnection(failure, socket_->errorString());
}

void NetworkLine::onAttemptTimeout() {
  const bool refused = state_ == State::Negotiating && telnet_ && telnet_->heardTelnet();
  endConnection(refused ? NetworkFailure::ComPortRefused : NetworkFailure::TimedOut, {});
}

void NetworkLine::endConnection(NetworkFailure failure, const QString& detail) {
  const bool wasOpen = state_ == State::Open;
  qCInfo(lcNet).noquote() << address_->portName() << (wasOpen ? "lost:" : "not opened:")
                          << networkFailureText(failure, endpoint(), detail);
  dropSocket();
  lastFailure_ = failure;
  lastFailureDetail_ = detail;
  waitForNextAttempt(wasOpen);
  const PortNotifyHandler& handler = wasOpen ? onDeviceLost : onOpenFailed;
  if (handler) handler(this);
}

void NetworkLine::dropSocket() {
  attemptTimer_.stop();
  notifyTimer_.stop();
  telnet_.reset();
  outgoing_.clear();
  received_.clear();
  greeting_.clear();
  if (!socket_) return;
  socket_->disconnect(this);
  socket_->abort();
  // Not deleted here: this may run within one of the socket's own signals.
  socket_->deleteLater();
  socket_ = nullptr;
}

void NetworkLine::flushOutgoing() {
  if (outgoing_.isEmpty() || !socket_) return;
  qCDebug(lcNet).noquote() << "tx" << outgoing_.toHex(' ');
  socket_->write(outgoing_);
  outgoing_.clear();
  socket_->flush();
}

bool NetworkLine::setDtr(bool on) {
  dtrOn_ = on;
  if (state_ != State::Open || !telnet_) return false;
  telnet_->setDtr(on);
  flushOutgoing();
  return true;
}

bool NetworkLine::setRts(bool on) {
  rtsOn_ = on;
  if (state_ != State::Open || !telnet_) return false;
  telnet_->setRts(on);
  flushOutgoing();
  return true;
}

void NetworkLine::setBaudRate(BaudRate value) {
  if (value > cbr921600) return;
  baudRate_ = value;
  if (state_ == State::Open && telnet_ && telnet_->setBaudRate(baudRateValue(value))) flushOutgoing();
}

void NetworkLine::setParity(Parity value) {
  if (value > paSpace) return;
  parity_ = value;
  if (state_ == State::Open && telnet_ && telnet_->setParity(value)) flushOutgoing();
}

void NetworkLine::setStopBits(StopBits value) {
  if (value > sb2_0) return;
  stopBits_ = value;
  if (state_ == State::Open && telnet_ && telnet_->setStopSize(value)) flushOutgoing();
}

void NetworkLine::setDataBits(DataBits value) {
  if (value == da4 || value > da8) return;
  dataBits_ = value;
  if (state_ == State::Open && telnet_ && telnet_->setDataSize(value)) flushOutgoing();
}

std::int32_t NetworkLine::read(std::uint8_t* buffer, std::int32_t count) {
  if (state_ != State::Open || buffer == nullptr || count <= 0) return 0;
  if (received_.isEmpty()) return -1;
  const auto n = std::int32_t(std::min<qsizetype>(count, received_.size()));
  std::memcpy(buffer, received_.constData(), std::size_t(n));
  received_.remove(0, n);
  considerNotifying();
  return n;
}

std::int32_t NetworkLine::write(const std::uint8_t* buffer, std::int32_t count) {
  if (state_ != State::Open || buffer == nullptr || count <= 0) return 0;
  if (socket_->bytesToWrite() > WriteBacklogLimit) return -1;
  if (telnet_) {
    telnet_->sendData(buffer, std::size_t(count));
  } else {
    outgoing_.append(reinterpret_cast<const char*>(buffer), count);
  }
  flushOutgoing();
  return count;
}

void NetworkLine::setRxThreshold(std::int32_t bytes) {
  bytes = std::clamp<std::int32_t>(bytes, 1, 255);
  if (bytes == rxThreshold_) return;
  rxThreshold_ = bytes;
  considerNotifying();
}

// The hand-off always goes through the event loop, so that a reader's own
// read() or a new threshold never calls the reader back from within itself.
void NetworkLine::considerNotifying() {
  if (received_.isEmpty() || state_ != State::Open) {
    notifyTimer_.stop();
    return;
  }
  if (received_.size() >= rxThreshold_) {
    notifyTimer_.start(0);
    return;
  }
  // A running wait looks again when it ends: restarting it at every arrival
  // would cost a timer for each byte of a reply that trickles in.
  if (notifyTimer_.isActive()) return;
  const auto quiet = std::chrono::milliseconds(QuietMs) - (Clock::now() - lastArrival_);
  notifyTimer_.start(int(std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(quiet).count())));
}

void NetworkLine::onNotifyTimer() {
  if (received_.isEmpty() || state_ != State::Open) return;
  const bool quiet = Clock::now() - lastArrival_ >= std::chrono::milliseconds(QuietMs);
  if (received_.size() < rxThreshold_ && !quiet) return considerNotifying();
  if (onRxChar) onRxChar(this, std::int32_t(received_.size()));
}

bool NetworkLine::isRfc2217() const { return address_ && address_->scheme == NetworkScheme::Rfc2217; }

QString NetworkLine::endpoint() const { return address_ ? address_->endpoint() : deviceName_; }

QString NetworkLine::failureText() const { return networkFailureText(lastFailure_, endpoint(), lastFailureDetail_); }
