#include <QApplication>
#include <QThread>

#include "app/MainWindow.h"
#include "ui/AboutWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);

  AboutWindow splash;
  splash.showSplash();
  QThread::msleep(1000);  // the splash stays up, unresponsive, for a second

  MainWindow form1;
  form1.setAboutWindow(&splash);
  form1.createPortDialog();
  splash.closeSplash();
  form1.show();
  return app.exec();
}
