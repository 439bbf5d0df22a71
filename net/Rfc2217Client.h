#pragma once
// The client's half of Telnet with the RFC 2217 com-port option. libtelnet
// (Debian's libtelnet-dev) does the Telnet part: framing, 0xFF doubled on
// the way out and undoubled on the way in, and option negotiation by RFC
// 1143's rules. It does no I/O, so it sits between the line's QTcpSocket and
// its receive buffer; gensio, ser2net's own library, would bring sockets and
// an event loop of its own beside Qt's.
//
// This object owns no socket either: bytes from the far end go in through
// received(), and whatever must go out (data, negotiation, com-port
// commands) comes back through the `send` handler. Handlers are called from
// within the call that caused them; they must not destroy this object.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "serial/LineTypes.h"

struct telnet_t;
union telnet_event_t;

class Rfc2217Client {
 public:
  using Bytes = std::function<void(const char* bytes, std::size_t size)>;
  struct Handlers {
    Bytes send;  // for the far end, as they are
    Bytes data;  // received from the far end's serial port
  };

  explicit Rfc2217Client(Handlers handlers);
  ~Rfc2217Client();
  Rfc2217Client(const Rfc2217Client&) = delete;
  Rfc2217Client& operator=(const Rfc2217Client&) = delete;

  // Offers binary transmission both ways and the com-port option.
  void start();
  // Bytes as they came from the far end.
  void received(const char* bytes, std::size_t size);
  // Data for the far end's serial port.
  void sendData(const std::uint8_t* bytes, std::size_t size);

  // The far end took the com-port option (its DO COM-PORT-OPTION).
  bool comPortAccepted() const { return comPortAccepted_; }
  // The far end sent at least one Telnet command: it speaks Telnet.
  bool heardTelnet() const { return heardTelnet_; }

  // Com-port commands. None waits for its answer: ser2net in front of a
  // pseudo-terminal never answers SET-CONTROL for DTR or RTS. False, and
  // nothing sent, before the option is accepted.
  bool setBaudRate(std::uint32_t bitsPerSecond);
  bool setDataSize(DataBits bits);
  bool setParity(Parity parity);
  bool setStopSize(StopBits bits);
  bool setNoFlowControl();
  bool setDtr(bool on);
  bool setRts(bool on);
  // Both of the far end's buffers, received and to send.
  bool purgeBuffers();

  static constexpr std::uint8_t ComPortOption = 44;

 private:
  static void onEvent(telnet_t* telnet, telnet_event_t* event, void* self);
  void handle(const telnet_event_t& event);
  bool command(std::uint8_t code, const std::uint8_t* value, std::size_t size);

  Handlers handlers_;
  telnet_t* telnet_ = nullptr;
  bool comPortAccepted_ = false;
  bool heardTelnet_ = false;
};
