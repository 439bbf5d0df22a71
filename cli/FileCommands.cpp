#include "cli/FileCommands.h"

#include "files/ConfigFile.h"
#include "files/ConfigText.h"

CommandOutcome fileFailure(const QString& path, const QString& message) {
  return {exitstatus::Usage,
          path + QStringLiteral(": ") + (message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.'))};
}

CommandOutcome runFileCommand(const CliRequest& request, const LineSink& out) {
  std::vector<BarrierConfig> configs(std::size_t(request.files.size()));
  for (qsizetype i = 0; i < request.files.size(); ++i)
    if (const ConfigFileResult result = readConfigFile(request.files[i], configs[std::size_t(i)]); !result)
      return fileFailure(request.files[i], result.message());

  if (request.command == CliCommand::Show) {
    for (const QString& line : configLines(configs[0])) out(line);
    return {};
  }
  const QStringList differences = configDifferences(configs[0], configs[1]);
  for (const QString& line : differences) out(line);
  return {differences.isEmpty() ? exitstatus::Done : exitstatus::NoAnswer, {}};
}
