#pragma once
// The serial port object: one device, its line parameters, and a thread per
// opening that waits for line events and hands each one to the main thread,
// where the assigned handlers run. All operations are for the main thread.
#include "LineTypes.h"
#include "SerialLine.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// Why the last Open() failed, kept for the user interface to explain.
enum class OpenFailure : std::uint8_t {
  None,          // the last Open() succeeded (or none was tried)
  NoDevice,      // ENOENT, ENODEV, ENXIO
  NoPermission,  // EACCES, EPERM
  InUse,         // EBUSY, or the exclusive lock is held elsewhere
  NotTerminal,   // opened, but not a terminal device
  Other,         // anything else; see LastOpenErrno()
};

using TC32NotifyEvent = std::function<void(QObject* sender)>;
using TC32RxCharEvent = std::function<void(QObject* sender, std::int32_t count)>;
using TC32StateEvent = std::function<void(QObject* sender, bool state)>;
using TC32ErrorEvent = std::function<void(QObject* sender, std::int32_t errors)>;

class TC32Thread;

class TComm64 : public QObject, public SerialLine {
  Q_OBJECT
 public:
  explicit TComm64(QObject* parent = nullptr);
  ~TComm64() override;  // closes the port

  // SerialLine
  bool Open() override;
  void Close() override;
  bool IsOpen() const override;
  bool SetDTR(bool on) override;
  bool SetRTS(bool on) override;
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

 private:
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
  // The rest of the private state (descriptor, current thread, opening
  // generation) is the implementation's to add.
};
