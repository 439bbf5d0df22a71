#include "ui/StatusStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <utility>

StatusStrip::StatusStrip(QWidget* parent) : QFrame(parent), panel0_(new QLabel(this)), panel1_(new QLabel(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (auto [panel, width] : {std::pair{panel0_, 150}, std::pair{panel1_, 50}}) {
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setFixedWidth(width);
    panel->setIndent(2);
    layout->addWidget(panel);
  }
  layout->addStretch(1);
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
