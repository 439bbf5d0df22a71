#include "cli/FileCommands.h"

#include <unistd.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <array>
#include <cerrno>

#include "files/ConfigText.h"
#include "texts/UiTexts.h"

namespace {

bool standardStream(const QString& path) { return path == CliRequest::StandardStream; }

QString shownName(const QString& path) { return standardStream(path) ? uiText(UiTexts::txtCliStandardInput) : path; }

void warnAboutOddities(const QString& path, qint64 size, const BarrierConfig& config, const CommandOutput& out) {
  const QString prefix = shownName(path) + QStringLiteral(": ");
  if (size != qint64(BarrierConfig::Size)) out.error(prefix + uiText(UiTexts::txtCliFileSize).arg(size));
  if (const int beams = config[BarrierConfig::BeamCount]; beams < 2 || beams > MaxBeams)
    out.error(prefix + uiText(UiTexts::txtCliFileBeamCount).arg(beams));
}

// The first 32 bytes of standard input into `config`, the rest counted.
ConfigFileResult readStandardInput(BarrierConfig& config, qint64* size) {
  BarrierConfig read;
  std::array<char, 65536> buffer;
  qint64 total = 0;
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {ConfigFileError::Other, errno};
    if (n == 0) break;
    for (ssize_t i = 0; i < n && total + i < qint64(BarrierConfig::Size); ++i)
      read[std::size_t(total + i)] = std::uint8_t(buffer[std::size_t(i)]);
    total += n;
  }
  if (size) *size = total;
  if (total < qint64(BarrierConfig::Size)) return {ConfigFileError::ReadBeyondEnd, 0};
  config = read;
  return {};
}

QString configFileMessage(const ConfigFileResult& result) {
  switch (result.error) {
    case ConfigFileError::FileNotFound:
      return uiText(UiTexts::txtCliFileNotFound);
    case ConfigFileError::InvalidFilename:
      return uiText(UiTexts::txtCliInvalidFilename);
    case ConfigFileError::AccessDenied:
      return uiText(UiTexts::txtCliFileAccessDenied);
    case ConfigFileError::ReadBeyondEnd:
      return uiText(UiTexts::txtCliFileTooShort);
    case ConfigFileError::DiskFull:
      return uiText(UiTexts::txtCliDiskFull);
    case ConfigFileError::TooManyOpenFiles:
      return uiText(UiTexts::txtCliTooManyOpenFiles);
    default:
      // Already the program's own words, or the system's.
      return result.message();
  }
}

}  // namespace

ConfigFileResult readConfigArgument(const QString& path, BarrierConfig& config, qint64* size) {
  if (standardStream(path)) return readStandardInput(config, size);
  const ConfigFileResult result = readConfigFile(path, config);
  if (size) *size = QFileInfo(path).size();
  return result;
}

std::optional<CommandOutcome> configOutputRefused(const CliRequest& request) {
  if (request.command == CliCommand::Read && standardStream(request.files.value(0)) && ::isatty(STDOUT_FILENO))
    return CommandOutcome{exitstatus::Usage, uiText(UiTexts::txtCliBinaryToTerminal)};
  return std::nullopt;
}

CommandOutcome writeConfigArgument(const QString& path, const BarrierConfig& config, const CommandOutput& out) {
  if (standardStream(path)) {
    out.data(QByteArray(reinterpret_cast<const char*>(config.bytes.data()), qsizetype(config.bytes.size())));
    return {};
  }
  if (const ConfigFileResult result = writeConfigFile(path, config); !result) return fileFailure(path, result);
  return {};
}

QJsonObject configJson(const BarrierConfig& config) {
  using C = BarrierConfig;
  const int count = config[C::BeamCount];
  QJsonArray beams;
  // As the words show them: the beams the count names, all eight for a count out of range.
  for (int b = 1; b <= (count >= 2 && count <= MaxBeams ? count : MaxBeams); ++b)
    beams.append(QJsonObject{
        {QStringLiteral("beam"), b},
        {QStringLiteral("responseTimeMs"), config[C::responseTime(b)] * 40},
        {QStringLiteral("switchedOff"), config[C::responseTime(b)] == 0},
        {QStringLiteral("autoBlockCount"), config[C::autoBlockCount(b)]},
    });
  return QJsonObject{
      {QStringLiteral("beamCount"), count},
      {QStringLiteral("alarmMode"), config[C::AlarmMode]},
      {QStringLiteral("beams"), beams},
      {QStringLiteral("autoBlockTimeSeconds"), config[C::AutoBlockTime]},
      {QStringLiteral("maxCoveredTimeMinutes"), config[C::MaxCoveredTime]},
      {QStringLiteral("serial"), int(config.transmitterSerial())},
      {QStringLiteral("config"),
       QString::fromLatin1(
           QByteArray(reinterpret_cast<const char*>(config.bytes.data()), qsizetype(C::Size)).toHex().toUpper())},
  };
}

CommandOutcome fileFailure(const QString& path, const ConfigFileResult& result) {
  return fileFailure(shownName(path), configFileMessage(result));
}

CommandOutcome fileFailure(const QString& path, const QString& message) {
  return {exitstatus::Usage,
          path + QStringLiteral(": ") + (message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.'))};
}

CommandOutcome runFileCommand(const CliRequest& request, const CommandOutput& out) {
  std::vector<BarrierConfig> configs(std::size_t(request.files.size()));
  std::vector<qint64> sizes(configs.size());
  for (std::size_t i = 0; i < configs.size(); ++i) {
    const QString& path = request.files[qsizetype(i)];
    if (const ConfigFileResult result = readConfigArgument(path, configs[i], &sizes[i]); !result)
      return fileFailure(path, result);
  }
  for (std::size_t i = 0; i < configs.size(); ++i)
    warnAboutOddities(request.files[qsizetype(i)], sizes[i], configs[i], out);

  if (request.command == CliCommand::Show) {
    if (request.json)
      out.line(QString::fromUtf8(QJsonDocument(configJson(configs[0])).toJson(QJsonDocument::Compact)));
    else
      for (const QString& line : configLines(configs[0])) out.line(line);
    return {};
  }
  const QStringList differences = configDifferences(configs[0], configs[1]);
  for (const QString& line : differences) out.line(line);
  return {differences.isEmpty() ? exitstatus::Done : exitstatus::NoAnswer, {}};
}
