#pragma once
// The protocol engine: requests, the receive path with its frame parser,
// reply decoding and the request cycle. It works on the model and link state
// that the main window owns, writes through a SerialLine, logs to the event
// log and reaches the window only through LinkView. Main thread only.
#include "ActivityGauge.h"
#include "BarrierModel.h"
#include "EventLog.h"
#include "LinkState.h"
#include "LinkView.h"
#include "SerialLine.h"

#include <cstdint>
#include <span>

class DeviceLink {
 public:
  static constexpr int StatusPauseMs = 10;   // from a status reply to the next request
  static constexpr int CycleIntervalMs = 1000;
  static constexpr int RefreshIntervalMs = 600;
  static constexpr std::size_t StagingSize = 1000;

  DeviceLink(BarrierModel& model, LinkState& state, SerialLine& port, EventLog& log, LinkView& view);

  // The port's characters-received notification: read `count` waiting bytes
  // (at most 1000), append, run the parser once, step the activity gauge.
  void CommRxCharSignal(std::int32_t count);
  // One tick of the 1000 ms cycle timer.
  void CycleStep();
  // The continuation of a status reply, StatusPauseMs after it.
  void StatusPauseElapsed();
  // Identification bar from versionInfo; silences the beeper while not connected.
  void RefreshIdentification();

  // Commands. The toolbar forms also set the buttons; the menu forms leave
  // them to the next RefreshEditors.
  void ReadCommand(bool fromToolbar);
  void SendCommand(bool fromToolbar);
  void ResetCommand(bool fromToolbar);
  // Before the port settings dialog shows: close the port, forget the
  // barrier, show " Brak połączenia.".
  void PortSettingsCommand();

  // Requests.
  void Ask_ver();
  void Ask_data();
  void Ask_write();
  void Ask_status();
  void Ask_write2();
  void Ask_data2();
  void Ask_res();

  // One parser run over rxBuffer; hands a verified frame to decodeReply.
  void ParseFrames();
  // Runs the one handler for the frame's command byte; every handler removes
  // the frame from rxBuffer.
  void decodeReply(std::span<const std::uint8_t> frame);

  const ActivityGauge& Gauge() const { return gauge_; }

 private:
  void Send(std::uint8_t command, std::span<const std::uint8_t> payload, int logText, bool restartsTimer);
  void OnVersion(std::span<const std::uint8_t> frame);
  void OnData(std::span<const std::uint8_t> frame, std::size_t firstIndex);
  void OnWriteConfirmed(std::span<const std::uint8_t> frame, std::size_t first, std::size_t last, int logText);
  void OnReset(std::span<const std::uint8_t> frame);
  void OnStatus(std::span<const std::uint8_t> frame);
  void DiscardUnreadable(std::span<const std::uint8_t> frame);
  void RemoveFrame(std::span<const std::uint8_t> frame);
  void ShowGauge();

  BarrierModel& model_;
  LinkState& state_;
  SerialLine& port_;
  EventLog& log_;
  LinkView& view_;
  ActivityGauge gauge_;
};
