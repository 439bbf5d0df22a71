// The barrier picture, checked by the colours of chosen pixels. Pixels of
// text are never compared one by one (fonts differ between machines); only
// where a text lies.
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QtTest>
#include <array>
#include <initializer_list>

#include "link/StatusWords.h"
#include "texts/UiTexts.h"
#include "ui/BarrierPicture.h"
#include "util/HexText.h"

namespace {

constexpr int W = 384;
constexpr int HClosed = 427;                                                  // log panel hidden
constexpr int HLog = 315;                                                     // log panel shown
constexpr std::array<int, 8> BeamY427{300, 264, 228, 192, 156, 120, 84, 48};  // beams 1..8
constexpr std::array<int, 8> BeamY315{195, 173, 151, 129, 107, 85, 63, 41};

QString colourName(Rgb colour) {
  switch (colour) {
    case colors::Black:
      return QStringLiteral("black");
    case colors::White:
      return QStringLiteral("white");
    case colors::Green:
      return QStringLiteral("green");
    case colors::Lime:
      return QStringLiteral("lime");
    case colors::Yellow:
      return QStringLiteral("yellow");
    case colors::Red:
      return QStringLiteral("red");
    case colors::Silver:
      return QStringLiteral("silver");
    case colors::Grey:
      return QStringLiteral("grey");
    case colors::Aqua:
      return QStringLiteral("aqua");
    default:
      return QStringLiteral("#%1").arg(colour, 6, 16, QLatin1Char('0'));
  }
}

Rgb colourAt(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xffffffu; }

QString nameAt(const QImage& image, int x, int y) {
  if (!image.rect().contains(x, y)) return QStringLiteral("outside");
  return colourName(colourAt(image, x, y));
}

// Beams connected and switched on in the barrier, all status bits clear.
BarrierModel connectedModel() {
  BarrierModel model;
  model.versionInfo = {6, 1, 0, 0, 0x20, 0x24, 0x01, 0x15};
  model.beamCount = 8;
  for (int b = 1; b <= 8; ++b) {
    model.deviceConfig[BarrierConfig::responseTime(b)] = 5;
    model.editConfig[BarrierConfig::responseTime(b)] = 5;
  }
  return model;
}

QImage drawn(BarrierModel& model, int width = W, int height = HClosed, bool logPanelVisible = false) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::magenta);  // anything the drawing leaves shows up
  BarrierPainter painter;
  painter.draw(image, model, logPanelVisible);
  return image;
}

// Pixels of `colour` at x in the rows of the beams (above the bus).
int countInColumn(const QImage& image, int x, Rgb colour) {
  int count = 0;
  for (int y = 0; y < image.height() - 90; ++y) count += colourAt(image, x, y) == colour;
  return count;
}

// The smallest rectangle holding every pixel of `colour` inside `area`.
QRect inkBounds(const QImage& image, const QRect& area, Rgb colour) {
  QRect bounds;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (colourAt(image, x, y) == colour) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

// 4-pixel beam at row y: rows y-2..y+1 in `colour`, the rows beside black.
#define CHECK_BEAM_ROWS(image, x, y, colour)                        \
  do {                                                              \
    QCOMPARE(nameAt(image, x, (y)-3), colourName(colors::Black));   \
    QCOMPARE(nameAt(image, x, (y)-2), colourName(colour));          \
    QCOMPARE(nameAt(image, x, (y)), colourName(colour));            \
    QCOMPARE(nameAt(image, x, (y) + 1), colourName(colour));        \
    QCOMPARE(nameAt(image, x, (y) + 2), colourName(colors::Black)); \
  } while (false)

#define CHECK_COLOUR(image, x, y, colour) QCOMPARE(nameAt(image, x, y), colourName(colour))

}  // namespace

class BarrierPictureTest : public QObject {
  Q_OBJECT

 private slots:
  void beamCountZeroIsDrawnAsEightBeamsAndStoredAsEight();
  void beamsLieAtTheirHeightsForBothPictureSizes();
  void columnsCoverTheBeamEndsAndCarryTheDirectionTriangles();
  void beamColourRulesOverrideEachOtherInOrder();
  void withoutABarrierEveryBeamIsGreyButAlertBeamsStayDashed();
  void aSwitchedOffBeamInAlertIsGreyAndDashed();
  void blockedBeamHasSilverEndsBlackMiddleAndCrossesWhileBlockMemoryOnlyCrosses();
  void registrationModeBlinksTheColumnsFromTheRememberedColour();
  void diagnosticLinesShowOnlyWhileTheLogPanelIsShown();
  void allClearShowsGreenBoxesAquaBusAndNoLed();
  void setFlagsShowRedBoxesLedTampersAndADashedBus();
  void boxTextsAreCentredInTheirBoxes();
  void aLowPictureDrawsTheBeamsWhereTheFormulaPutsThem();
  void aBeamCountAboveEightIsDrawnAsEightBeams();
  void thePictureUsesOnlyItsNamedColours();
  void tinyOrNullPicturesDrawWithinTheirBounds();

  void floodFillRecolorsOnlyTheFourConnectedRegion();
  void floodFillIgnoresSeedsOutsideOrOfAnotherColour();
  void floodFillCoversAWholeLargeImage();
  void centredTextIsCentredClippedAndTransparent();

