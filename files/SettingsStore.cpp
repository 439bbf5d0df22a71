#include "files/SettingsStore.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The store behind `key`: on Linux the native format is the INI file
// $XDG_CONFIG_HOME/<organisation>/<application>.conf. Fallbacks are off: the system-wide and
// organisation-wide files must not leak values into a per-user key.
std::unique_ptr<QSettings> openKey(const QString& key) {
  QStringList parts = key.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
  const QString application = parts.isEmpty() ? QString() : parts.takeLast();
  const QString organisation = parts.isEmpty() ? QString() : parts.takeLast();
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation, application);
  settings->setFallbacksEnabled(false);
  return settings;
}

void reportInvalidType(const QString& name) {
  std::fprintf(stderr, "Invalid data type for '%s'\n", name.toLocal8Bit().constData());
}

// The value `name` when it is stored and the store could be read.
QVariant readValue(const QString& key, const QString& name) {
  if (name.isEmpty()) return {};
  auto settings = openKey(key);
  if (settings->status() != QSettings::NoError) return {};
  return settings->value(name);
}

void writeValue(const QString& key, const QString& name, const QVariant& value) {
  if (name.isEmpty()) return;
  auto settings = openKey(key);
  if (settings->status() != QSettings::NoError || !settings->isWritable()) return;
  settings->setValue(name, value);
  settings->sync();
}

}  // namespace

QString readStoredString(const QString& key, const QString& name) {
  const QVariant value = readValue(key, name);
  if (!value.isValid()) return {};
  if (value.typeId() != QMetaType::QString) {
    reportInvalidType(name);
    return {};
  }
  return value.toString();
}

void writeStoredString(const QString& key, const QString& name, const QString& text) { writeValue(key, name, text); }

std::int32_t readStoredBytes(const QString& key, const QString& name, std::uint8_t* buffer, std::int32_t size) {
  if (size <= 0) return 0;
  std::memset(buffer, 0, std::size_t(size));
  const QVariant value = readValue(key, name);
  if (!value.isValid()) return 0;
  if (value.typeId() != QMetaType::QByteArray) {
    reportInvalidType(name);
    return 0;
  }
  const QByteArray bytes = value.toByteArray();
  // The registry refuses a value larger than the caller's buffer; so do we.
  if (bytes.size() > size) {
    reportInvalidType(name);
    return 0;
  }
  std::memcpy(buffer, bytes.constData(), std::size_t(bytes.size()));
  return std::int32_t(bytes.size());
}

void writeStoredBytes(const QString& key, const QString& name, const std::uint8_t* buffer, std::int32_t size) {
  if (size < 0) return;
  writeValue(key, name, QByteArray(reinterpret_cast<const char*>(buffer), size));
}

int storedJournalDays(const QString& key) {
  bool number = false;
  const int days = readStoredString(key, QStringLiteral("journalDays")).trimmed().toInt(&number);
  return number && days >= 0 ? days : DefaultJournalDays;
}
