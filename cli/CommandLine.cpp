#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QTranslator>
#include <QtNumeric>
#include <algorithm>
#include <array>
#include <tuple>

#include "serial/PortName.h"
#include "texts/UiTexts.h"

namespace {

struct CommandForm {
  const char* name;
  CliCommand command;
  const char* operands;  // as the syntax line names them
  int fileCount;
  UiTexts::Id help;  // what the command's own --help says it does
};

constexpr std::array<CommandForm, 12> Commands{{
    {"identify", CliCommand::Identify, " [--json]", 0, UiTexts::txtCliHelpIdentify},
    {"read", CliCommand::Read, " PLIK.acc", 1, UiTexts::txtCliHelpRead},
    {"write", CliCommand::Write, " [--force] PLIK.acc", 1, UiTexts::txtCliHelpWrite},
    {"reset", CliCommand::Reset, "", 0, UiTexts::txtCliHelpReset},
    {"status", CliCommand::Status, " [--follow [--reconnect]] [--json]", 0, UiTexts::txtCliHelpStatus},
    {"show", CliCommand::Show, " [--json] PLIK.acc", 1, UiTexts::txtCliHelpShow},
    {"diff", CliCommand::Diff, " A.acc B.acc", 2, UiTexts::txtCliHelpDiff},
    {"history", CliCommand::History,
     " [--barrier NUMER] [--since KIEDY] [--until KIEDY] [--json | --csv | --spreadsheet]", 0,
     UiTexts::txtCliHelpHistory},
    {"barriers", CliCommand::Barriers, " [--json]", 0, UiTexts::txtCliHelpBarriers},
    {"walktest", CliCommand::WalkTest, " [--json] [--timeout SEKUNDY]", 0, UiTexts::txtCliHelpWalkTest},
    {"report", CliCommand::Report,
     " PLIK.pdf [--barrier NUMER] [--site TEKST] [--technician TEKST] [--remark TEKST] [--plan PLIK.acc]", 1,
     UiTexts::txtCliHelpReport},
    {"ports", CliCommand::Ports, " [--json]", 0, UiTexts::txtCliHelpPorts},
}};

constexpr unsigned bit(CliCommand c) { return 1u << unsigned(c); }

// The options that only some commands take, with the commands that take them.
struct CommandOption {
  const char* name;
  bool CliRequest::*flag;
  unsigned commands;  // bit(command) of each command that takes it
  UiTexts::Id description;
};

constexpr std::array<CommandOption, 6> CommandOptions{{
    {"force", &CliRequest::force, bit(CliCommand::Write), UiTexts::txtCliOptionForce},
    {"follow", &CliRequest::follow, bit(CliCommand::Status), UiTexts::txtCliOptionFollow},
    {"reconnect", &CliRequest::reconnect, bit(CliCommand::Status), UiTexts::txtCliOptionReconnect},
    {"json", &CliRequest::json,
     bit(CliCommand::Identify) | bit(CliCommand::Status) | bit(CliCommand::Show) | bit(CliCommand::History) |
         bit(CliCommand::Barriers) | bit(CliCommand::WalkTest) | bit(CliCommand::Ports),
     UiTexts::txtCliOptionJson},
    {"csv", &CliRequest::csv, bit(CliCommand::History), UiTexts::txtCliOptionCsv},
    {"spreadsheet", &CliRequest::spreadsheet, bit(CliCommand::History), UiTexts::txtCliOptionSpreadsheet},
}};

// The options of history that take a value; report takes --barrier too.
struct HistoryOptions {
  QCommandLineOption barrier{QStringLiteral("barrier"), uiText(UiTexts::txtCliOptionBarrier),
                             uiText(UiTexts::txtCliOptionSerialValue)};
  QCommandLineOption since{QStringLiteral("since"), uiText(UiTexts::txtCliOptionSince),
                           uiText(UiTexts::txtCliOptionWhenValue)};
  QCommandLineOption until{QStringLiteral("until"), uiText(UiTexts::txtCliOptionUntil),
                           uiText(UiTexts::txtCliOptionWhenValue)};
};

// The texts the report command puts in its record.
struct ReportOption {
  const char* name;
  QString CliRequest::*value;
  UiTexts::Id help;
  UiTexts::Id valueName;
};

const std::array<ReportOption, 4> ReportOptions{{
    {"site", &CliRequest::site, UiTexts::txtCliOptionSite, UiTexts::txtCliOptionTextValue},
    {"technician", &CliRequest::technician, UiTexts::txtCliOptionTechnician, UiTexts::txtCliOptionTextValue},
    {"remark", &CliRequest::remark, UiTexts::txtCliOptionRemark, UiTexts::txtCliOptionTextValue},
    {"plan", &CliRequest::plan, UiTexts::txtCliOptionPlan, UiTexts::txtCliOptionFileValue},
}};

QCommandLineOption reportOption(const ReportOption& option) {
  return QCommandLineOption(QString::fromLatin1(option.name), uiText(option.help), uiText(option.valueName));
}

// Commands that talk to no barrier take no port and no time-out.
bool offline(CliCommand command) {
  return command == CliCommand::Show || command == CliCommand::Diff || command == CliCommand::History ||
         command == CliCommand::Barriers || command == CliCommand::Report || command == CliCommand::Ports;
}

// Qt's parser words its headings and errors in English, or in Qt's own
// Polish where Qt's translations are installed; these are the program's.
class ParserTexts : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    static constexpr std::array<std::pair<const char*, UiTexts::Id>, 6> texts{{
        {"Options:", UiTexts::txtCliOptionsHeading},
        {"Arguments:", UiTexts::txtCliArgumentsHeading},
        {"Unknown option '%1'.", UiTexts::txtCliUnknownOption},
        {"Unknown options: %1.", UiTexts::txtCliUnknownOptions},
        {"Missing value after '%1'.", UiTexts::txtCliMissingValue},
        {"Unexpected value after '%1'.", UiTexts::txtCliUnexpectedValue},
    }};
    if (qstrcmp(context, "QCommandLineParser") == 0)
      for (const auto& [english, id] : texts)
        if (qstrcmp(source, english) == 0) return uiText(id);
    return {};
  }
};

