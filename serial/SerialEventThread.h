#pragma once
// The event-wait thread of one opening of a SerialPort.
//
// It poll()s the device and its wake event. The device reports "readable"
// once the line's VMIN bytes are waiting (the port sets VMIN from its receive
// threshold), so a reader that expects a frame of known size is handed one
// event for it. With a threshold above one, the thread also looks at the
// line whenever it has been quiet for a while and hands over fewer bytes
// once no more come, so a cut or lost frame never holds the reader up.
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
#include "serial/UniqueFd.h"

class SerialEventThread {
 public:
  struct Handoff {
    std::uint32_t mask = 0;  // evmask bits
    bool deviceGone = false;
  };

  // Both descriptors stay owned by the caller: deviceFd must stay open until
  // stop() has returned; notifyFd (an eventfd the main thread watches) must
  // outlive this object. `rxThreshold` is the VMIN the device is set to.
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

  // One character's time on the line; the quiet time is measured in it.
  void setCharTime(std::chrono::nanoseconds charTime) { charTimeNs_ = charTime.count(); }
  // The device's new VMIN (set by the caller). A wait in progress picks it up.
  void setRxThreshold(int bytes);

  static constexpr int kWaitMs = 10000;
  // Fewer bytes than the threshold are handed over once the line has been
  // quiet this long (or three character times, when that is longer): a
  // USB adapter delivers in bursts up to 16 ms apart, so a shorter silence
  // says nothing.
  static constexpr int kQuietMs = 50;

 private:
  void run();
  int quietMs() const;
  // Stores the event and raises the notify descriptor; for a data event also
  // waits until it is completed. False when stopped.
  bool handOff(const Handoff& handoff);
  bool stopRequested();

  const int device_;
  const int notify_;
  const bool wantRxChar_;
  std::atomic<std::int64_t> charTimeNs_;
  std::atomic<int> rxThreshold_;
  UniqueFd wake_;  // raised by stop() and by a threshold that needs a shorter wait
  std::thread thread_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool pending_ = false;
  bool completed_ = false;
  Handoff handoff_;
};
