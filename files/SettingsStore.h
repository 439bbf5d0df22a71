#pragma once
// The per-user settings store. A key path such as "Software\Dravel\Orvita"
// names the file of QSettings(NativeFormat, UserScope, "Dravel", "Orvita"),
// on Linux the INI file $XDG_CONFIG_HOME/Dravel/Orvita.conf: the last two components are the organisation and the
// application. Every call opens the store afresh and closes it again. A store that cannot be read or written is silent:
// reads give nothing, writes are dropped.
#include <QString>
#include <cstdint>

// The key under which the program keeps its port settings and window placement.
inline const QString SettingsKey = QStringLiteral("Software\\Dravel\\Orvita");

// The string value `name`; empty when absent or not a string.
QString readStoredString(const QString& key, const QString& name);
void writeStoredString(const QString& key, const QString& name, const QString& text);

// Zero-fills buffer[0..size) and copies the byte value `name` into it. Gives
// the number of bytes read: 0 when absent, not a byte value or longer than
// `size`. A shorter value fills the buffer from its start.
std::int32_t readStoredBytes(const QString& key, const QString& name, std::uint8_t* buffer, std::int32_t size);
// Stores exactly buffer[0..size) as the byte value `name`.
void writeStoredBytes(const QString& key, const QString& name, const std::uint8_t* buffer, std::int32_t size);

// How many days the journal keeps a session: the string value "journalDays"
// under `key` (a whole number, 0 keeps everything), 180 when absent or not a number.
inline constexpr int DefaultJournalDays = 180;
int storedJournalDays(const QString& key);
