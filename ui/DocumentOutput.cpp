#include "ui/DocumentOutput.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "report/RecordDocument.h"
#include "texts/UiTexts.h"
#include "ui/ConfigFileCommands.h"

namespace {

void writePdf(QWidget* parent, const QString& path, const DocumentPainter& paint) {
  QString error;
  if (!writeDocumentPdf(path, paint, &error))
    QMessageBox::critical(parent, QString(), uiText(UiTexts::txtRecordWriteFailed).arg(path, error));
}

}  // namespace

void saveDocumentAsPdf(QWidget* parent, const QString& suggestedName, const DocumentPainter& paint) {
  QString path = QFileDialog::getSaveFileName(parent, QString(), QDir(configFileFolder()).filePath(suggestedName),
                                              uiText(UiTexts::txtPdfFilter));
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
  writePdf(parent, path, paint);
}

void printDocument(QWidget* parent, const DocumentPainter& paint) {
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, parent);
  if (dialog.exec() != QDialog::Accepted) return;
  // The dialog's "print to file" would have Qt write the file through any link.
  if (!printer.outputFileName().isEmpty())
    writePdf(parent, printer.outputFileName(), paint);
  else
    paint(printer);
}

void outputDocument(QWidget* parent, const QString& title, const QString& suggestedName, const DocumentPainter& paint) {
  QMessageBox box(QMessageBox::NoIcon, title, title, QMessageBox::Cancel, parent);
  QPushButton* pdf = box.addButton(uiText(UiTexts::txtSavePdf), QMessageBox::AcceptRole);
  QPushButton* print = box.addButton(uiText(UiTexts::txtPrint), QMessageBox::AcceptRole);
  box.setDefaultButton(pdf);
  box.exec();
  if (box.clickedButton() == pdf) saveDocumentAsPdf(parent, suggestedName, paint);
  if (box.clickedButton() == print) printDocument(parent, paint);
}
