#include "ui/NoticeBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <utility>

#include "texts/UiTexts.h"

namespace {
constexpr int Margin = 3;
}

NoticeBar::NoticeBar(QWidget* parent)
    : QFrame(parent), label_(new QLabel(this)), action_(new QPushButton(this)), close_(new QToolButton(this)) {
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
  layout->addWidget(action_, 0, Qt::AlignTop);
  layout->addWidget(close_, 0, Qt::AlignTop);
  action_->hide();
  connect(action_, &QPushButton::clicked, this, [this] {
    const std::function<void()> act = std::exchange(act_, nullptr);
    action_->hide();
    emit changed();
    if (act) act();
  });
  connect(close_, &QToolButton::clicked, this, [this] { setText(QString()); });
  hide();
}

void NoticeBar::offerAction(const QString& label, std::function<void()> act) {
  act_ = std::move(act);
  action_->setText(label);
  action_->setVisible(!isHidden());
  emit changed();
}

void NoticeBar::setText(const QString& text) {
  if (text == label_->text() && isHidden() == text.isEmpty()) return;
  act_ = nullptr;
  action_->hide();
  label_->setText(text);
  setHidden(text.isEmpty());
  emit changed();
}

QString NoticeBar::text() const { return isHidden() ? QString() : label_->text(); }

int NoticeBar::heightForWidth(int width) const {
  int labelWidth = width - 2 * frameWidth() - 2 * Margin - close_->sizeHint().width() - layout()->spacing();
  if (!action_->isHidden()) labelWidth -= action_->sizeHint().width() + layout()->spacing();
  const int content = std::max(label_->heightForWidth(labelWidth), close_->sizeHint().height());
  return content + 2 * frameWidth() + 2 * Margin;
}
