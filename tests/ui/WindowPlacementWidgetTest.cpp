#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <memory>

#include "files/SettingsStore.h"
#include "files/WindowPlacement.h"
#include "tests/files/TempSettingsHome.h"
#include "ui/WindowPlacementWidget.h"

class WindowPlacementWidgetTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempSettingsHome> home;

  static void store(const QString& name, const WindowPlace& place) {
    const PlacementRecord record = encodePlacement(place);
    writeStoredBytes(SettingsKey, name, record.data(), PlacementRecordSize);
  }
  static std::int32_t storedBytes(const QString& name, PlacementRecord& record) {
    return readStoredBytes(SettingsKey, name, record.data(), PlacementRecordSize);
  }
  // A window like the main one: fixed size, caption "Orvita", hint "Orvita".
  static std::unique_ptr<QWidget> mainLike() {
    auto w = std::make_unique<QWidget>();
    w->setFixedSize(300, 200);
    w->setWindowTitle("Orvita");
    setPlacementHint(w.get(), "Orvita");
    return w;
  }

 private slots:
  void init() { home = std::make_unique<TempSettingsHome>(); }
  void cleanup() { home.reset(); }

  void positionSavedUnderAFileCaptionIsReadAtTheNextStart() {
    auto running = mainLike();
    running->setWindowTitle("Orvita - brama");
    running->move(120, 80);
    saveWindowPlacement(running.get(), SettingsKey);

    PlacementRecord record{};
    QCOMPARE(storedBytes("Orvita", record), PlacementRecordSize);
    QCOMPARE(decodePlacement(record), (WindowPlace{120, 80, 300, 200}));
    QCOMPARE(storedBytes("Orvita - brama", record), 0);

    auto next = mainLike();
    next->move(10, 10);
    loadWindowPlacement(next.get(), SettingsKey);
    QCOMPARE(next->pos(), QPoint(120, 80));
  }

  void valueNameIsTheCaptionWithoutAHintAndTheToolTipCountsAsHint() {
    QWidget w;
    w.setWindowTitle("Orvita - brama");
    QCOMPARE(windowValueName(&w), QStringLiteral("Orvita - brama"));
    w.setToolTip("orvita");
    QCOMPARE(windowValueName(&w), QStringLiteral("orvita"));
    setPlacementHint(&w, "Brama");
    QCOMPARE(windowValueName(&w), QStringLiteral("Brama"));
  }

  void fixedSizeWindowGetsOnlyItsPosition() {
    store("Orvita", {40, 30, 999, 777});
    auto w = mainLike();
    loadWindowPlacement(w.get(), SettingsKey);
    QCOMPARE(w->pos(), QPoint(40, 30));
    QCOMPARE(w->size(), QSize(300, 200));
  }

  void resizableWindowGetsItsStoredSize() {
    store("Log", {40, 30, 420, 310});
    QWidget w;
    w.setWindowTitle("Log");
    w.resize(200, 100);
    loadWindowPlacement(&w, SettingsKey);
    QCOMPARE(w.pos(), QPoint(40, 30));
    QCOMPARE(w.frameGeometry().size(), QSize(420, 310));
  }

  void storedTopAboveTheScreenMovesTheWindowOntoIt() {
    store("Orvita", {100, -10, 300, 200});
    auto w = mainLike();
    w->move(5, 5);
    loadWindowPlacement(w.get(), SettingsKey);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(w->pos(), QPoint(100, screen.top()));
  }

  void nothingStoredKeepsAPlaceInView() {
    auto w = mainLike();
    w->move(64, 48);
    loadWindowPlacement(w.get(), SettingsKey);
    QCOMPARE(w->pos(), QPoint(64, 48));
  }

  void windowLeftOfTheMainWindowIsMovedToItsLeftEdge() {
    auto main = mainLike();
    main->move(200, 10);
    store("Tool", {150, 10, 100, 100});
    QWidget tool;
    tool.setWindowTitle("Tool");
    tool.setFixedSize(100, 100);
    loadWindowPlacement(&tool, SettingsKey, main.get());
    QCOMPARE(tool.pos(), QPoint(200, 10));
  }

  void maximizedWindowIsNotSaved() {
    auto w = mainLike();
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    w->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QVERIFY(w->isMaximized());
    saveWindowPlacement(w.get(), SettingsKey);
    PlacementRecord record{};
    QCOMPARE(storedBytes("Orvita", record), 0);
  }
};

QTEST_MAIN(WindowPlacementWidgetTest)
#include "WindowPlacementWidgetTest.moc"
