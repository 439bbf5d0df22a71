#include "cli/PortsCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "texts/UiTexts.h"

namespace {

// The port dialog's description, with the adapter's latency timer where known.
QString detail(const PortChoice& device) {
  const QString description = deviceDescription(device);
  if (!device.latencyTimerMs || description.isEmpty()) return description;
  return uiText(UiTexts::txtPortLatency).arg(description).arg(*device.latencyTimerMs);
}

QString entry(const QString& name, const QString& description) {
  return description.isEmpty() ? name : uiText(UiTexts::txtPortListEntry).arg(name, description);
}

QJsonObject deviceJson(const PortChoice& device, const QStringList& stableNames) {
  return QJsonObject{
      {QStringLiteral("name"), device.name},
      {QStringLiteral("device"), QStringLiteral("/dev/") + device.name},
      {QStringLiteral("stableNames"), QJsonArray::fromStringList(stableNames)},
      {QStringLiteral("description"), deviceDescription(device)},
      {QStringLiteral("manufacturer"), device.manufacturer},
      {QStringLiteral("product"), device.product},
      {QStringLiteral("serialNumber"), device.serialNumber},
      {QStringLiteral("vendorId"), device.vendorId},
      {QStringLiteral("productId"), device.productId},
      {QStringLiteral("latencyTimerMs"),
       device.latencyTimerMs ? QJsonValue(*device.latencyTimerMs) : QJsonValue(QJsonValue::Null)},
  };
}

}  // namespace

CommandOutcome runPortsCommand(const CliRequest& request, const CommandOutput& out, const QString& sysfsRoot,
                               const QString& byIdFolder) {
  const QStringList present = systemPorts(sysfsRoot);
  // The dialog's order, without the names it offers where the system has none.
  QStringList names = orderPortList(present);
  names.removeIf([&](const QString& name) { return !present.contains(name); });
  const QList<PortChoice> choices = describePorts(names, sysfsRoot, byIdFolder);
  if (choices.isEmpty() && !request.json) out.error(uiText(UiTexts::txtCliNoSerialPorts));

  // describePorts gives each device, then the stable names that lead to it.
  for (qsizetype i = 0; i < choices.size();) {
    const PortChoice& device = choices[i];
    QStringList stableNames;
    for (++i; i < choices.size() && choices[i].name != choices[i].kernelName; ++i) stableNames << choices[i].name;
    if (request.json) {
      out.line(QString::fromUtf8(QJsonDocument(deviceJson(device, stableNames)).toJson(QJsonDocument::Compact)));
      continue;
    }
    out.line(entry(device.name, detail(device)));
    for (const QString& stable : stableNames) out.line(entry(stable, device.name));
  }
  return {};
}