// Installed anew for each parse, so that it also serves an application
// created after an earlier one ended (the tests).
void useParserTexts() {
  static ParserTexts texts;
  if (!QCoreApplication::instance()) return;
  QCoreApplication::removeTranslator(&texts);
  QCoreApplication::installTranslator(&texts);
}

// --help and --version in the program's words. --help-all, which Qt's own
// help option adds for Qt's options, is taken as --help and not listed.
struct HelpOptions {
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, uiText(UiTexts::txtHelpOption)};
  QCommandLineOption helpAll{QStringLiteral("help-all")};
  QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")}, uiText(UiTexts::txtVersionOption)};

  explicit HelpOptions(QCommandLineParser& parser) {
    helpAll.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({help, helpAll});
  }
  bool helpAsked(const QCommandLineParser& parser) const { return parser.isSet(help) || parser.isSet(helpAll); }
};

// Qt's help with the usage line naming the program, whatever path started it.
QString helpText(const QCommandLineParser& parser, const QString& syntax) {
  QString text = parser.helpText();
  return text.replace(0, text.indexOf(QLatin1Char('\n')), uiText(UiTexts::txtCliUsage).arg(syntax));
}

// The options every command takes.
struct CommonOptions {
  QCommandLineOption port{QStringLiteral("port"), uiText(UiTexts::txtCliOptionPort),
                          uiText(UiTexts::txtCliOptionPortValue)};
  QCommandLineOption timeout{QStringLiteral("timeout"),
                             uiText(UiTexts::txtCliOptionTimeout).arg(CliRequest::DefaultTimeoutSeconds),
                             uiText(UiTexts::txtCliOptionTimeoutValue)};
  // The walk test waits for the technician, not for the barrier.
  QCommandLineOption walkTimeout{QStringLiteral("timeout"),
                                 uiText(UiTexts::txtCliWalkTimeout).arg(CliRequest::WalkTestTimeoutSeconds),
                                 uiText(UiTexts::txtCliOptionTimeoutValue)};
};