  void hintWithAllClearNamesTheBusAndTheLed();
  void hintListsBlockedAndBlockMemoryBeams();
  void hintNamesEveryFlagInOrder();

  void pictureFillsItsParentAndFollowsItsSizeUpToTheCap();
  void pictureDrawsDiagnosticsByTheLogPanelState();
  void aRedrawRepaintsOnlyWhatChangedAndNothingWhileHidden();
  void hintIsReplacedOnlyWhenItsTextChanges();
  void mouseMoveShowsTheHintAtOnce();
  void doubleClickChangesNothing();
};

void BarrierPictureTest::beamCountZeroIsDrawnAsEightBeamsAndStoredAsEight() {
  BarrierModel model = connectedModel();
  model.beamCount = 0;
  const QImage image = drawn(model);
  QCOMPARE(int(model.beamCount), 8);
  for (int y : BeamY427) CHECK_BEAM_ROWS(image, 100, y, colors::Green);
  QCOMPARE(countInColumn(image, 100, colors::Green), 8 * 4);
}

void BarrierPictureTest::beamsLieAtTheirHeightsForBothPictureSizes() {
  BarrierModel model = connectedModel();
  const QImage closed = drawn(model, W, HClosed);
  for (int y : BeamY427) CHECK_BEAM_ROWS(closed, 200, y, colors::Green);
  QCOMPARE(countInColumn(closed, 200, colors::Green), 8 * 4);

  const QImage withLog = drawn(model, W, HLog, true);
  for (int y : BeamY315) CHECK_BEAM_ROWS(withLog, 200, y, colors::Green);
  QCOMPARE(countInColumn(withLog, 200, colors::Green), 8 * 4);

  model.beamCount = 2;
  const QImage two = drawn(model);
  // step = 297 div 4 = 74: beam 1 at 30 + 74 * 3, beam 2 at 30 + 74.
  CHECK_BEAM_ROWS(two, 200, 252, colors::Green);
  CHECK_BEAM_ROWS(two, 200, 104, colors::Green);
  QCOMPARE(countInColumn(two, 200, colors::Green), 2 * 4);
}

void BarrierPictureTest::columnsCoverTheBeamEndsAndCarryTheDirectionTriangles() {
  BarrierModel model = connectedModel();
  const QImage image = drawn(model);
  // Beam 1 is visible from x = 12 to W - 13.
  CHECK_COLOUR(image, 11, 300, colors::White);
  CHECK_COLOUR(image, 12, 300, colors::Green);
  CHECK_COLOUR(image, W - 13, 300, colors::Green);
  CHECK_COLOUR(image, W - 12, 300, colors::White);
  // Receiver column (2, 10, 12, 337) and transmitter column (W-12, 10, W-2, 337).
  for (int x : {2, 11, W - 12, W - 3}) {
    CHECK_COLOUR(image, x, 10, colors::White);
    CHECK_COLOUR(image, x, 100, colors::White);
    CHECK_COLOUR(image, x, 336, colors::White);
    CHECK_COLOUR(image, x, 9, colors::Black);
  }
  for (int x : {1, 12, W - 13, W - 2}) CHECK_COLOUR(image, x, 100, colors::Black);
  CHECK_COLOUR(image, 2, 337, colors::Black);
  // The triangles are filled black, and the fill stays inside them.
  for (int x : {10, 8, 6, 5}) CHECK_COLOUR(image, x, 37, colors::Black);
  CHECK_COLOUR(image, 4, 37, colors::White);
  CHECK_COLOUR(image, 11, 37, colors::White);
  CHECK_COLOUR(image, 9, 34, colors::Black);
  CHECK_COLOUR(image, 6, 34, colors::White);
  for (int x : {W - 7, W - 9, W - 12}) CHECK_COLOUR(image, x, 37, colors::Black);
  CHECK_COLOUR(image, W - 6, 37, colors::White);
  CHECK_COLOUR(image, W - 11, 34, colors::White);
  CHECK_COLOUR(image, 8, 45, colors::White);
  CHECK_COLOUR(image, W - 9, 30, colors::White);
}

void BarrierPictureTest::beamColourRulesOverrideEachOtherInOrder() {
  BarrierModel model = connectedModel();
  BarrierStatus& s = model.status;
  s.beamsNar = beamBit(1) | beamBit(2) | beamBit(7) | beamBit(8);
  s.beams50 = beamBit(2) | beamBit(3) | beamBit(8);
  s.beamsAlert = beamBit(3) | beamBit(4) | beamBit(8);
  s.beamsBlocked = beamBit(4) | beamBit(5) | beamBit(8);
  model.deviceConfig[BarrierConfig::responseTime(5)] = 0;
  model.deviceConfig[BarrierConfig::responseTime(7)] = 0;
  model.deviceConfig[BarrierConfig::responseTime(8)] = 0;
  const QImage image = drawn(model);
  // x = 14 lies on every beam: within the first dash, before the block marks.
  const std::array<Rgb, 8> expected{colors::Lime, colors::Yellow, colors::Red,  colors::Silver,
                                    colors::Grey, colors::Green,  colors::Grey, colors::Grey};
  for (int b = 1; b <= 8; ++b) CHECK_BEAM_ROWS(image, 14, BeamY427[b - 1], expected[b - 1]);
  // A switched-off beam is grey by the barrier's copy, not by the edited one.
  model.deviceConfig[BarrierConfig::responseTime(6)] = 0;
  model.editConfig[BarrierConfig::responseTime(7)] = 0;
  model.deviceConfig[BarrierConfig::responseTime(7)] = 3;
  s = BarrierStatus{};
  const QImage edited = drawn(model);
  CHECK_COLOUR(edited, 100, BeamY427[5], colors::Grey);
  CHECK_COLOUR(edited, 100, BeamY427[6], colors::Green);
}

