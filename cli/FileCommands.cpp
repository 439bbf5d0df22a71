#include "cli/FileCommands.h"

#include <QFileInfo>

#include "files/ConfigFile.h"
#include "files/ConfigText.h"
#include "texts/UiTexts.h"

namespace {

void warnAboutOddities(const QString& path, const BarrierConfig& config, const CommandOutput& out) {
  const QString prefix = path + QStringLiteral(": ");
  if (const qint64 size = QFileInfo(path).size(); size != qint64(BarrierConfig::Size))
    out.error(prefix + uiText(UiTexts::txtCliFileSize).arg(size));
  if (const int beams = config[BarrierConfig::BeamCount]; beams < 2 || beams > MaxBeams)
    out.error(prefix + uiText(UiTexts::txtCliFileBeamCount).arg(beams));
}

}  // namespace

CommandOutcome fileFailure(const QString& path, const QString& message) {
  return {exitstatus::Usage,
          path + QStringLiteral(": ") + (message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.'))};
}

CommandOutcome runFileCommand(const CliRequest& request, const CommandOutput& out) {
  std::vector<BarrierConfig> configs(std::size_t(request.files.size()));
  for (qsizetype i = 0; i < request.files.size(); ++i)
    if (const ConfigFileResult result = readConfigFile(request.files[i], configs[std::size_t(i)]); !result)
      return fileFailure(request.files[i], result.message());
  for (qsizetype i = 0; i < request.files.size(); ++i)
    warnAboutOddities(request.files[i], configs[std::size_t(i)], out);

  if (request.command == CliCommand::Show) {
    for (const QString& line : configLines(configs[0])) out.line(line);
    return {};
  }
  const QStringList differences = configDifferences(configs[0], configs[1]);
  for (const QString& line : differences) out.line(line);
  return {differences.isEmpty() ? exitstatus::Done : exitstatus::NoAnswer, {}};
}
