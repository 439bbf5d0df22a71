#pragma once
// The event-wait thread of one opening of a SerialPort.
//
// It poll()s the device and its wake event (10 000 ms at a time). When bytes
// have arrived and fewer than the receive threshold are waiting, it does not
// watch the device byte by byte (on a terminal every arriving byte would
// wake it): it sleeps for the time the missing bytes take on the line. Bytes
// still missing then are late, and from then on each arrival wakes it, so
// that the event goes over as soon as the threshold is reached; with fewer
// bytes it goes over once none have come for kQuietMs since the last one, so
// a cut or lost frame never holds the reader up.
//
// A hand-off stores the event, raises the caller's notify descriptor and
// blocks until the main thread has taken and completed it (take + complete)
// or the opening is stopped. Only then does it wait again. It never reads or
// writes data.
//
// A device that goes away (POLLHUP, POLLERR, POLLNVAL, a failing FIONREAD, or
// "readable" with nothing to read again and again) is handed over once as
// deviceGone and the thread ends: it never spins on a dead descriptor.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "serial/LineTypes.h"
#include "util/UniqueFd.h"

class SerialEventThread {
 public:
  struct Handoff {
    std::uint32_t mask = 0;  // evmask bits
    bool deviceGone = false;
  };

  // Both descriptors stay owned by the caller: deviceFd must stay open until
  // stop() has returned; notifyFd (an eventfd the main thread watches) must
  // outlive this object.
  SerialEventThread(int deviceFd, int notifyFd, PortEventSet monitorEvents, std::chrono::nanoseconds charTime,
                    int rxThreshold = 1);
  ~SerialEventThread();  // stop()
  SerialEventThread(const SerialEventThread&) = delete;
  SerialEventThread& operator=(const SerialEventThread&) = delete;

  // Creates the wake event and starts the thread; false (errno set) on failure.
  bool start();
  // Ends the thread and returns once it has ended; after that the device is no
  // longer touched. Safe before the thread first waits, while it waits, while
  // it waits for a hand-off, and twice. Never waits for the main thread.
  void stop();

  // Main thread: the pending hand-off, at most once per event.
  std::optional<Handoff> take();
  // Main thread: the taken event has been handled; the thread may wait again.
  void complete();

  // One character's time on the line; the wait for missing bytes is measured in it.
  void setCharTime(std::chrono::nanoseconds charTime) { charTimeNs_ = charTime.count(); }
  // Bytes to gather before a characters-received event is handed over (1:
  // every arrival). A wait in progress picks a new value up.
  void setRxThreshold(int bytes);

  static constexpr int kWaitMs = 10000;
  // Fewer bytes than the threshold go over once none have come for this long.
  // A USB adapter delivers in bursts up to 16 ms apart, so a shorter silence
  // says nothing.
  static constexpr int kQuietMs = 50;

 private:
  void run();
  // Sleeps until `waiting` has grown to the threshold or the line has been
  // quiet for kQuietMs; false when stopped.
  bool awaitThreshold(int waiting);
  // Stores the event and raises the notify descriptor; for a data event also
  // waits until it is completed. False when stopped.
  bool handOff(const Handoff& handoff);
  bool stopRequested();

  const int device_;
  const int notify_;
  const bool wantRxChar_;
  std::atomic<std::int64_t> charTimeNs_;
  std::atomic<int> rxThreshold_;
  UniqueFd wake_;      // raised by stop() and by a lower threshold
  UniqueFd arrivals_;  // epoll: each new arrival on the device, and wake_
  std::thread thread_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool pending_ = false;
  bool completed_ = false;
  Handoff handoff_;
};
