#pragma once
// What the device link needs from the window, and nothing more. The main
// window implements it; the link's tests implement it with a recorder.
#include <QString>

#include "model/Colors.h"

enum class ToolButton { Read, Send, Reset };

class LinkView {
 public:
  virtual ~LinkView() = default;

  // Reload the editors and the toolbar buttons from the model and link state.
  virtual void refreshEditors() = 0;
  // Redraw the barrier picture now.
  virtual void drawBarrier() = 0;
  // Recompute the beep pattern from the model.
  virtual void setBeep() = 0;
  virtual void setButtonEnabled(ToolButton button, bool enabled) = 0;
  // The identification bar's text and colours.
  virtual void setIdentification(const QString& text, Rgb textColour, Rgb background) = 0;
  // The status bar's port text (first panel).
  virtual void setPortStatus(const QString& text) = 0;
  // The activity gauge: progress 0..99, pie colour and background.
  virtual void setGauge(int progress, Rgb foreground, Rgb background) = 0;
  // A notice the user must see without opening the log panel (a write that
  // was not done, edits replaced by a read); an empty text takes it away.
  virtual void showNotice(const QString& text) = 0;
  // The notice just shown says that unsent edits were set aside: offer to
  // take them back (DeviceLink::restoreSetAsideEdits) for as long as it shows.
  virtual void offerSetAsideEdits() {}
  // The small status label under the editors, shown with the log panel.
  virtual void setStatusLabel(const QString& text) = 0;
  virtual bool portDialogShowing() const = 0;
  virtual bool stopTicked() const = 0;
  virtual bool logPanelVisible() const = 0;
  // Make the 1000 ms cycle timer count its whole interval anew from now.
  virtual void restartCycleTimer() = 0;
  // Call DeviceLink::statusPauseElapsed() once, `ms` milliseconds from now;
  // a call still pending is replaced.
  virtual void scheduleAfterStatus(int ms) = 0;
};