void BarrierPictureTest::withoutABarrierEveryBeamIsGreyButAlertBeamsStayDashed() {
  BarrierModel model = connectedModel();
  model.versionInfo.clear();
  model.status.beamsNar = 0xff;
  model.status.beamsAlert = beamBit(2);
  const QImage image = drawn(model);
  for (int y : BeamY427) CHECK_COLOUR(image, 35, y, colors::Grey);
  CHECK_COLOUR(image, 22, BeamY427[0], colors::Grey);   // solid
  CHECK_COLOUR(image, 22, BeamY427[1], colors::Black);  // a gap of the dashed beam 2
}

void BarrierPictureTest::aSwitchedOffBeamInAlertIsGreyAndDashed() {
  BarrierModel model = connectedModel();
  model.deviceConfig[BarrierConfig::responseTime(4)] = 0;
  model.status.beamsAlert = beamBit(4) | beamBit(5);
  const QImage image = drawn(model);
  // d = 374 / 31: dashes 5..16, 29..40, ..., 367..378; gaps 17..28, ..., 355..366.
  const int y4 = BeamY427[3];
  const int y5 = BeamY427[4];
  for (int x : {12, 16, 29, 35, 40, 367, 371}) {
    CHECK_BEAM_ROWS(image, x, y4, colors::Grey);
    CHECK_BEAM_ROWS(image, x, y5, colors::Red);
  }
  for (int x : {17, 22, 28, 355, 360, 366}) {
    CHECK_COLOUR(image, x, y4, colors::Black);
    CHECK_COLOUR(image, x, y5, colors::Black);
  }
  // 16 dashes, the first and last partly under the columns.
  int runs = 0;
  for (int x = 0; x < W; ++x)
    runs += colourAt(image, x, y5) == colors::Red && (x == 0 || colourAt(image, x - 1, y5) != colors::Red);
  QCOMPARE(runs, 16);
}

void BarrierPictureTest::blockedBeamHasSilverEndsBlackMiddleAndCrossesWhileBlockMemoryOnlyCrosses() {
  BarrierModel model = connectedModel();
  model.status.beamsBlocked = beamBit(3);
  model.status.beamsBlockMemory = beamBit(5);
  model.status.beamsNar = beamBit(5);
  const QImage image = drawn(model);

  const int y3 = BeamY427[2];
  CHECK_BEAM_ROWS(image, 14, y3, colors::Silver);
  CHECK_BEAM_ROWS(image, W - 14, y3, colors::Silver);
  for (int x : {30, W / 2, W - 30}) CHECK_BEAM_ROWS(image, x, y3, colors::Black);
  // The blanking ends where the crosses begin to cover it.
  for (int x : {24, W - 25}) {
    CHECK_COLOUR(image, x, y3 - 1, colors::Black);
    CHECK_COLOUR(image, x, y3, colors::Black);
  }
  CHECK_COLOUR(image, 12, y3, colors::Silver);
  CHECK_COLOUR(image, W - 13, y3, colors::Silver);

  const int y5 = BeamY427[4];
  for (int x : {14, 30, W / 2, W - 30, W - 14}) CHECK_BEAM_ROWS(image, x, y5, colors::Lime);

  // The crosses: two silver arms above and below the beam at each end.
  for (int y : {y3, y5}) {
    for (int x : {18, 25, W - 26, W - 19}) {
      CHECK_COLOUR(image, x, y - 4, colors::Silver);
      CHECK_COLOUR(image, x, y + 3, colors::Silver);
    }
    for (int x : {14, 22, 30, W - 30, W - 22, W - 14}) CHECK_COLOUR(image, x, y - 4, colors::Black);
  }
  // Beams after a marked beam keep the 4-pixel pen.
  for (int b : {4, 6, 7, 8}) CHECK_BEAM_ROWS(image, 100, BeamY427[b - 1], colors::Green);
}

