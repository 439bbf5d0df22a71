#include "ui/RecordForm.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "files/SettingsStore.h"
#include "texts/UiTexts.h"

namespace {
const QString SiteValue = QStringLiteral("recordSite");
const QString TechnicianValue = QStringLiteral("recordTechnician");
}  // namespace

RecordForm::RecordForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(uiText(UiTexts::txtRecordFormTitle));
  site_ = new QLineEdit(storedSite(), this);
  technician_ = new QLineEdit(storedTechnician(), this);
  remark_ = new QPlainTextEdit(this);
  remark_->setTabChangesFocus(true);
  remark_->setFixedHeight(remark_->fontMetrics().lineSpacing() * 4 + 12);
  site_->setMinimumWidth(320);

  auto* form = new QFormLayout;
  form->addRow(uiText(UiTexts::txtRecordSite) + QLatin1Char(':'), site_);
  form->addRow(uiText(UiTexts::txtRecordTechnician) + QLatin1Char(':'), technician_);
  form->addRow(uiText(UiTexts::txtRecordRemark) + QLatin1Char(':'), remark_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  QPushButton* pdf = buttons->addButton(uiText(UiTexts::txtSavePdf), QDialogButtonBox::AcceptRole);
  QPushButton* print = buttons->addButton(uiText(UiTexts::txtPrint), QDialogButtonBox::AcceptRole);
  pdf->setDefault(true);
  connect(pdf, &QPushButton::clicked, this, [this] { finish(Pdf); });
  connect(print, &QPushButton::clicked, this, [this] { finish(Printer); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* column = new QVBoxLayout(this);
  column->addLayout(form);
  column->addWidget(buttons);
}

QString RecordForm::site() const { return site_->text().trimmed(); }
QString RecordForm::technician() const { return technician_->text().trimmed(); }
QString RecordForm::remark() const { return remark_->toPlainText().trimmed(); }

QString RecordForm::storedSite() { return readStoredString(SettingsKey, SiteValue); }
QString RecordForm::storedTechnician() { return readStoredString(SettingsKey, TechnicianValue); }

void RecordForm::finish(Output output) {
  output_ = output;
  writeStoredString(SettingsKey, SiteValue, site());
  writeStoredString(SettingsKey, TechnicianValue, technician());
  accept();
}
