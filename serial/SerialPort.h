#pragma once
// The serial port object: one device, its line parameters, and a thread per
// opening that waits for line events and hands each one to the main thread,
// where the assigned handlers run. All operations are for the main thread.
#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "serial/LineTypes.h"
#include "serial/PortList.h"
#include "serial/SerialLine.h"
#include "util/UniqueFd.h"

// Why the last open() failed, kept for the user interface to explain.
enum class OpenFailure : std::uint8_t {
  None,          // the last open() succeeded (or none was tried)
  NoDevice,      // ENOENT, ENODEV, ENXIO
  NoPermission,  // EACCES, EPERM
  InUse,         // EBUSY, or the exclusive lock is held elsewhere
  NotTerminal,   // opened, but not a terminal device
  Other,         // anything else; see lastOpenErrno()
};

// The one place errno becomes an OpenFailure (0 gives None).
OpenFailure openFailureFromErrno(int error);

using PortNotifyHandler = std::function<void(QObject* sender)>;
using PortRxCharHandler = std::function<void(QObject* sender, std::int32_t count)>;
using PortStateHandler = std::function<void(QObject* sender, bool state)>;
using PortErrorHandler = std::function<void(QObject* sender, std::int32_t errors)>;

class SerialEventThread;
class QSocketNotifier;

class SerialPort : public QObject, public SerialLine {
  Q_OBJECT
 public:
  explicit SerialPort(QObject* parent = nullptr);
  ~SerialPort() override;  // closes the port

  // SerialLine
  // Closes first, then opens "/dev/" + deviceName() for a name without a
  // slash, any other name as given. On failure the reason is kept in
  // lastOpenFailure()/lastOpenErrno()/lastOpenPath() and the port stays closed.
  bool open() override;
  void close() override;
  bool isOpen() const override;
  bool setDtr(bool on) override;
  bool setRts(bool on) override;
  // Returns what has arrived once `count` bytes are in or 250 ms pass without
  // a new byte after the first; -1 when nothing came within 2000 ms. Runs on
  // the calling thread: nothing touches `buffer` after it returns.
  std::int32_t read(std::uint8_t* buffer, std::int32_t count) override;
  std::int32_t write(const std::uint8_t* buffer, std::int32_t count) override;
  QString deviceName() const override { return deviceName_; }
  // Clamped to 1..255 and kept across openings. The thread hands a
  // characters-received event over once this many bytes are waiting, or,
  // with fewer, once none have come for SerialEventThread::kQuietMs.
  void setRxThreshold(std::int32_t bytes) override;
  std::int32_t rxThreshold() const { return rxThreshold_; }

  // Takes effect at the next open().
  void setDeviceName(const QString& name) { deviceName_ = name; }
  // Each setter stores the value and, when open, applies that one field to
  // the line as its own read-modify-write.
  BaudRate baudRate() const { return baudRate_; }
  void setBaudRate(BaudRate value);
  Parity parity() const { return parity_; }
  void setParity(Parity value);
  StopBits stopBits() const { return stopBits_; }
  void setStopBits(StopBits value);
  DataBits dataBits() const { return dataBits_; }
  // da4 has no Linux form: refused, the value and the line stay as they were.
  void setDataBits(DataBits value);

  PortEventSet monitorEvents() const { return monitorEvents_; }
  void setMonitorEvents(PortEventSet events) { monitorEvents_ = events; }
  std::int32_t readBufferSize() const { return readBufferSize_; }
  void setReadBufferSize(std::int32_t size) { readBufferSize_ = size; }
  std::int32_t writeBufferSize() const { return writeBufferSize_; }
  void setWriteBufferSize(std::int32_t size) { writeBufferSize_ = size; }

  // The device of the current opening as sysfs tells of it (USB ids, the
  // adapter's latency timer once low latency was asked for), and whether its
  // driver took the low-latency request. Empty and false while closed.
  const PortChoice& adapter() const { return adapter_; }
  bool lowLatency() const { return lowLatency_; }
  // Test seam: where sysfs's tty class folder is.
  void setSysfsRoot(const QString& root) { sysfsRoot_ = root; }

  OpenFailure lastOpenFailure() const { return lastOpenFailure_; }
  int lastOpenErrno() const { return lastOpenErrno_; }
  // The path the last open() tried last (the name as given or with /dev/).
  QString lastOpenPath() const { return lastOpenPath_; }

  // Handlers, called on the main thread only when assigned.
  PortNotifyHandler onBreak;
  PortStateHandler onCts;
  PortStateHandler onDsr;
  PortErrorHandler onLineError;
  PortNotifyHandler onRing;
  PortNotifyHandler onRlsd;
  PortRxCharHandler onRxChar;
  PortNotifyHandler onRxFlag;
  PortNotifyHandler onTxEmpty;
  // Called on the main thread after the port closed itself because the device
  // went away (unplugged adapter, closed pseudo-terminal). isOpen() is false
  // by then; the next open() finds the device again once it is back.
  PortNotifyHandler onDeviceLost;

  // Test seam: replaces ::open(path, flags) for later open() calls; an empty
  // function restores it. Must return a descriptor or -1 with errno set.
  using OpenFunction = std::function<int(const char* path, int flags)>;
  void setOpenFunction(OpenFunction open) { openFunction_ = std::move(open); }

 private:
  friend class SerialPortProbe;  // tests: runs the dispatcher with a chosen mask

  bool openPath(const QByteArray& path);
  void onNotify();
  void dispatch(std::uint32_t mask);
  void deviceLost();
  // Applies one field to the open line as a read-modify-write of termios.
  bool applyBaudRate(int fd);
  bool applyParity(int fd);
  bool applyStopBits(int fd);
  bool applyDataBits(int fd);
  std::chrono::nanoseconds charTime() const;
  void updateCharTime();
  std::int32_t lineErrors();

  QString deviceName_ = QStringLiteral("ttyS1");
  BaudRate baudRate_ = cbr2400;
  Parity parity_ = paNone;
  StopBits stopBits_ = sb1_0;
  DataBits dataBits_ = da8;
  PortEventSet monitorEvents_ = AllEvents;
  std::int32_t readBufferSize_ = 1024;
  std::int32_t writeBufferSize_ = 1024;
  OpenFailure lastOpenFailure_ = OpenFailure::None;
  int lastOpenErrno_ = 0;
  QString lastOpenPath_;

  UniqueFd fd_;                                // the device; invalid is closed, the only open/closed state
  std::unique_ptr<SerialEventThread> thread_;  // of the current opening
  UniqueFd notify_;                            // eventfd the threads raise; lives as long as the object
  std::unique_ptr<QSocketNotifier> notifier_;
  std::uint64_t generation_ = 0;  // counts openings and closings
  OpenFunction openFunction_;
  QString sysfsRoot_ = SysfsTtyRoot;
  PortChoice adapter_;
  bool lowLatency_ = false;
  std::int32_t rxThreshold_ = 1;
  bool haveCounts_ = false;
  std::array<int, 5> lastCounts_{};  // frame, overrun, parity, brk, buf_overrun
};
