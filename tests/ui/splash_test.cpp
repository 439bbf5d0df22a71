#include "JpegImage.h"
#include "MyTools.h"
#include "UnitSplash.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QtTest>

class SplashTest : public QObject {
  Q_OBJECT

  static QByteArray SplashJpeg() {
    QFile file(QStringLiteral(":/splash.jpg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  static QPoint ScreenCentreFor(const QWidget& w) {
    const QRect g = QGuiApplication::primaryScreen()->geometry();
    return {g.x() + (g.width() - w.width()) / 2, g.y() + (g.height() - w.height()) / 2};
  }

 private slots:
  void isAFramelessWindowOf403By320() {
    TForm3 form;
    form.ShowSplash();
    QCOMPARE(form.size(), QSize(403, 320));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form.Image1->geometry().size(), QSize(204, 304));
  }

  void titleShowsOnTwoLinesTheSecondBeingOrvita() {
    TForm3 form;
    form.ShowSplash();
    const QStringList lines = form.Label1->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("Program konfiguracyjny bariery "));
    QCOMPARE(lines[1], QStringLiteral("ORVITA"));
    QVERIFY(!form.Label1->text().contains(QLatin1Char('\r')));
  }

  void versionReadsWerDirectlyFollowedByTheDigits() {
    TForm3 form;
    form.ShowSplash();
    QCOMPARE(form.Label2->text(), QStringLiteral("wer.") + VersionText());
    QCOMPARE(form.Label2->text(), QStringLiteral("wer.2.00.000"));
  }

  void aClickOnAnyPartClosesIt() {
    TForm3 form;
    const struct {
      QWidget* target;
      QPoint at;
    } parts[] = {
        {form.Image1, {100, 150}},
        {form.Label1, {88, 170}},
        {form.Label2, {60, 10}},
        {form.Panel1, {300, 300}},  // bare black panel below the version
    };
    for (const auto& part : parts) {
      form.ShowSplash();
      QVERIFY(form.isVisible());
      QTest::mouseClick(part.target, Qt::LeftButton, {}, part.at);
      QVERIFY2(!form.isVisible(), qPrintable(part.target->metaObject()->className()));
    }
  }

  void closeSplashHidesWithoutDestroying() {
    TForm3 form;
    form.ShowSplash();
    form.CloseSplash();
    QVERIFY(!form.isVisible());
    QVERIFY(!form.testAttribute(Qt::WA_DeleteOnClose));
  }

  void aboutOpenedTwiceShowsTheSameTextsAndClosesOnClick() {
    TForm3 form;
    form.ShowSplash();
    form.CloseSplash();
    QStringList seen;
    for (int round = 0; round < 2; ++round) {
      bool wasModal = false;
      QTimer::singleShot(0, &form, [&] {
        wasModal = form.isVisible() && QApplication::activeModalWidget() == &form;
        seen << form.Label1->text() + QLatin1Char('|') + form.Label2->text();
        QTest::mouseClick(form.Image1, Qt::LeftButton, {}, QPoint(10, 10));
      });
      form.ShowAbout();
      QVERIFY(wasModal);
      QVERIFY(!form.isVisible());
    }
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0], seen[1]);
    QVERIFY(seen[0].endsWith(QStringLiteral("|wer.") + VersionText()));
  }

  void aboutOpensInTheScreenCentreEvenAfterTheMainWindowMoved() {
    QWidget main;
    main.setGeometry(20, 20, 300, 200);
    main.show();
    TForm3 form;
    form.ShowSplash();
    QCOMPARE(form.pos(), ScreenCentreFor(form));
    form.CloseSplash();
    main.move(500, 350);
    QPoint shownAt;
    QTimer::singleShot(0, &form, [&] {
      shownAt = form.pos();
      form.Image1Click();
    });
    form.ShowAbout();
    QCOMPARE(shownAt, ScreenCentreFor(form));
  }

  void thePictureIsDecodedFromTheProgramsData() {
    const QImage image = DecodeJpeg(SplashJpeg());
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(200, 300));
    // A lens of the column glows red: checks the channel order too.
    const QColor lens = image.pixelColor(58, 62);
    QVERIFY2(lens.red() > 200 && lens.green() < 120 && lens.blue() < 100,
             qPrintable(lens.name()));
    TForm3 form;
    QCOMPARE(form.Image1->pixmap().size(), QSize(200, 300));
  }

  void garbageAndTruncatedDataDecodeToANullImage() {
    const QByteArray jpeg = SplashJpeg();
    QVERIFY(jpeg.size() > 1000);
    QVERIFY(DecodeJpeg(QByteArray()).isNull());
    QVERIFY(DecodeJpeg(QByteArray("this is not a picture at all")).isNull());
    QVERIFY(DecodeJpeg(QByteArray(4096, '\xFF')).isNull());
    QVERIFY(DecodeJpeg(jpeg.left(2)).isNull());           // only the start marker
    QVERIFY(DecodeJpeg(jpeg.left(300)).isNull());         // cut in the headers
    QVERIFY(DecodeJpeg(jpeg.left(jpeg.size() / 2)).isNull());  // cut in the scan
    QByteArray damaged = jpeg;
    for (int i = 0; i < 64; ++i) damaged[i + 2] = char(0x5A);  // headers overwritten
    QVERIFY(DecodeJpeg(damaged).isNull());
  }
};

QTEST_MAIN(SplashTest)
#include "splash_test.moc"
