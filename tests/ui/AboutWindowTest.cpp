#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "ui/AboutWindow.h"
#include "ui/JpegImage.h"
#include "util/VersionText.h"

class SplashTest : public QObject {
  Q_OBJECT

  static QByteArray splashJpeg() {
    QFile file(QStringLiteral(":/splash.jpg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  static QPoint screenCentreFor(const QWidget& w) {
    const QRect g = QGuiApplication::primaryScreen()->geometry();
    return {g.x() + (g.width() - w.width()) / 2, g.y() + (g.height() - w.height()) / 2};
  }

 private slots:
  void isAFramelessWindowOf403By320() {
    AboutWindow form;
    form.showSplash();
    QCOMPARE(form.size(), QSize(403, 320));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form.pictureLabel->geometry().size(), QSize(204, 304));
  }

  void titleShowsOnTwoLinesTheSecondBeingOrvita() {
    AboutWindow form;
    form.showSplash();
    const QStringList lines = form.titleLabel->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("Program konfiguracyjny bariery "));
    QCOMPARE(lines[1], QStringLiteral("ORVITA"));
    QVERIFY(!form.titleLabel->text().contains(QLatin1Char('\r')));
    // Shown as two lines too: neither line wraps within the label.
    const QFontMetrics metrics(form.titleLabel->font());
    const QRect shown = metrics.boundingRect(form.titleLabel->contentsRect(), Qt::TextWordWrap | Qt::AlignHCenter,
                                             form.titleLabel->text());
    QCOMPARE(shown.height(), metrics.boundingRect(QRect(0, 0, 10000, 1000), 0, form.titleLabel->text()).height());
    QVERIFY(form.titleLabel->font().pixelSize() >= 8);
  }

  void versionReadsWerDirectlyFollowedByTheDigits() {
    AboutWindow form;
    form.showSplash();
    QCOMPARE(form.versionLabel->text(), QStringLiteral("wer.") + versionText());
    QCOMPARE(form.versionLabel->text(), QStringLiteral("wer.2.00.000"));
  }

  void aClickOnAnyPartClosesIt() {
    AboutWindow form;
    const struct {
      QWidget* target;
      QPoint at;
    } parts[] = {
        {form.pictureLabel, {100, 150}},
        {form.titleLabel, {88, 170}},
        {form.versionLabel, {60, 10}},
        {form.panel, {300, 300}},  // bare black panel below the version
    };
    for (const auto& part : parts) {
      form.showSplash();
      QVERIFY(form.isVisible());
      QTest::mouseClick(part.target, Qt::LeftButton, {}, part.at);
      QVERIFY2(!form.isVisible(), qPrintable(part.target->metaObject()->className()));
    }
  }

  void closeSplashHidesWithoutDestroying() {
    AboutWindow form;
    form.showSplash();
    form.closeSplash();
    QVERIFY(!form.isVisible());
    QVERIFY(!form.testAttribute(Qt::WA_DeleteOnClose));
  }

  void aboutOpenedTwiceShowsTheSameTextsAndClosesOnClick() {
    AboutWindow form;
    form.showSplash();
    form.closeSplash();
    QStringList seen;
    for (int round = 0; round < 2; ++round) {
      bool wasModal = false;
      QTimer::singleShot(0, &form, [&] {
        wasModal = form.isVisible() && QApplication::activeModalWidget() == &form;
        seen << form.titleLabel->text() + QLatin1Char('|') + form.versionLabel->text();
        QTest::mouseClick(form.pictureLabel, Qt::LeftButton, {}, QPoint(10, 10));
      });
      form.showAbout();
      QVERIFY(wasModal);
      QVERIFY(!form.isVisible());
    }
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0], seen[1]);
    QVERIFY(seen[0].endsWith(QStringLiteral("|wer.") + versionText()));
  }

  void aboutOpensInTheScreenCentreEvenAfterTheMainWindowMoved() {
    QWidget main;
    main.setGeometry(20, 20, 300, 200);
    main.show();
    AboutWindow form;
    form.showSplash();
    QCOMPARE(form.pos(), screenCentreFor(form));
    form.closeSplash();
    main.move(500, 350);
    QPoint shownAt;
    QTimer::singleShot(0, &form, [&] {
      shownAt = form.pos();
      form.dismiss();
    });
    form.showAbout();
    QCOMPARE(shownAt, screenCentreFor(form));
  }

  void thePictureIsDecodedFromTheProgramsData() {
    const QImage image = decodeJpeg(splashJpeg());
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(200, 300));
    // A lens of the column glows red: checks the channel order too.
    const QColor lens = image.pixelColor(58, 62);
    QVERIFY2(lens.red() > 200 && lens.green() < 120 && lens.blue() < 100, qPrintable(lens.name()));
    AboutWindow form;
    QCOMPARE(form.pictureLabel->pixmap().size(), QSize(200, 300));
  }

  void garbageAndTruncatedDataDecodeToANullImage() {
    const QByteArray jpeg = splashJpeg();
    QVERIFY(jpeg.size() > 1000);
    QVERIFY(decodeJpeg(QByteArray()).isNull());
    QVERIFY(decodeJpeg(QByteArray("this is not a picture at all")).isNull());
    QVERIFY(decodeJpeg(QByteArray(4096, '\xFF')).isNull());
    QVERIFY(decodeJpeg(jpeg.left(2)).isNull());                // only the start marker
    QVERIFY(decodeJpeg(jpeg.left(300)).isNull());              // cut in the headers
    QVERIFY(decodeJpeg(jpeg.left(jpeg.size() / 2)).isNull());  // cut in the scan
    QByteArray damaged = jpeg;
    for (int i = 0; i < 64; ++i) damaged[i + 2] = char(0x5A);  // headers overwritten
    QVERIFY(decodeJpeg(damaged).isNull());
  }
};

QTEST_MAIN(SplashTest)
#include "AboutWindowTest.moc"