void BarrierPictureTest::registrationModeBlinksTheColumnsFromTheRememberedColour() {
  BarrierModel model = connectedModel();
  BarrierPainter painter;
  QVERIFY(painter.rememberedColumnColour() != colors::White);
  QVERIFY(painter.rememberedColumnColour() != colors::Aqua);
  QImage image(W, HClosed, QImage::Format_RGB32);
  const auto columnsAre = [&](Rgb colour) {
    for (int x : {2, 11, W - 12, W - 3}) {
      if (colourAt(image, x, 100) != colour) return false;
    }
    return true;
  };

  model.status.statusFlags = statusflag::Registration;
  painter.draw(image, model, false);
  QVERIFY(columnsAre(colors::White));
  painter.draw(image, model, false);
  QVERIFY(columnsAre(colors::Aqua));
  // The triangles are filled on aqua columns as well.
  CHECK_COLOUR(image, 8, 37, colors::Black);
  CHECK_COLOUR(image, 11, 37, colors::Aqua);
  CHECK_COLOUR(image, W - 9, 37, colors::Black);
  painter.draw(image, model, false);
  QVERIFY(columnsAre(colors::White));
  QCOMPARE(painter.rememberedColumnColour(), colors::White);

  model.status.statusFlags = 0;
  painter.draw(image, model, false);
  QVERIFY(columnsAre(colors::White));
  QCOMPARE(painter.rememberedColumnColour(), colors::White);

  model.status.statusFlags = statusflag::Registration;
  painter.draw(image, model, false);
  QVERIFY(columnsAre(colors::Aqua));
  QCOMPARE(painter.rememberedColumnColour(), colors::Aqua);
}

void BarrierPictureTest::diagnosticLinesShowOnlyWhileTheLogPanelIsShown() {
  BarrierModel model = connectedModel();
  model.status.beamsDiag = 0x80;  // beam 1
  const QImage shown = drawn(model, W, HLog, true);
  QCOMPARE(int(model.status.beamsDiag), 0x80);
  const int y1 = BeamY315[0];
  CHECK_BEAM_ROWS(shown, 100, y1 - 5, colors::Aqua);
  CHECK_BEAM_ROWS(shown, 100, y1 + 5, colors::Aqua);
  CHECK_COLOUR(shown, 100, y1, colors::Green);
  CHECK_COLOUR(shown, 100, y1 - 1, colors::Green);
  QCOMPARE(countInColumn(shown, 100, colors::Aqua), 2 * 4);

  model.status.beamsDiag = 0x01;  // beam 8
  const QImage top = drawn(model, W, HLog, true);
  CHECK_COLOUR(top, 100, BeamY315[7] - 5, colors::Aqua);
  CHECK_COLOUR(top, 100, BeamY315[7] + 5, colors::Aqua);
  QCOMPARE(countInColumn(top, 100, colors::Aqua), 2 * 4);

  model.status.beamsDiag = 0x80;
  const QImage hidden = drawn(model, W, HClosed, false);
  QCOMPARE(int(model.status.beamsDiag), 0);
  QCOMPARE(countInColumn(hidden, 100, colors::Aqua), 0);
  CHECK_COLOUR(hidden, 100, BeamY427[0] - 5, colors::Black);
}

void BarrierPictureTest::allClearShowsGreenBoxesAquaBusAndNoLed() {
  BarrierModel model = connectedModel();
  const QImage image = drawn(model);
  // Box outlines: (2,372,190,397), (192,372,381,397), (2,400,381,425).
  for (auto [x, y] : {std::pair{2, 384},
                      {189, 384},
                      {192, 384},
                      {380, 384},
                      {100, 372},
                      {100, 396},
                      {2, 412},
                      {380, 412},
                      {100, 400},
                      {100, 424}}) {
    CHECK_COLOUR(image, x, y, colors::Green);
  }
  for (auto [x, y] : {std::pair{1, 384},
                      {190, 384},
                      {191, 384},
                      {381, 384},
                      {100, 371},
                      {100, 397},
                      {100, 399},
                      {100, 425},
                      {5, 384},
                      {5, 412},
                      {195, 384}}) {
    CHECK_COLOUR(image, x, y, colors::Black);
  }
  // The rounded corner leaves the corner pixel itself black.
  CHECK_COLOUR(image, 2, 372, colors::Black);
  // Bus: down at x 7..8 from y 337, across at y 346..347, up at x 376..377.
  for (auto [x, y] :
       {std::pair{7, 340}, {8, 345}, {8, 347}, {20, 346}, {100, 347}, {W - 8, 347}, {W - 8, 340}, {W - 7, 337}}) {
    CHECK_COLOUR(image, x, y, colors::Aqua);
  }
  for (auto [x, y] : {std::pair{9, 340}, {100, 345}, {100, 348}, {W - 6, 340}, {W - 9, 340}}) {
    CHECK_COLOUR(image, x, y, colors::Black);
  }
  // The arrow below the receiver column.
  for (auto [x, y] : {std::pair{3, 340}, {4, 346}, {12, 358}, {8, 358}, {12, 353}}) {
    CHECK_COLOUR(image, x, y, colors::Aqua);
  }
  CHECK_COLOUR(image, 8, 60, colors::White);  // no LED
  CHECK_COLOUR(image, 8, 13, colors::White);  // no tamper marks
  CHECK_COLOUR(image, 3, 200, colors::White);
  CHECK_COLOUR(image, W - 10, 13, colors::White);
}

