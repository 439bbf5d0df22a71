#pragma once
// The small form before a commissioning record: the site, the technician
// (both remembered for next time) and a free remark; then whether the record
// goes to a PDF file or to a printer.
#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

class RecordForm : public QDialog {
  Q_OBJECT
 public:
  enum Output { Pdf, Printer };

  explicit RecordForm(QWidget* parent = nullptr);

  QString site() const;
  QString technician() const;
  QString remark() const;
  Output output() const { return output_; }

  // Filled from the settings; kept there when the form is accepted.
  static QString storedSite();
  static QString storedTechnician();

 private:
  void finish(Output output);

  QLineEdit* site_ = nullptr;
  QLineEdit* technician_ = nullptr;
  QPlainTextEdit* remark_ = nullptr;
  Output output_ = Pdf;
};
