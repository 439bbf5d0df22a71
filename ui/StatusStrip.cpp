#include "ui/StatusStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <utility>

#include "texts/UiTexts.h"

StatusStrip::StatusStrip(QWidget* parent)
    : QFrame(parent), panel0_(new QLabel(this)), panel1_(new QLabel(this)), journalMark_(new QLabel(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (auto [panel, width] : {std::pair{panel0_, 150}, std::pair{panel1_, 50}}) {
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setFixedWidth(width);
    panel->setIndent(2);
    layout->addWidget(panel);
  }
  journalMark_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  journalMark_->setIndent(2);
  journalMark_->setText(uiText(UiTexts::txtJournalOffMark));
  QPalette palette = journalMark_->palette();
  palette.setColor(QPalette::WindowText, Qt::red);
  journalMark_->setPalette(palette);
  journalMark_->hide();
  layout->addWidget(journalMark_);
  layout->addStretch(1);
}

void StatusStrip::showJournalOff(const QString& reason) {
  journalMark_->setToolTip(reason);
  journalMark_->setHidden(reason.isEmpty());
}

void StatusStrip::showPort(const QString& name, const QString& state, const QString& toolTip) {
  const QFontMetrics metrics(panel0_->font());
  const int room = panel0_->contentsRect().width() - 2 * panel0_->indent() - metrics.horizontalAdvance(state);
  panel0_->setText(metrics.elidedText(name, Qt::ElideMiddle, room) + state);
  panel0_->setToolTip(toolTip);
}

void StatusStrip::mouseDoubleClickEvent(QMouseEvent* event) {
  QFrame::mouseDoubleClickEvent(event);
  emit doubleClicked();
}
