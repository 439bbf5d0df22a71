#include "net/Rfc2217Client.h"

#include <libtelnet.h>

#include <QByteArray>
#include <array>

#include "net/NetLogging.h"

namespace {

// RFC 2217's client commands; the far end answers each with its code + 100.
enum ComPortCommand : std::uint8_t {
  SetBaudRate = 1,
  SetDataSize = 2,
  SetParity = 3,
  SetStopSize = 4,
  SetControl = 5,
  PurgeData = 12,
};
constexpr std::uint8_t ServerOffset = 100;
constexpr std::uint8_t NoFlowControl = 1, DtrOn = 8, DtrOff = 9, RtsOn = 11, RtsOff = 12;
constexpr std::uint8_t PurgeBoth = 3;

// What this client agrees to. Binary both ways keeps a CR followed by NUL
// as two bytes of data; suppress-go-ahead is what every Telnet peer expects.
constexpr std::array<telnet_telopt_t, 4> Options = {{
    {TELNET_TELOPT_BINARY, TELNET_WILL, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DO},
    {Rfc2217Client::ComPortOption, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
}};

}  // namespace

Rfc2217Client::Rfc2217Client(Handlers handlers)
    : handlers_(std::move(handlers)), telnet_(telnet_init(Options.data(), &Rfc2217Client::onEvent, 0, this)) {}

Rfc2217Client::~Rfc2217Client() {
  if (telnet_) telnet_free(telnet_);
}

void Rfc2217Client::start() {
  if (!telnet_) return;
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_BINARY);
  telnet_negotiate(telnet_, TELNET_DO, TELNET_TELOPT_BINARY);
  telnet_negotiate(telnet_, TELNET_WILL, ComPortOption);
}

void Rfc2217Client::received(const char* bytes, std::size_t size) {
  if (telnet_ && size > 0) telnet_recv(telnet_, bytes, size);
}

void Rfc2217Client::sendData(const std::uint8_t* bytes, std::size_t size) {
  if (telnet_ && size > 0) telnet_send(telnet_, reinterpret_cast<const char*>(bytes), size);
}

void Rfc2217Client::onEvent(telnet_t*, telnet_event_t* event, void* self) {
  static_cast<Rfc2217Client*>(self)->handle(*event);
}

void Rfc2217Client::handle(const telnet_event_t& event) {
  switch (event.type) {
    case TELNET_EV_DATA:
      if (handlers_.data) handlers_.data(event.data.buffer, event.data.size);
      break;
    case TELNET_EV_SEND:
      if (handlers_.send) handlers_.send(event.data.buffer, event.data.size);
      break;
    case TELNET_EV_DO:
      heardTelnet_ = true;
      if (event.neg.telopt == ComPortOption) comPortAccepted_ = true;
      qCDebug(lcNet) << "telnet: far end DO" << event.neg.telopt;
      break;
    case TELNET_EV_DONT:
      heardTelnet_ = true;
      if (event.neg.telopt == ComPortOption) comPortAccepted_ = false;
      qCDebug(lcNet) << "telnet: far end DONT" << event.neg.telopt;
      break;
    case TELNET_EV_WILL:
    case TELNET_EV_WONT:
      heardTelnet_ = true;
      qCDebug(lcNet) << "telnet: far end" << (event.type == TELNET_EV_WILL ? "WILL" : "WONT") << event.neg.telopt;
      break;
    case TELNET_EV_IAC:
      heardTelnet_ = true;
      qCDebug(lcNet) << "telnet: far end command" << event.iac.cmd;
      break;
    case TELNET_EV_SUBNEGOTIATION:
      heardTelnet_ = true;
      if (event.sub.telopt == ComPortOption && event.sub.size > 0)
        qCDebug(lcNet).noquote() << "rfc2217: far end answers command"
                                 << int(std::uint8_t(event.sub.buffer[0])) - ServerOffset << "with"
                                 << QByteArray(event.sub.buffer + 1, qsizetype(event.sub.size - 1)).toHex(' ');
      break;
    case TELNET_EV_WARNING:
    case TELNET_EV_ERROR:
      qCWarning(lcNet) << "telnet:" << event.error.msg;
      break;
    default:
      break;
  }
}

bool Rfc2217Client::command(std::uint8_t code, const std::uint8_t* value, std::size_t size) {
  if (!telnet_ || !comPortAccepted_) return false;
  std::array<char, 5> buffer{};
  buffer[0] = char(code);
  for (std::size_t i = 0; i < size && i + 1 < buffer.size(); ++i) buffer[i + 1] = char(value[i]);
  // libtelnet doubles a 0xFF within the command as well.
  telnet_subnegotiation(telnet_, ComPortOption, buffer.data(), size + 1);
  return true;
}

bool Rfc2217Client::setBaudRate(std::uint32_t bitsPerSecond) {
  const std::array<std::uint8_t, 4> value = {std::uint8_t(bitsPerSecond >> 24), std::uint8_t(bitsPerSecond >> 16),
                                             std::uint8_t(bitsPerSecond >> 8), std::uint8_t(bitsPerSecond)};
  return command(SetBaudRate, value.data(), value.size());
}

bool Rfc2217Client::setDataSize(DataBits bits) {
  const std::uint8_t value = std::uint8_t(bits - da5 + 5);  // da5..da8: 5..8 bits
  return command(SetDataSize, &value, 1);
}

bool Rfc2217Client::setParity(Parity parity) {
  const std::uint8_t value = std::uint8_t(parity + 1);  // NONE 1, ODD 2, EVEN 3, MARK 4, SPACE 5
  return command(SetParity, &value, 1);
}

bool Rfc2217Client::setStopSize(StopBits bits) {
  static constexpr std::uint8_t values[] = {1, 3, 2};  // sb1_0, sb1_5, sb2_0
  return command(SetStopSize, &values[bits <= sb2_0 ? bits : 0], 1);
}

bool Rfc2217Client::setNoFlowControl() { return command(SetControl, &NoFlowControl, 1); }
bool Rfc2217Client::setDtr(bool on) { return command(SetControl, on ? &DtrOn : &DtrOff, 1); }
bool Rfc2217Client::setRts(bool on) { return command(SetControl, on ? &RtsOn : &RtsOff, 1); }
bool Rfc2217Client::purgeBuffers() { return command(PurgeData, &PurgeBoth, 1); }
