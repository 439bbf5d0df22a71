#pragma once
// Where the beeper's slots go: a tone or a silence of a given length. Both
// calls return when the time has passed, so the caller's timing is the
// output's timing.
class ToneOutput {
 public:
  virtual ~ToneOutput() = default;
  virtual void Tone(int hz, int ms) = 0;
  virtual void Silence(int ms) = 0;
};
