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

#include "LineTypes.h"
#include "SerialLine.h"
#include "UniqueFd.h"

// Why the last Open() failed, kept for the user interface to explain.
enum class OpenFailure : std::uint8_t {
  None,          // the last Open() succeeded (or none was tried)
  NoDevice,      // ENOENT, ENODEV, ENXIO
  NoPermission,  // EACCES, EPERM
  InUse,         // EBUSY, or the exclusive lock is held elsewhere
  NotTerminal,   // opened, but not a terminal device
  Other,         // anything else; see LastOpenErrno()
};

// The one place errno becomes an OpenFailure (0 gives None).
OpenFailure OpenFailureFromErrno(int error);

using TC32NotifyEvent = std::function<void(QObject* sender)>;
using TC32RxCharEvent = std::function<void(QObject* sender, std::int32_t count)>;
using TC32StateEvent = std::function<void(QObject* sender, bool state)>;
using TC32ErrorEvent = std::function<void(QObject* sender, std::int32_t errors)>;

class TC32Thread;
class QSocketNotifier;

class TComm64 : public QObject, public SerialLine {
  Q_OBJECT
 public:
  explicit TComm64(QObject* parent = nullptr);
  ~TComm64() override;  // closes the port

  // SerialLine
  // Closes first, then tries DeviceName() as given and, unless it is an
  // absolute path, "/dev/" + DeviceName(). On failure the reason is kept in
  // LastOpenFailure()/LastOpenErrno()/LastOpenPath() and the port stays closed.
  bool Open() override;
  void Close() override;
  bool IsOpen() const override;
  bool SetDTR(bool on) override;
  bool SetRTS(bool on) override;
  // Returns what has arrived once `count` bytes are in or 250 ms pass without
  // a new byte after the first; -1 when nothing came within 2000 ms. Runs on
  // the calling thread: nothing touches `buffer` after it returns.
  std::int32_t Read(std::uint8_t* buffer, std::int32_t count) override;
  std::int32_t Write(const std::uint8_t* buffer, std::int32_t count) override;
  QString DeviceName() const override { return deviceName_; }

  // Takes effect at the next Open().
  void SetDeviceName(const QString& name) { deviceName_ = name; }
  // Each setter stores the value and, when open, applies that one field to
  // the line as its own read-modify-write.
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value);
  TParity Parity() const { return parity_; }
  void SetParity(TParity value);
  TStopbits Stopbits() const { return stopbits_; }
  void SetStopbits(TStopbits value);
  TDatabits Databits() const { return databits_; }
  // da4 has no Linux form: refused, the value and the line stay as they were.
  void SetDatabits(TDatabits value);

  TC32EventType MonitorEvents() const { return monitorEvents_; }
  void SetMonitorEvents(TC32EventType events) { monitorEvents_ = events; }
  std::int32_t ReadBufferSize() const { return readBufferSize_; }
  void SetReadBufferSize(std::int32_t size) { readBufferSize_ = size; }
  std::int32_t WriteBufferSize() const { return writeBufferSize_; }
  void SetWriteBufferSize(std::int32_t size) { writeBufferSize_ = size; }

  OpenFailure LastOpenFailure() const { return lastOpenFailure_; }
  int LastOpenErrno() const { return lastOpenErrno_; }
  // The path the last Open() tried last (the name as given or with /dev/).
  QString LastOpenPath() const { return lastOpenPath_; }

  // Handlers, called on the main thread only when assigned.
  TC32NotifyEvent OnBreakSignal;
  TC32StateEvent OnCTSSignal;
  TC32StateEvent OnDSRSignal;
  TC32ErrorEvent OnErrorSignal;
  TC32NotifyEvent OnRingSignal;
  TC32NotifyEvent OnRLSDSignal;
  TC32RxCharEvent OnRxCharSignal;
  TC32NotifyEvent OnRxFlagSignal;
  TC32NotifyEvent OnTxEmptySignal;
  // Called on the main thread after the port closed itself because the device
  // went away (unplugged adapter, closed pseudo-terminal). IsOpen() is false
  // by then; the next Open() finds the device again once it is back.
  TC32NotifyEvent OnDeviceLost;

  // Test seam: replaces ::open(path, flags) for later Open() calls; an empty
  // function restores it. Must return a descriptor or -1 with errno set.
  using OpenFunction = std::function<int(const char* path, int flags)>;
  void SetOpenFunction(OpenFunction open) { openFunction_ = std::move(open); }

  // Waits a couple of character times for a burst to finish before handing
  // it over (on by default); applies from the next Open().
  void SetRxSettle(bool on) { rxSettle_ = on; }

 private:
  friend class TComm64Probe;  // tests: runs the dispatcher with a chosen mask

  bool OpenPath(const QByteArray& path);
  void OnNotify();
  void Dispatch(std::uint32_t mask);
  void DeviceLost();
  // Applies one field to the open line as a read-modify-write of termios.
  bool ApplyBaudRate(int fd);
  bool ApplyParity(int fd);
  bool ApplyStopbits(int fd);
  bool ApplyDatabits(int fd);
  std::chrono::nanoseconds CharTime() const;
  void UpdateCharTime();
  std::int32_t LineErrors();

  QString deviceName_ = QStringLiteral("ttyS1");
  TBaudRate baudRate_ = cbr2400;
  TParity parity_ = paNone;
  TStopbits stopbits_ = sb1_0;
  TDatabits databits_ = da8;
  TC32EventType monitorEvents_ = AllEvents;
  std::int32_t readBufferSize_ = 1024;
  std::int32_t writeBufferSize_ = 1024;
  OpenFailure lastOpenFailure_ = OpenFailure::None;
  int lastOpenErrno_ = 0;
  QString lastOpenPath_;

  UniqueFd fd_;                         // the device; invalid is closed, the only open/closed state
  std::unique_ptr<TC32Thread> thread_;  // of the current opening
  UniqueFd notify_;                     // eventfd the threads raise; lives as long as the object
  std::unique_ptr<QSocketNotifier> notifier_;
  std::uint64_t generation_ = 0;  // counts openings and closings
  OpenFunction openFunction_;
  bool rxSettle_ = true;
  bool haveCounts_ = false;
  std::array<int, 5> lastCounts_{};  // frame, overrun, parity, brk, buf_overrun
};
