#include "ui/AboutWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "texts/UiTexts.h"
#include "ui/JpegImage.h"
#include "util/VersionText.h"

namespace {

constexpr int LineWidth = 1;   // the single line round the panel
constexpr int BevelWidth = 3;  // raised bevel inside it
// The panel's children are placed from the inside of the single line, as on
// the panel the window was designed with; bevel and inner border take 6 px.
constexpr int Inset = LineWidth;
constexpr int TitlePixelSize = 16;
constexpr int MinTitlePixelSize = 8;

// Black panel: a single line round it, then a raised bevel, then a black
// inner border on which the picture and labels sit.
class BevelPanel : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, Qt::black);
    p.setPen(QColor(105, 105, 105));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QRect bevel = r.adjusted(LineWidth, LineWidth, -LineWidth, -LineWidth);
    const QColor light(255, 255, 255), shadow(128, 128, 128);
    for (int i = 0; i < BevelWidth; ++i) {
      const QRect b = bevel.adjusted(i, i, -i - 1, -i - 1);
      p.setPen(light);
      p.drawLine(b.topLeft(), b.topRight());
      p.drawLine(b.topLeft(), b.bottomLeft());
      p.setPen(shadow);
      p.drawLine(b.bottomLeft(), b.bottomRight());
      p.drawLine(b.topRight(), b.bottomRight());
    }
  }
};

QLabel* makeLabel(QWidget* parent, QRect where, int pixelSize, bool bold, Qt::Alignment align) {
  auto* label = new QLabel(parent);
  label->setGeometry(where.translated(Inset, Inset));
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  label->setFont(font);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(pal);
  label->setAlignment(align);
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setFixedSize(ClientWidth, ClientHeight);

  panel = new BevelPanel(this);
  panel->setGeometry(rect());

  pictureLabel = new QLabel(panel);
  pictureLabel->setGeometry(QRect(6, 6, 204, 304).translated(Inset, Inset));
  pictureLabel->setScaledContents(true);
  QFile file(QStringLiteral(":/splash.jpg"));
  // A picture that cannot be read or decoded leaves its area black.
  const QImage picture = file.open(QIODevice::ReadOnly) ? decodeJpeg(file.readAll()) : QImage();
  if (!picture.isNull()) pictureLabel->setPixmap(QPixmap::fromImage(picture));

  titleLabel = makeLabel(panel, {216, 6, 177, 183}, TitlePixelSize, true, Qt::AlignHCenter | Qt::AlignBottom);
  versionLabel = makeLabel(panel, {233, 208, 137, 77}, 11, false, Qt::AlignHCenter | Qt::AlignTop);

  for (QWidget* w : {static_cast<QWidget*>(this), panel, static_cast<QWidget*>(pictureLabel),
                     static_cast<QWidget*>(titleLabel), static_cast<QWidget*>(versionLabel)})
    w->installEventFilter(this);
}

void AboutWindow::showSplash() {
  placeOnce();
  show();
  repaint();
  QCoreApplication::processEvents();
}

void AboutWindow::closeSplash() { hide(); }

int AboutWindow::showAbout() {
  placeOnce();
  return exec();
}

void AboutWindow::fillLabels() {
  // The title's carriage return is its line break.
  QString title = UiTexts::uiText(UiTexts::txtProgramTitle);
  title.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  titleLabel->setText(title);
  fitTitleFont();
  versionLabel->setText(UiTexts::uiText(UiTexts::txtVersionPrefix) + versionText());
}

// The title is two lines, each whole on its line: its designed 16 pixels
// where the platform's sans-serif is narrow enough, smaller where it is not
// (a wide face breaks "Program konfiguracyjny bariery" over three lines).
void AboutWindow::fitTitleFont() {
  QFont font = titleLabel->font();
  font.setStretch(QFont::Condensed);
  const QStringList lines = titleLabel->text().split(QLatin1Char('\n'));
  const int room = titleLabel->contentsRect().width();
  for (int size = TitlePixelSize; size >= MinTitlePixelSize; --size) {
    font.setPixelSize(size);
    const QFontMetrics metrics(font);
    if (std::all_of(lines.begin(), lines.end(),
                    [&](const QString& line) { return metrics.horizontalAdvance(line.trimmed()) <= room; }))
      break;
  }
  titleLabel->setFont(font);
}

void AboutWindow::dismiss() { done(QDialog::Accepted); }

void AboutWindow::showEvent(QShowEvent* event) {
  placeOnce();
  fillLabels();
  QDialog::showEvent(event);
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
      dismiss();
      return true;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

// Centred on the primary screen the first time, then left there: the about
// window opens in the same place wherever the main window has moved.
void AboutWindow::placeOnce() {
  if (placed_) return;
  placed_ = true;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect g = screen->geometry();
    move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
  }
}
