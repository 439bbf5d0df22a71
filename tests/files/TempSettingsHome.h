#pragma once
// Points the per-user settings store at a fresh temporary folder for the
// life of the object, so that no test touches the user's real settings.
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <cstdlib>

class TempSettingsHome {
 public:
  TempSettingsHome() {
    // Both: the variable guards any store opened before setPath takes effect.
    setenv("XDG_CONFIG_HOME", qPrintable(dir_.path()), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
  }
  QString path() const { return dir_.path(); }
  // The file behind the key "Software\Dravel\Orvita" (Dravel/Orvita.conf below path()).
  QString orvitaFile() const {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Dravel"), QStringLiteral("Orvita"))
        .fileName();
  }

 private:
  QTemporaryDir dir_;
};
