#include "Registry.h"

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
std::unique_ptr<QSettings> OpenKey(const QString& key) {
  QStringList parts = key.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
  const QString application = parts.isEmpty() ? QString() : parts.takeLast();
  const QString organisation = parts.isEmpty() ? QString() : parts.takeLast();
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation, application);
  settings->setFallbacksEnabled(false);
  return settings;
}

void ReportInvalidType(const QString& name) {
  std::fprintf(stderr, "Invalid data type for '%s'\n", name.toLocal8Bit().constData());
}

// The value `name` when it is stored and the store could be read.
QVariant ReadValue(const QString& key, const QString& name) {
  if (name.isEmpty()) return {};
  auto settings = OpenKey(key);
  if (settings->status() != QSettings::NoError) return {};
  return settings->value(name);
}

void WriteValue(const QString& key, const QString& name, const QVariant& value) {
  if (name.isEmpty()) return;
  auto settings = OpenKey(key);
  if (settings->status() != QSettings::NoError || !settings->isWritable()) return;
  settings->setValue(name, value);
  settings->sync();
}

}  // namespace

QString RegReadString(const QString& key, const QString& name) {
  const QVariant value = ReadValue(key, name);
  if (!value.isValid()) return {};
  if (value.typeId() != QMetaType::QString) {
    ReportInvalidType(name);
    return {};
  }
  return value.toString();
}

void RegWriteString(const QString& key, const QString& name, const QString& text) { WriteValue(key, name, text); }

std::int32_t RegReadBytes(const QString& key, const QString& name, std::uint8_t* buffer, std::int32_t size) {
  if (size <= 0) return 0;
  std::memset(buffer, 0, std::size_t(size));
  const QVariant value = ReadValue(key, name);
  if (!value.isValid()) return 0;
  if (value.typeId() != QMetaType::QByteArray) {
    ReportInvalidType(name);
    return 0;
  }
  const QByteArray bytes = value.toByteArray();
  // The registry refuses a value larger than the caller's buffer; so do we.
  if (bytes.size() > size) {
    ReportInvalidType(name);
    return 0;
  }
  std::memcpy(buffer, bytes.constData(), std::size_t(bytes.size()));
  return std::int32_t(bytes.size());
}

void RegWriteBytes(const QString& key, const QString& name, const std::uint8_t* buffer, std::int32_t size) {
  if (size < 0) return;
  WriteValue(key, name, QByteArray(reinterpret_cast<const char*>(buffer), size));
}