// `form`'s own help: its syntax, what it does, and only the options it takes.
QString commandHelp(const CommandForm& form) {
  QCommandLineParser parser;
  const HelpOptions helpOptions(parser);
  const CommonOptions common;
  if (form.command == CliCommand::WalkTest)
    parser.addOptions({common.port, common.walkTimeout});
  else if (!offline(form.command))
    parser.addOptions({common.port, common.timeout});
  const HistoryOptions history;
  if (form.command == CliCommand::History) parser.addOptions({history.barrier, history.since, history.until});
  if (form.command == CliCommand::Report) {
    parser.addOption(history.barrier);
    for (const ReportOption& option : ReportOptions) parser.addOption(reportOption(option));
  }
  for (const CommandOption& option : CommandOptions)
    if (option.commands & bit(form.command))
      parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), uiText(option.description)));
  const QString name = QString::fromLatin1(form.name);
  parser.addPositionalArgument(name, uiText(form.help), name + QLatin1String(form.operands));
  return helpText(parser, name + QLatin1String(form.operands));
}

CliParse failure(const QString& message) {
  CliParse parse;
  parse.outcome = CliParse::Error;
  // One sentence: Qt's messages and ours end with a full stop, the hint comes before it.
  parse.text = (message.endsWith(QLatin1Char('.')) ? message.chopped(1) : message) + uiText(UiTexts::txtCliSeeHelp);
  return parse;
}

}  // namespace

CliParse parseCommandLine(const QStringList& arguments) {
  useParserTexts();
  QCommandLineParser parser;
  parser.setApplicationDescription(uiText(UiTexts::txtCliDescription));
  const HelpOptions helpOptions(parser);
  parser.addOption(helpOptions.version);
  const CommonOptions common;
  const QCommandLineOption& port = common.port;
  // The general help names both meanings of the time-out.
  const QCommandLineOption timeout(QStringLiteral("timeout"),
                                   common.timeout.description() + QLatin1Char(' ') + common.walkTimeout.description(),
                                   common.timeout.valueName());
  parser.addOptions({port, timeout});
  for (const CommandOption& option : CommandOptions)
    parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), uiText(option.description)));
  const HistoryOptions history;
  parser.addOptions({history.barrier, history.since, history.until});
  for (const ReportOption& option : ReportOptions) parser.addOption(reportOption(option));
  parser.addPositionalArgument(QStringLiteral("polecenie"), uiText(UiTexts::txtCliCommandArgument),
                               uiText(UiTexts::txtCliCommandSyntax));

  if (!parser.parse(arguments)) return failure(parser.errorText());
  CliParse parse;
  if (helpOptions.helpAsked(parser)) {
    parse.outcome = CliParse::Help;
    parse.text = helpText(parser, uiText(UiTexts::txtCliCommandSyntax));
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty())
      for (const CommandForm& form : Commands)
        if (positional.constFirst() == QLatin1String(form.name)) parse.text = commandHelp(form);
    return parse;
  }
  if (parser.isSet(helpOptions.version)) {
    parse.outcome = CliParse::Version;
    parse.text = QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion();
    return parse;
  }

  QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return failure(uiText(UiTexts::txtCliNoCommand));
  const QString name = positional.takeFirst();
  const CommandForm* known = nullptr;
  for (const CommandForm& candidate : Commands)
    if (name == QLatin1String(candidate.name)) known = &candidate;
  if (!known) return failure(uiText(UiTexts::txtCliUnknownCommand).arg(name));

  CliRequest& request = parse.request;
  request.command = known->command;
  const QString syntax = uiText(UiTexts::txtCliSyntax).arg(name + QLatin1String(known->operands));
  if (positional.size() != known->fileCount) return failure(syntax);
  request.files = positional;
  if (request.files.count(CliRequest::StandardStream) > 1) return failure(uiText(UiTexts::txtCliStdinTwice));

  for (const CommandOption& option : CommandOptions) {
    if (!parser.isSet(QString::fromLatin1(option.name))) continue;
    if (!(option.commands & bit(known->command)))
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + QLatin1String(option.name), name));
    request.*option.flag = true;
  }
  if (request.json && request.csv) return failure(uiText(UiTexts::txtCliJsonAndCsv));
  if (request.json && request.spreadsheet) return failure(uiText(UiTexts::txtCliJsonAndSpreadsheet));
  for (const QCommandLineOption* option : {&history.barrier, &history.since, &history.until})
    if (parser.isSet(*option) && known->command != CliCommand::History &&
        !(option == &history.barrier && known->command == CliCommand::Report))
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + option->names().first(), name));
  if (parser.isSet(history.barrier)) {
    bool number = false;
    const unsigned serial = parser.value(history.barrier).toUInt(&number);
    if (!number || serial > 65535) return failure(uiText(UiTexts::txtCliBadSerial).arg(parser.value(history.barrier)));
    request.barrier = serial;
  }
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  for (auto [option, field, rangeEnd] : {std::tuple{&history.since, &CliRequest::sinceMs, false},
                                         std::tuple{&history.until, &CliRequest::untilMs, true}}) {
    if (!parser.isSet(*option)) continue;
    request.*field = parseWhen(parser.value(*option), now, rangeEnd);
    if (!(request.*field)) return failure(uiText(UiTexts::txtCliBadWhen).arg(parser.value(*option)));
  }
  if (request.sinceMs && request.untilMs && *request.sinceMs > *request.untilMs)
    return failure(
        uiText(UiTexts::txtCliSinceAfterUntil).arg(parser.value(history.since), parser.value(history.until)));
  for (const ReportOption& option : ReportOptions) {
    if (!parser.isSet(QString::fromLatin1(option.name))) continue;
    if (known->command != CliCommand::Report)
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + QLatin1String(option.name), name));
    request.*option.value = parser.value(QString::fromLatin1(option.name));
  }
  if (request.command == CliCommand::WalkTest) request.timeoutSeconds = CliRequest::WalkTestTimeoutSeconds;
  if (request.reconnect && !request.follow)
    return failure(uiText(UiTexts::txtCliSyntax).arg(name + QLatin1String(known->operands)));
  if (parser.isSet(port)) {
    const QString given = parser.value(port);
    if (given.isEmpty()) return failure(uiText(UiTexts::txtCliSyntax).arg(QStringLiteral("--port nazwa ") + name));
    const std::optional<QString> resolved = resolvePortName(given, QDir::currentPath());
    if (!resolved) return failure(uiText(UiTexts::txtNotAPortName).arg(given));
    request.port = *resolved;
  }
  if (parser.isSet(timeout)) {
    bool number = false;
    const QString given = parser.value(timeout);
    request.timeoutSeconds = given.toDouble(&number);
    // A day at most: the value becomes milliseconds in an int.
    if (!number || !(request.timeoutSeconds > 0) || request.timeoutSeconds > 86400)
      return failure(uiText(UiTexts::txtCliBadTimeout).arg(given));
  }
  parse.outcome = CliParse::Run;
  return parse;
}

