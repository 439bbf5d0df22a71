#include "MyTools.h"
#include "Unit1txt.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(Text(Unit1txt::txtCaption) + QStringLiteral(" ") + Text(Unit1txt::txtVersionPrefix) + VersionText());
  label.setWindowTitle(Text(Unit1txt::txtCaption));
  label.show();
  return app.exec();
}