void BarrierPictureTest::setFlagsShowRedBoxesLedTampersAndADashedBus() {
  BarrierModel model = connectedModel();
  model.status.statusFlags = 0xff;
  const QImage image = drawn(model);
  // Filled red boxes; x = 5 lies left of every text.
  for (auto [x, y] : {std::pair{2, 384}, {5, 384}, {5, 376}, {195, 384}, {380, 384}, {5, 412}, {380, 412}})
    CHECK_COLOUR(image, x, y, colors::Red);
  CHECK_COLOUR(image, 191, 384, colors::Black);
  CHECK_COLOUR(image, 8, 60, colors::Red);  // LED
  CHECK_COLOUR(image, 8, 56, colors::White);
  // Receiver tamper: both marks filled from their seeds, the fill held by
  // their outlines, and the outer edge stroked at x 2..3.
  for (auto [x, y] : {std::pair{8, 13}, {7, 11}, {10, 29}, {6, 20}, {11, 20}, {8, 319}, {8, 335}})
    CHECK_COLOUR(image, x, y, colors::Red);
  for (auto [x, y] : {std::pair{5, 13}, {8, 31}, {5, 319}, {8, 315}}) CHECK_COLOUR(image, x, y, colors::White);
  for (int y : {10, 200, 335}) {
    CHECK_COLOUR(image, 2, y, colors::Red);
    CHECK_COLOUR(image, 3, y, colors::Red);
    CHECK_COLOUR(image, 4, y, colors::White);
  }
  // Transmitter tamper.
  for (auto [x, y] : {std::pair{W - 10, 13}, {W - 12, 20}, {W - 7, 20}, {W - 10, 319}})
    CHECK_COLOUR(image, x, y, colors::Red);
  for (auto [x, y] : {std::pair{W - 6, 13}, {W - 10, 31}, {W - 6, 319}}) CHECK_COLOUR(image, x, y, colors::White);
  for (int y : {10, 210, 335}) {
    CHECK_COLOUR(image, W - 4, y, colors::Red);
    CHECK_COLOUR(image, W - 3, y, colors::Red);
  }
  // Bus tamper: red and dashed (d = 370 / 31: dashes 8..19, 32..43, gap 20..31),
  // rising at x = W - 6 instead of W - 7.
  CHECK_COLOUR(image, 8, 340, colors::Red);
  for (int x : {8, 14, 19, 32, 38, 43}) CHECK_COLOUR(image, x, 347, colors::Red);
  for (int x : {20, 25, 31}) CHECK_COLOUR(image, x, 347, colors::Black);
  CHECK_COLOUR(image, W - 6, 340, colors::Red);
  CHECK_COLOUR(image, W - 7, 340, colors::Red);
  CHECK_COLOUR(image, W - 8, 340, colors::Black);
  CHECK_COLOUR(image, W - 7, 347, colors::Red);
  // The arrow stays aqua.
  CHECK_COLOUR(image, 12, 358, colors::Aqua);
}

void BarrierPictureTest::boxTextsAreCentredInTheirBoxes() {
  for (std::uint8_t flags : {std::uint8_t(0), std::uint8_t(0xff)}) {
    BarrierModel model = connectedModel();
    model.status.statusFlags = flags;
    model.supplyText = QStringLiteral("12.2");
    const QImage image = drawn(model);
    for (const QRect box : {QRect(QPoint(2, 372), QPoint(189, 396)), QRect(QPoint(192, 372), QPoint(380, 396)),
                            QRect(QPoint(2, 400), QPoint(380, 424))}) {
      const QRect ink = inkBounds(image, box.adjusted(1, 1, -1, -1), colors::Yellow);
      QVERIFY2(!ink.isEmpty(), "no text in a box");
      QVERIFY(qAbs((ink.left() + ink.right()) - (box.left() + box.right())) <= 6);
      QVERIFY(ink.height() < box.height());
      QVERIFY(ink.width() > 10);
      QCOMPARE(inkBounds(image, box.adjusted(-1, -1, 1, 1), colors::Yellow), ink);  // nothing spills out
    }
  }
}

void BarrierPictureTest::aLowPictureDrawsTheBeamsWhereTheFormulaPutsThem() {
  BarrierModel model = connectedModel();
  model.status.beamsNar = beamBit(1);
  model.status.beams50 = beamBit(8);
  // H = 100: step = -30 div 16 = -1 (toward zero), beam 1 at y 15, beam 8 at y 29.
  const QImage low = drawn(model, W, 100);
  CHECK_COLOUR(low, 100, 13, colors::Lime);
  CHECK_COLOUR(low, 100, 14, colors::Lime);
  CHECK_COLOUR(low, 100, 12, colors::Black);
  CHECK_COLOUR(low, 100, 30, colors::Yellow);
  CHECK_COLOUR(low, 100, 31, colors::Black);
  // H = 140: step 0, all beams at y 30, beam 8 drawn last.
  const QImage flat = drawn(model, W, 140);
  CHECK_BEAM_ROWS(flat, 100, 30, colors::Yellow);
  // The rest follows H as usual and covers the beams: the bus at y = H - 80.
  CHECK_COLOUR(low, 100, 20, colors::Aqua);
  CHECK_COLOUR(low, 100, 19, colors::Aqua);
}

void BarrierPictureTest::aBeamCountAboveEightIsDrawnAsEightBeams() {
  BarrierModel model = connectedModel();
  model.beamCount = 12;
  model.status.beams50 = beamBit(8);
  model.status.beamsDiag = 0x01;
  const QImage image = drawn(model, W, HClosed, true);
  QCOMPARE(int(model.beamCount), 12);
  CHECK_BEAM_ROWS(image, 100, 48, colors::Yellow);
  CHECK_COLOUR(image, 100, 43, colors::Aqua);
  QCOMPARE(countInColumn(image, 100, colors::Green) + countInColumn(image, 100, colors::Yellow), 8 * 4);
}

