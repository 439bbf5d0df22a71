#pragma once
// The splash and about window: the barrier's picture, the program's title and
// its version. One instance lives for the whole run; a click anywhere on it
// closes (hides) it.
#include <QDialog>

class QLabel;

class TForm3 : public QDialog {
  Q_OBJECT

 public:
  static constexpr int ClientWidth = 403;
  static constexpr int ClientHeight = 320;

  explicit TForm3(QWidget* parent = nullptr);

  // Shows the window as the start-up splash and paints it before returning.
  void ShowSplash();
  // Hides the splash; the window stays for later use as the about window.
  void CloseSplash();
  // Shows the window modally; returns when a click has closed it.
  int ShowAbout();

  // Fills both labels; runs on every show.
  void FormShow();
  // Closes the window; the click handler of every part of it.
  void Image1Click();

  QWidget* Panel1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;  // title
  QLabel* Label2 = nullptr;  // version

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceOnce();

  bool placed_ = false;
};
