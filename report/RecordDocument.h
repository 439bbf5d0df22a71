#pragma once
// The documents the program prints: the commissioning record
// ("Protokół uruchomienia") and the configuration alone. Each is painted page
// by page onto any paged device (a QPdfWriter, a QPrinter) in A4; the PDF
// forms embed their fonts, so Polish letters survive on any reader.
#include <QDateTime>
#include <QPagedPaintDevice>
#include <QString>
#include <functional>

#include "model/BarrierModel.h"
#include "report/CommissioningRecord.h"

// Both return false when the device cannot be painted on.
bool paintRecord(QPagedPaintDevice& device, const CommissioningRecord& record);
// `source` says where the configuration came from ("z pliku …", "odczytana z bariery …").
bool paintConfigurationSheet(QPagedPaintDevice& device, const BarrierConfig& config, const QString& source,
                             const QDateTime& printedAt);

// Any document as an A4 PDF file at `path`, written as every output is
// (util/OutputFile.h) and, when new, readable by the user alone; false with
// why in `error` when it cannot be written or the name is refused.
bool writeDocumentPdf(const QString& path, const std::function<bool(QPagedPaintDevice&)>& paint, QString* error);
// The two documents as PDF files, as writeDocumentPdf writes them.
bool writeRecordPdf(const QString& path, const CommissioningRecord& record, QString* error);
bool writeConfigurationPdf(const QString& path, const BarrierConfig& config, const QString& source,
                           const QDateTime& printedAt, QString* error);