void BarrierPictureTest::thePictureUsesOnlyItsNamedColours() {
  BarrierModel model = connectedModel();
  model.status = BarrierStatus{0xff, 200, 0xff, 0x0f, 0x33, 0x55, 0x24, 0x81, 0x01, 0xa5};
  model.deviceConfig[BarrierConfig::responseTime(6)] = 0;
  const QList<Rgb> named{colors::Black, colors::White,  colors::Green, colors::Lime, colors::Yellow,
                         colors::Red,   colors::Silver, colors::Grey,  colors::Aqua};
  for (bool log : {false, true}) {
    const QImage image = drawn(model, W, 489, log);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (!named.contains(colourAt(image, x, y)))
          QFAIL(qPrintable(QStringLiteral("%1 at %2,%3").arg(nameAt(image, x, y)).arg(x).arg(y)));
  }
}

void BarrierPictureTest::tinyOrNullPicturesDrawWithinTheirBounds() {
  for (QSize size : {QSize(1, 1), QSize(3, 3), QSize(12, 12), QSize(20, 150), QSize(W, 1), QSize(1, 489)}) {
    BarrierModel model = connectedModel();
    model.beamCount = 0;
    model.status.statusFlags = 0xff;
    model.status.beamsAlert = 0xff;
    model.status.beamsBlocked = 0xff;
    model.status.beamsDiag = 0xff;
    const QImage image = drawn(model, size.width(), size.height(), true);
    QCOMPARE(image.size(), size);
    QCOMPARE(int(model.beamCount), 8);
  }
  // A null image still updates the model and the blink state.
  BarrierModel model = connectedModel();
  model.beamCount = 0;
  model.status.beamsDiag = 0xff;
  model.status.statusFlags = statusflag::Registration;
  QImage null;
  BarrierPainter painter;
  painter.draw(null, model, false);
  QCOMPARE(int(model.beamCount), 8);
  QCOMPARE(int(model.status.beamsDiag), 0);
  QCOMPARE(painter.rememberedColumnColour(), colors::White);
}

void BarrierPictureTest::floodFillRecolorsOnlyTheFourConnectedRegion() {
  const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), red = qRgb(255, 0, 0);
  QImage image(21, 21, QImage::Format_RGB32);
  image.fill(white);
  // A diamond drawn with diagonal steps only: closed for a 4-connected fill.
  for (int i = 0; i <= 8; ++i) {
    image.setPixel(10 + i, 2 + i, black);
    image.setPixel(18 - i, 10 + i, black);
    image.setPixel(10 - i, 18 - i, black);
    image.setPixel(2 + i, 10 - i, black);
  }
  floodFill(image, QPoint(10, 10), white, red);
  int redInside = 0;
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) {
      const bool inside = qAbs(x - 10) + qAbs(y - 10) < 8;
      const bool onEdge = qAbs(x - 10) + qAbs(y - 10) == 8;
      const QRgb expected = inside ? red : onEdge ? black : white;
      QVERIFY2(image.pixel(x, y) == expected, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
      redInside += inside;
    }
  QCOMPARE(redInside, 113);  // 2 * 8 * 7 + 1 pixels strictly inside |dx| + |dy| = 8

  // From a corner the fill reaches every outside pixel up to the image border.
  floodFill(image, QPoint(0, 0), white, red);
  for (QPoint p : {QPoint(20, 20), QPoint(0, 20), QPoint(20, 0), QPoint(10, 0), QPoint(1, 1)})
    QCOMPARE(image.pixel(p), red);
  QCOMPARE(image.pixel(10, 2), black);
}

void BarrierPictureTest::floodFillIgnoresSeedsOutsideOrOfAnotherColour() {
  const QRgb white = qRgb(255, 255, 255), red = qRgb(255, 0, 0);
  QImage image(10, 10, QImage::Format_RGB32);
  image.fill(white);
  image.setPixel(5, 5, red);
  const QImage before = image.copy();
  for (QPoint seed : {QPoint(-1, 3), QPoint(3, -1), QPoint(10, 3), QPoint(3, 10), QPoint(5, 5)})
    floodFill(image, seed, white, qRgb(0, 0, 255));
  QCOMPARE(image, before);
  // Filling a colour with itself ends at once.
  floodFill(image, QPoint(0, 0), white, white);
  QCOMPARE(image, before);
}

void BarrierPictureTest::floodFillCoversAWholeLargeImage() {
  QImage image(W, 489, QImage::Format_RGB32);
  image.fill(qRgb(0, 0, 0));
  floodFill(image, QPoint(W / 2, 200), qRgb(0, 0, 0), qRgb(0, 255, 255));
  for (QPoint p : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, 488), QPoint(W - 1, 488), QPoint(100, 300)})
    QCOMPARE(image.pixel(p), qRgb(0, 255, 255));
}

