#include <QApplication>
#include <QThread>

#include "Form1.h"
#include "UnitSplash.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);

  TForm3 splash;
  splash.ShowSplash();
  QThread::msleep(1000);  // the splash stays up, unresponsive, for a second

  TForm1 form1;
  form1.SetAboutWindow(&splash);
  form1.CreatePortDialog();
  splash.CloseSplash();
  form1.show();
  return app.exec();
}
