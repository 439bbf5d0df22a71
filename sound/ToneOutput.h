#pragma once
// Where the beeper's slots go: a tone or a silence of a given length. Both
// calls return when the time has passed, so the caller's timing is the
// output's timing.
class ToneOutput {
 public:
  virtual ~ToneOutput() = default;
  virtual void tone(int hz, int ms) = 0;
  virtual void silence(int ms) = 0;
  // Nothing will be played for a while: a chance to let the device go.
  virtual void rest() {}
};