void BarrierPictureTest::centredTextIsCentredClippedAndTransparent() {
  const QRgb blue = qRgb(0, 0, 255);
  QImage image(300, 60, QImage::Format_RGB32);
  const QRect box(100, 20, 60, 24);
  const auto draw = [&](const QString& text) {
    image.fill(blue);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    QFont font = painter.font();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 0));
    drawCenteredText(painter, box, text);
  };

  draw(QStringLiteral("OK"));
  QRect ink = inkBounds(image, image.rect(), colors::Yellow);
  QVERIFY(!ink.isEmpty());
  QVERIFY(box.contains(ink));
  QVERIFY(qAbs((ink.left() + ink.right()) - (box.left() + box.right())) <= 4);
  QCOMPARE(image.pixel(box.left(), box.top()), blue);  // no background painted
  QCOMPARE(image.pixel(box.right(), box.bottom()), blue);

  // A text wider than the box starts left of it and is cut at its edges.
  const QString wide = QStringLiteral("Wyjście TMP OK Wyjście TMP OK");
  QVERIFY(QFontMetrics(QFont()).horizontalAdvance(wide) > box.width() + 20);
  draw(wide);
  ink = inkBounds(image, image.rect(), colors::Yellow);
  QVERIFY(!ink.isEmpty());
  QVERIFY(box.contains(ink));
  QVERIFY(ink.left() <= box.left() + 2);
  QVERIFY(ink.right() >= box.right() - 2);
}

void BarrierPictureTest::hintWithAllClearNamesTheBusAndTheLed() {
  BarrierModel model = connectedModel();
  QCOMPARE(statusHintText(model), QStringLiteral("Magistrala komunikacyjna OK.\rLED wyłączony"));
  // Sabotage bits other than bit 0 are not shown.
  model.status.sabotageFlags = 0xfe;
  QCOMPARE(statusHintText(model), QStringLiteral("Magistrala komunikacyjna OK.\rLED wyłączony"));
}

void BarrierPictureTest::hintListsBlockedAndBlockMemoryBeams() {
  BarrierModel model = connectedModel();
  model.status.beamsBlocked = beamBit(1) | beamBit(2) | beamBit(3);
  model.status.beamsBlockMemory = beamBit(5);
  const std::uint8_t blocked = model.status.beamsBlocked;
  const std::uint8_t memory = model.status.beamsBlockMemory;
  const QString hint = statusHintText(model);
  QCOMPARE(hint, QStringLiteral("Zablokowane wiązki:") + beamListText({&blocked, 1}) + QStringLiteral("\r") +
                     QStringLiteral("Pamięć blokad, wiązki:") + beamListText({&memory, 1}) +
                     QStringLiteral("\rMagistrala komunikacyjna OK.\rLED wyłączony"));
  QVERIFY(hint.startsWith(QStringLiteral("Zablokowane wiązki:1÷3")));
  QVERIFY(hint.contains(QStringLiteral("Pamięć blokad, wiązki:5")));
}

void BarrierPictureTest::hintNamesEveryFlagInOrder() {
  BarrierModel model = connectedModel();
  model.status.sabotageFlags = 0x01;
  model.status.statusFlags = 0xff;
  QCOMPARE(
      statusHintText(model).split(QLatin1Char('\r')),
      QStringList(
          {QStringLiteral("Sabotaż - zbyt długo zasłonięte wszystkie wiązki"),
           QStringLiteral("Sabotaż magistrali komunikacyjnej"), QStringLiteral("Styk sabotażowy odbiornika otwarty"),
           QStringLiteral("Styk sabotażowy nadajnika otwarty"), QStringLiteral("Za niskie napięcie zasilania!!!"),
           QStringLiteral("Włączony tryb rejestracji nadajnika"), QStringLiteral("LED załączony")}));
  model.status.statusFlags = statusflag::ReceiverTamper;
  model.status.sabotageFlags = 0;
  QCOMPARE(statusHintText(model), QStringLiteral("Magistrala komunikacyjna OK.\rStyk sabotażowy odbiornika otwarty\r"
                                                 "LED wyłączony"));
}

void BarrierPictureTest::pictureFillsItsParentAndFollowsItsSizeUpToTheCap() {
  BarrierModel model = connectedModel();
  model.beamCount = 0;
  QWidget parent;
  parent.resize(W, HClosed);
  BarrierPicture picture(
      model, [] { return false; }, &parent);
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  QCOMPARE(picture.geometry(), parent.rect());
  QCOMPARE(picture.image().size(), QSize(W, HClosed));
  QCOMPARE(int(model.beamCount), 8);
  CHECK_COLOUR(picture.image(), 100, 300, colors::Green);
  // What is shown is the image.
  const QImage shown = picture.grab().toImage().convertToFormat(QImage::Format_RGB32);
  CHECK_COLOUR(shown, 100, 300, colors::Green);
  CHECK_COLOUR(shown, 8, 37, colors::Black);

  parent.resize(W, HLog);
  QTRY_COMPARE(picture.image().size(), QSize(W, HLog));
  QCOMPARE(picture.geometry(), parent.rect());
  CHECK_COLOUR(picture.image(), 100, BeamY315[0], colors::Green);

  parent.resize(500, 600);
  QTRY_COMPARE(picture.size(), QSize(500, 600));
  QCOMPARE(picture.image().size(), QSize(BarrierPicture::MaxWidth, BarrierPicture::MaxHeight));
}

