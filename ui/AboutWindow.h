#pragma once
// The splash and about window: the barrier's picture, the program's title and
// its version. One instance lives for the whole run; a click anywhere on it
// closes (hides) it.
#include <QDialog>

class QLabel;

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int ClientWidth = 403;
  static constexpr int ClientHeight = 320;

  explicit AboutWindow(QWidget* parent = nullptr);

  // Shows the window as the start-up splash, painted at once where the
  // window system lets it; under a window manager it is painted when mapped,
  // so the caller keeps the event loop running while the splash is up.
  void showSplash();
  // Hides the splash; the window stays for later use as the about window.
  void closeSplash();
  // Shows the window modally; returns when a click has closed it.
  int showAbout();

  // Fills both labels; runs on every show.
  void fillLabels();
  // Closes the window; the click handler of every part of it.
  void dismiss();

  QWidget* panel = nullptr;
  QLabel* pictureLabel = nullptr;
  QLabel* titleLabel = nullptr;    // title
  QLabel* versionLabel = nullptr;  // version

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void placeOnce();
  void fitTitleFont();

  bool placed_ = false;
};
