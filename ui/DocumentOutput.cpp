#include "ui/DocumentOutput.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>

#include "texts/UiTexts.h"
#include "ui/ConfigFileCommands.h"

void saveDocumentAsPdf(QWidget* parent, const QString& suggestedName, const DocumentPainter& paint) {
  QString path = QFileDialog::getSaveFileName(parent, QString(), QDir(configFileFolder()).filePath(suggestedName),
                                              uiText(UiTexts::txtPdfFilter));
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
  QSaveFile file(path);
  bool written = file.open(QIODevice::WriteOnly);
  if (written) {
    QPdfWriter pdf(&file);
    pdf.setResolution(600);
    pdf.setTitle(QFileInfo(path).completeBaseName());
    written = paint(pdf);
  }
  written = written && file.commit();
  if (!written)
    QMessageBox::critical(parent, QString(), uiText(UiTexts::txtRecordWriteFailed).arg(path, file.errorString()));
}

void printDocument(QWidget* parent, const DocumentPainter& paint) {
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, parent);
  if (dialog.exec() == QDialog::Accepted) paint(printer);
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