void BarrierPictureTest::pictureDrawsDiagnosticsByTheLogPanelState() {
  BarrierModel model = connectedModel();
  bool logShown = true;
  QWidget parent;
  parent.resize(W, HLog);
  BarrierPicture picture(
      model, [&] { return logShown; }, &parent);
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  model.status.beamsDiag = 0x80;
  picture.drawBarrier();
  CHECK_COLOUR(picture.image(), 100, BeamY315[0] - 5, colors::Aqua);
  logShown = false;
  picture.drawBarrier();
  QCOMPARE(int(model.status.beamsDiag), 0);
  CHECK_COLOUR(picture.image(), 100, BeamY315[0] - 5, colors::Black);
}

// What the window system shows of the picture, and the areas it was repainted in.
class ScreenWatch : public QObject {
 public:
  explicit ScreenWatch(QWidget& picture) : picture_(picture) { picture.installEventFilter(this); }
  QImage shown() const {
    const QPoint at = picture_.mapTo(picture_.window(), QPoint(0, 0));
    return picture_.screen()
        ->grabWindow(picture_.window()->winId(), at.x(), at.y(), picture_.width(), picture_.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }
  QList<QRect> painted;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted << static_cast<QPaintEvent*>(event)->rect();
    return false;
  }

 private:
  QWidget& picture_;
};

void BarrierPictureTest::aRedrawRepaintsOnlyWhatChangedAndNothingWhileHidden() {
  BarrierModel model = connectedModel();
  QWidget parent;
  parent.resize(W, HClosed);
  BarrierPicture picture(
      model, [] { return false; }, &parent);
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  ScreenWatch screen(picture);

  picture.drawBarrier();  // as the refresh timer does
  QVERIFY(screen.painted.isEmpty());

  model.status.beams50 = 0x01;
  picture.drawBarrier();
  QCOMPARE(screen.painted.size(), 1);
  QVERIFY(screen.painted[0].contains(100, BeamY427[0]));
  QVERIFY(screen.painted[0].height() < 20);  // the row of beam 1, not the picture
  CHECK_COLOUR(picture.image(), 100, BeamY427[0], colors::Yellow);
  QCOMPARE(screen.shown(), picture.image());

  screen.painted.clear();
  parent.hide();
  model.status.beams50 = 0x00;
  model.supplyText = QStringLiteral("12.2");
  picture.drawBarrier();
  QVERIFY(screen.painted.isEmpty());
  CHECK_COLOUR(picture.image(), 100, BeamY427[0], colors::Yellow);  // not drawn while hidden
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  CHECK_COLOUR(picture.image(), 100, BeamY427[0], colors::Green);
  QTRY_COMPARE(screen.shown(), picture.image());
}

void BarrierPictureTest::hintIsReplacedOnlyWhenItsTextChanges() {
  BarrierModel model = connectedModel();
  QWidget parent;
  BarrierPicture picture(
      model, [] { return false; }, &parent);
  picture.updateStatusHint();
  QCOMPARE(picture.hint(), QStringLiteral("Magistrala komunikacyjna OK.\rLED wyłączony"));
  QCOMPARE(picture.toolTip(), QStringLiteral("Magistrala komunikacyjna OK.\nLED wyłączony"));

  picture.setToolTip(QStringLiteral("kept"));
  picture.updateStatusHint();
  QCOMPARE(picture.toolTip(), QStringLiteral("kept"));

  model.status.statusFlags = statusflag::Led;
  picture.updateStatusHint();
  QCOMPARE(picture.toolTip(), QStringLiteral("Magistrala komunikacyjna OK.\nLED załączony"));
}

void BarrierPictureTest::mouseMoveShowsTheHintAtOnce() {
  BarrierModel model = connectedModel();
  model.status.statusFlags = statusflag::BusTamper;
  QWidget parent;
  parent.resize(W, HClosed);
  BarrierPicture picture(
      model, [] { return false; }, &parent);
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  QMouseEvent move(QEvent::MouseMove, QPointF(50, 50), picture.mapToGlobal(QPointF(50, 50)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&picture, &move);
  QCOMPARE(picture.hint(), QStringLiteral("Sabotaż magistrali komunikacyjnej\rLED wyłączony"));
  QVERIFY(QToolTip::isVisible());
  QCOMPARE(QToolTip::text(), QStringLiteral("Sabotaż magistrali komunikacyjnej\nLED wyłączony"));
  QToolTip::hideText();
}

void BarrierPictureTest::doubleClickChangesNothing() {
  BarrierModel model = connectedModel();
  QWidget parent;
  parent.resize(W, HClosed);
  BarrierPicture picture(
      model, [] { return false; }, &parent);
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  const QImage before = picture.image().copy();
  const BarrierConfig edited = model.editConfig;
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(50, 50), picture.mapToGlobal(QPointF(50, 50)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&picture, &click);
  QVERIFY(click.isAccepted());
  QCOMPARE(picture.image(), before);
  QVERIFY(model.editConfig == edited);
  QCOMPARE(int(model.beamCount), 8);
}

QTEST_MAIN(BarrierPictureTest)
#include "BarrierPictureTest.moc"
