#pragma once
// The narrow byte channel the device link talks to. SerialPort is the real one;
// tests put a scripted line or the in-process simulator behind it.
#include <QString>
#include <cstdint>

class SerialLine {
 public:
  virtual ~SerialLine() = default;
  // Opens deviceName(); true when the device is open. A line that connects
  // in the background (a network line) returns false until it is connected,
  // starts nothing new when asked again meanwhile, and announces the opening.
  virtual bool open() = 0;
  // Does nothing when closed; isOpen() is false afterwards in every case.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Raise or drop a modem line; false when closed or not accepted.
  virtual bool setDtr(bool on) = 0;
  virtual bool setRts(bool on) = 0;
  // At most `count` bytes into `buffer`, waiting at most 2000 ms. Bytes moved,
  // 0 when nothing moved (a closed port included), -1 on failure or time-out.
  virtual std::int32_t read(std::uint8_t* buffer, std::int32_t count) = 0;
  // All `count` bytes, waiting at most 2000 ms. Bytes moved, 0 on a closed
  // port, -1 on failure or time-out, -2 on an unexpected error.
  virtual std::int32_t write(const std::uint8_t* buffer, std::int32_t count) = 0;
  virtual QString deviceName() const = 0;
  // The receive path needs `bytes` more bytes before it can go on. A line may
  // hold its characters-received notification back until that many are
  // waiting, provided fewer are still delivered once no more come. Lines
  // that notify at every arrival need not act on it.
  virtual void setRxThreshold(std::int32_t bytes) { static_cast<void>(bytes); }
};
