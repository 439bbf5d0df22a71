#include "ui/NoticeBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

#include "texts/UiTexts.h"

namespace {
constexpr int Margin = 3;
}

NoticeBar::NoticeBar(QWidget* parent) : QFrame(parent), label_(new QLabel(this)), close_(new QToolButton(this)) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(255, 240, 240));
  palette.setColor(QPalette::WindowText, Qt::red);
  setPalette(palette);
  QFont bold = label_->font();
  bold.setBold(true);
  label_->setFont(bold);
  label_->setWordWrap(true);
  label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  close_->setAutoRaise(true);
  close_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  close_->setToolTip(uiText(UiTexts::txtCloseNotice));
  close_->setAccessibleName(uiText(UiTexts::txtCloseNotice));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(Margin, Margin, Margin, Margin);
  layout->addWidget(label_, 1);
  layout->addWidget(close_, 0, Qt::AlignTop);
  connect(close_, &QToolButton::clicked, this, [this] { setText(QString()); });
  hide();
}

void NoticeBar::setText(const QString& text) {
  if (text == label_->text() && isHidden() == text.isEmpty()) return;
  label_->setText(text);
  setHidden(text.isEmpty());
  emit changed();
}

QString NoticeBar::text() const { return isHidden() ? QString() : label_->text(); }

int NoticeBar::heightForWidth(int width) const {
  const int labelWidth = width - 2 * frameWidth() - 2 * Margin - close_->sizeHint().width() - layout()->spacing();
  const int content = std::max(label_->heightForWidth(labelWidth), close_->sizeHint().height());
  return content + 2 * frameWidth() + 2 * Margin;
}
