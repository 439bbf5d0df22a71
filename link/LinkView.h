#pragma once
// What the device link needs from the window, and nothing more. The main
// window implements it; the link's tests implement it with a recorder.
#include "Colors.h"

#include <QString>

enum class ToolButton { Read, Send, Reset };

class LinkView {
 public:
  virtual ~LinkView() = default;

  // Reload the editors and the toolbar buttons from the model and link state.
  virtual void RefreshEditors() = 0;
  // Redraw the barrier picture now.
  virtual void DrawBarrier() = 0;
  // Recompute the beep pattern from the model.
  virtual void SetBeep() = 0;
  virtual void SetButtonEnabled(ToolButton button, bool enabled) = 0;
  // The identification bar's text and colours.
  virtual void SetIdentification(const QString& text, Rgb textColour, Rgb background) = 0;
  // The status bar's port text (first panel).
  virtual void SetPortStatus(const QString& text) = 0;
  // The activity gauge: progress 0..99, pie colour and background.
  virtual void SetGauge(int progress, Rgb foreground, Rgb background) = 0;
  // The small status label under the editors, shown with the log panel.
  virtual void SetStatusLabel(const QString& text) = 0;
  virtual bool PortDialogShowing() const = 0;
  virtual bool StopTicked() const = 0;
  virtual bool LogPanelVisible() const = 0;
  // Make the 1000 ms cycle timer count its whole interval anew from now.
  virtual void RestartCycleTimer() = 0;
  // Call DeviceLink::StatusPauseElapsed() once, `ms` milliseconds from now.
  virtual void ScheduleAfterStatus(int ms) = 0;
};
