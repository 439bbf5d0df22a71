#include "link/TrafficTap.h"

#include <algorithm>

#include "link/Frame.h"

void TrafficTap::setObserver(TrafficObserver* observer) {
  observer_ = observer;
  arrivals_.clear();
  toldUpTo_ = 0;
}

void TrafficTap::sent(std::span<const std::uint8_t> frame) {
  if (observer_) observer_->requestSent(frame, Clock::now());
}

void TrafficTap::arrived(const RxBuffer& rx, std::span<const std::uint8_t> dropped) {
  if (!observer_) return;
  const Clock::time_point now = Clock::now();
  while (!arrivals_.empty() && arrivals_.front().end <= rx.removed()) arrivals_.pop_front();
  if (arrivals_.empty() || arrivals_.back().end < rx.appended()) arrivals_.push_back({rx.appended(), now});
  if (!dropped.empty()) observer_->bytesDiscarded(dropped, now);
}

TrafficTap::Clock::time_point TrafficTap::arrivalOf(std::uint64_t position) const {
  for (const Arrival& run : arrivals_)
    if (position < run.end) return run.at;
  // Bytes that came in before anyone observed: as late as the latest known.
  return arrivals_.empty() ? Clock::now() : arrivals_.back().at;
}

void TrafficTap::accepted(const RxBuffer& rx, std::span<const std::uint8_t> frame) {
  if (!observer_) return;
  observer_->replyReceived(frame, arrivalOf(rx.removed()), arrivalOf(rx.removed() + frame.size() - 1));
}

void TrafficTap::damaged(const RxBuffer& rx, TrafficObserver::Damage damage, std::span<const std::uint8_t> bytes,
                         std::uint8_t expectedCheck) {
  if (!observer_) return;
  // A frame too long still says how long it is: its body, coming later, is its own.
  std::size_t extent = bytes.size();
  if (damage == TrafficObserver::Damage::TooLong && bytes.size() > frame::LengthOffset)
    extent = std::max(extent, frame::frameSize(bytes[frame::LengthOffset]));
  toldUpTo_ = std::max(toldUpTo_, rx.removed() + extent);
  // A start of frame inside the frame's body: this one ended early and the
  // next reply filled it up.
  if (damage == TrafficObserver::Damage::BadCheck)
    for (std::size_t i = 2; i + 2 < bytes.size(); ++i)
      if (bytes[i] == 0xFF && bytes[i + 1] == 0xFF && bytes[i + 2] != 0xFF) {
        damage = TrafficObserver::Damage::Cut;
        break;
      }
  observer_->frameDamaged(damage, bytes, expectedCheck, arrivalOf(rx.removed()));
}

void TrafficTap::beforeSkipping(const RxBuffer& rx, Front& front) const {
  if (!observer_) return;
  front.size = rx.size();
  front.position = rx.removed();
  std::copy(rx.bytes().begin(), rx.bytes().end(), front.bytes.begin());
}

// The rest of a damaged frame is not told again; what is told carries the
// time its first byte came in.
void TrafficTap::afterSkipping(const RxBuffer& rx, const Front& front) {
  if (!observer_) return;
  const std::uint64_t from = std::max(front.position, toldUpTo_);
  if (rx.removed() <= from) return;
  const std::size_t offset = std::size_t(from - front.position);
  const std::size_t skipped = std::min(std::size_t(rx.removed() - from), front.size - std::min(offset, front.size));
  observer_->bytesDiscarded(std::span(front.bytes).subspan(offset, skipped), arrivalOf(from));
}

void TrafficTap::opened(const QString& deviceName) {
  toldUpTo_ = 0;
  if (observer_) observer_->portOpened(deviceName, Clock::now());
}

void TrafficTap::closed() {
  if (observer_) observer_->portClosed(Clock::now());
}
