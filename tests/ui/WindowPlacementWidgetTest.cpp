#include "WindowPlacementWidget.h"

#include "Registry.h"
#include "TempSettingsHome.h"
#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <memory>

class WindowPlacementWidgetTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempSettingsHome> home;

  static void Store(const QString& name, const WindowPlace& place) {
    const PlacementRecord record = EncodePlacement(place);
    RegWriteBytes(SettingsKey, name, record.data(), PlacementRecordSize);
  }
  static std::int32_t StoredBytes(const QString& name, PlacementRecord& record) {
    return RegReadBytes(SettingsKey, name, record.data(), PlacementRecordSize);
  }
  // A window like the main one: fixed size, caption "Orvita", hint "Orvita".
  static std::unique_ptr<QWidget> MainLike() {
    auto w = std::make_unique<QWidget>();
    w->setFixedSize(300, 200);
    w->setWindowTitle("Orvita");
    SetPlacementHint(w.get(), "Orvita");
    return w;
  }

 private slots:
  void init() { home = std::make_unique<TempSettingsHome>(); }
  void cleanup() { home.reset(); }

  void positionSavedUnderAFileCaptionIsReadAtTheNextStart() {
    auto running = MainLike();
    running->setWindowTitle("Orvita - brama");
    running->move(120, 80);
    SaveWindowPlacement(running.get(), SettingsKey);

    PlacementRecord record{};
    QCOMPARE(StoredBytes("Orvita", record), PlacementRecordSize);
    QCOMPARE(DecodePlacement(record), (WindowPlace{120, 80, 300, 200}));
    QCOMPARE(StoredBytes("Orvita - brama", record), 0);

    auto next = MainLike();
    next->move(10, 10);
    LoadWindowPlacement(next.get(), SettingsKey);
    QCOMPARE(next->pos(), QPoint(120, 80));
  }

  void valueNameIsTheCaptionWithoutAHintAndTheToolTipCountsAsHint() {
    QWidget w;
    w.setWindowTitle("Orvita - brama");
    QCOMPARE(WindowValueName(&w), QStringLiteral("Orvita - brama"));
    w.setToolTip("orvita");
    QCOMPARE(WindowValueName(&w), QStringLiteral("orvita"));
    SetPlacementHint(&w, "Brama");
    QCOMPARE(WindowValueName(&w), QStringLiteral("Brama"));
  }

  void fixedSizeWindowGetsOnlyItsPosition() {
    Store("Orvita", {40, 30, 999, 777});
    auto w = MainLike();
    LoadWindowPlacement(w.get(), SettingsKey);
    QCOMPARE(w->pos(), QPoint(40, 30));
    QCOMPARE(w->size(), QSize(300, 200));
  }

  void resizableWindowGetsItsStoredSize() {
    Store("Log", {40, 30, 420, 310});
    QWidget w;
    w.setWindowTitle("Log");
    w.resize(200, 100);
    LoadWindowPlacement(&w, SettingsKey);
    QCOMPARE(w.pos(), QPoint(40, 30));
    QCOMPARE(w.frameGeometry().size(), QSize(420, 310));
  }

  void storedTopAboveTheDesktopCentresTheWindow() {
    Store("Orvita", {100, -10, 300, 200});
    auto w = MainLike();
    w->move(5, 5);
    LoadWindowPlacement(w.get(), SettingsKey);
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    QCOMPARE(w->pos(), QPoint((desktop.width() - 300) / 2 + desktop.x(), (desktop.height() - 200) / 2));
  }

  void nothingStoredKeepsAPlaceInView() {
    auto w = MainLike();
    w->move(64, 48);
    LoadWindowPlacement(w.get(), SettingsKey);
    QCOMPARE(w->pos(), QPoint(64, 48));
  }

  void windowLeftOfTheMainWindowIsCentred() {
    auto main = MainLike();
    main->move(200, 10);
    Store("Tool", {150, 10, 100, 100});
    QWidget tool;
    tool.setWindowTitle("Tool");
    tool.setFixedSize(100, 100);
    LoadWindowPlacement(&tool, SettingsKey, main.get());
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    QCOMPARE(tool.pos(), QPoint((desktop.width() - 100) / 2 + desktop.x(), (desktop.height() - 100) / 2));
  }

  void maximizedWindowIsNotSaved() {
    auto w = MainLike();
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    w->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QVERIFY(w->isMaximized());
    SaveWindowPlacement(w.get(), SettingsKey);
    PlacementRecord record{};
    QCOMPARE(StoredBytes("Orvita", record), 0);
  }
};

QTEST_MAIN(WindowPlacementWidgetTest)
#include "WindowPlacementWidgetTest.moc"