QString commandName(CliCommand command) {
  for (const CommandForm& form : Commands)
    if (form.command == command) return QString::fromLatin1(form.name);
  return QString();
}

namespace {

constexpr qint64 DayMs = 86'400'000;

// Seconds east of UTC of the local clock at `ms`.
int localOffset(qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc(); }

// The moment the local clock shows `date` and `time`. A time it shows twice
// (the hour repeated at the end of summer time) is the earlier moment, or
// with `later` the later; a time it skips is the moment of the skip, the
// first after it.
std::optional<qint64> localMoment(QDate date, QTime time, bool later) {
  const qint64 wall = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
  // The offsets on both sides of a change of the clock near that time.
  const qint64 before = localOffset(wall - DayMs) * 1000LL, after = localOffset(wall + DayMs) * 1000LL;
  std::optional<qint64> found;
  for (const qint64 offset : {before, after}) {
    const qint64 moment = wall - offset;
    if (moment + localOffset(moment) * 1000LL != wall) continue;
    if (!found || (later ? moment > *found : moment < *found)) found = moment;
  }
  if (found || before >= after) return found;
  // Skipped: the clock shows less than `wall` at `low` and more at `high`.
  qint64 low = wall - after, high = wall - before;
  while (high - low > 1) {
    const qint64 middle = low + (high - low) / 2;
    (localOffset(middle) * 1000LL == after ? high : low) = middle;
  }
  return high;
}

// A span of time as journalctl takes it ("90m", "1h 30min", "2 days"), in
// ms; none for anything else or a span beyond qint64.
std::optional<qint64> parseSpan(const QString& text) {
  static const QHash<QString, qint64> units = [] {
    const std::array<std::pair<const char*, qint64>, 8> names{{
        {"ms msec", 1},
        {"s sec second seconds", 1000},
        {"m min minute minutes", 60'000},
        {"h hr hour hours", 3'600'000},
        {"d day days", DayMs},
        {"w week weeks", 7 * DayMs},
        {"M month months", 2'629'800'000},  // 30.44 days, as systemd counts
        {"y year years", 31'557'600'000},   // 365.25 days
    }};
    QHash<QString, qint64> table;
    for (const auto& [words, ms] : names)
      for (const QString& word : QString::fromLatin1(words).split(QLatin1Char(' '))) table.insert(word, ms);
    return table;
  }();
  static const QRegularExpression part(QStringLiteral("(\\d{1,12})\\s*([a-zA-Z]+)\\s*"));
  qint64 total = 0;
  qsizetype at = 0;
  for (QRegularExpressionMatchIterator it = part.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    const qint64 unit = units.value(m.captured(2));
    qint64 ms = 0;
    if (m.capturedStart() != at || unit == 0 || qMulOverflow(m.captured(1).toLongLong(), unit, &ms) ||
        qAddOverflow(total, ms, &total))
      return std::nullopt;
    at = m.capturedEnd();
  }
  if (at == 0 || at != text.size()) return std::nullopt;
  return total;
}

}  // namespace

std::optional<qint64> parseWhen(const QString& text, qint64 nowMs, bool rangeEnd) {
  const QDate today = QDateTime::fromMSecsSinceEpoch(nowMs).date();
  if (text == QLatin1String("now")) return nowMs;
  for (const auto& [word, days] : {std::pair{"today", 0}, std::pair{"yesterday", -1}, std::pair{"tomorrow", 1}})
    if (text == QLatin1String(word)) return today.addDays(days).startOfDay().toMSecsSinceEpoch();

  // "-1h", "30s", "2 days ago": back from now; "+1h", "1h left": ahead.
  static const QRegularExpression relative(QStringLiteral("^([+-]?)\\s*(.*?)(?:\\s+(ago|left))?$"));
  const QRegularExpressionMatch r = relative.match(text.trimmed());
  if (const std::optional<qint64> span = parseSpan(r.captured(2))) {
    const QString sign = r.captured(1), word = r.captured(3);
    if ((sign == QLatin1String("+") && word == QLatin1String("ago")) ||
        (sign == QLatin1String("-") && word == QLatin1String("left")))
      return std::nullopt;
    const bool ahead = sign == QLatin1String("+") || word == QLatin1String("left");
    qint64 moment = 0;
    if (ahead ? qAddOverflow(nowMs, *span, &moment) : qSubOverflow(nowMs, *span, &moment)) return std::nullopt;
    return moment;
  }

  const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
  if (!date.isValid() || text.size() < 10) return std::nullopt;
  if (text.size() == 10)
    return rangeEnd ? date.addDays(1).startOfDay().toMSecsSinceEpoch() - 1 : date.startOfDay().toMSecsSinceEpoch();
  if (text[10] != QLatin1Char('T') && text[10] != QLatin1Char(' ')) return std::nullopt;
  const QString rest = text.mid(11);
  // With an offset or Z the moment is exact.
  static const QRegularExpression zoned(QStringLiteral("(Z|[+-]\\d\\d(:?\\d\\d)?)$"));
  if (zoned.match(rest).hasMatch()) {
    const QDateTime moment = QDateTime::fromString(text.left(10) + QLatin1Char('T') + rest, Qt::ISODateWithMs);
    return moment.isValid() ? std::optional(moment.toMSecsSinceEpoch()) : std::nullopt;
  }
  const QTime time = QTime::fromString(rest, Qt::ISODateWithMs);
  if (!time.isValid()) return std::nullopt;
  return localMoment(date, time, rangeEnd);
}
