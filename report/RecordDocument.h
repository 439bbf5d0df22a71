#pragma once
// The documents the program prints: the commissioning record
// ("Protokół uruchomienia") and the configuration alone. Each is painted page
// by page onto any paged device (a QPdfWriter, a QPrinter) in A4; the PDF
// forms embed their fonts, so Polish letters survive on any reader.
#include <QDateTime>
#include <QPagedPaintDevice>
#include <QString>
#include <functional>

#include "report/CommissioningRecord.h"
#include "report/ConfigurationSheet.h"

// Both return false when the device cannot be painted on. Every page's
// footer names the document and "Strona N z M"; the record's also names the
// site, the barrier's serial number and the test's date.
bool paintRecord(QPagedPaintDevice& device, const CommissioningRecord& record);
bool paintConfigurationSheet(QPagedPaintDevice& device, const ConfigurationSheet& sheet);

// Any document as an A4 PDF file at `path`, written as every output is
// (util/OutputFile.h) and, when new, readable by the user alone; false with
// why in `error` when it cannot be written or the name is refused.
bool writeDocumentPdf(const QString& path, const std::function<bool(QPagedPaintDevice&)>& paint, QString* error);
// The two documents as PDF files, as writeDocumentPdf writes them.
bool writeRecordPdf(const QString& path, const CommissioningRecord& record, QString* error);
bool writeConfigurationPdf(const QString& path, const ConfigurationSheet& sheet, QString* error);
