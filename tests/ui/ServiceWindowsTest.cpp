// The windows as a newcomer meets them: on a 1024×768 screen, and from the
// keyboard.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/MainWindow.h"
#include "files/SettingsStore.h"
#include "journal/JournalWriter.h"
#include "ui/AboutWindow.h"
#include "ui/HistoryWindow.h"
#include "ui/PortSettingsDialog.h"
#include "ui/RecordForm.h"
#include "ui/TimelineView.h"
#include "ui/TrafficMonitorWindow.h"
#include "ui/WalkTestWindow.h"

namespace {

// What a window may take of a 1024×768 screen: a desktop's panel and the
// window's title bar and borders go first.
constexpr QSize SmallScreen(1024, 768);
constexpr QSize PanelAndFrame(8, 32 + 40);

// A journal of one barrier, its visit of an hour with an alarm at 03:12.
void recordVisit(const QString& path, qint64 t0) {
  JournalWriter writer({path});
  writer.startSession(t0, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
  writer.startConnection(t0, QByteArray::fromHex("0401000520210714"), 4);
  writer.setBarrier(t0, 4711);
  writer.addEvent(t0, JournalEventKind::Status, statusBytes(BarrierStatus{}));
  BarrierStatus alarm;
  alarm.beamsAlert = alarm.beamsAlarm = 0x01;
  alarm.statusFlags = statusflag::AlarmOutput;
  writer.addEvent(t0 + 12 * 60'000, JournalEventKind::Status, statusBytes(alarm));
  writer.addEvent(t0 + 12 * 60'000 + 2000, JournalEventKind::Status, statusBytes(BarrierStatus{}));
  writer.endConnection(t0 + 3'600'000, JournalLossReason::PortClosed);
}

void showActive(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window));
}

}  // namespace

class ServiceWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { writeStoredString(SettingsKey, QStringLiteral("cm"), QStringLiteral("orvita-test-no-such-port")); }
  void everyWindowFitsASmallScreen();
  void historiaIsWalkedWithTheKeyboard();
  void theMonitorAndTheWalkTestAnswerTheirKeys();
};

void ServiceWindowsTest::everyWindowFitsASmallScreen() {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QCOMPARE(screen.size(), SmallScreen);
  // A barrier for "Historia" to list (the program's journal is the test's own).
  recordVisit(qEnvironmentVariable("ORVITA_JOURNAL"), QDateTime(QDate(2026, 12, 8), QTime(3, 0)).toMSecsSinceEpoch());
  MainWindow form;
  form.show();
  form.showHistory();
  form.showTrafficMonitor();
  form.showWalkTest();
  form.createPortDialog();
  RecordForm record(&form);
  AboutWindow about;
  const QList<QWidget*> windows{
      &form, form.historyWindow, form.trafficMonitor, form.walkTestWindow, form.portDialog, &record, &about};
  // Each window laid out with what it shows.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  for (QWidget* window : windows) {
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    const QString name = window->windowTitle() + QStringLiteral(" needs ") + QString::number(least.width()) + u'x' +
                         QString::number(least.height());
    QVERIFY2(least.width() <= SmallScreen.width() - PanelAndFrame.width() &&
                 least.height() <= SmallScreen.height() - PanelAndFrame.height(),
             qPrintable(name));
    // Opened, none is larger than the screen.
    if (window->isVisible())
      QVERIFY2(screen.contains(QRect(screen.topLeft(), window->frameGeometry().size())),
               qPrintable(window->windowTitle()));
  }
}

void ServiceWindowsTest::historiaIsWalkedWithTheKeyboard() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
  const qint64 t0 = QDateTime(QDate(2026, 12, 8), QTime(3, 0)).toMSecsSinceEpoch();
  recordVisit(path, t0);
  HistoryWindow window(path, nullptr, [&] { return t0 + 3'600'000; });
  showActive(&window);

  // Tab goes through every control and comes back.
  QSet<QWidget*> controls;
  for (QWidget* child : window.findChildren<QWidget*>())
    if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QComboBox*>(child)) controls << child;
  controls << window.view();
  window.barrierChooser()->setFocus(Qt::TabFocusReason);
  QSet<QWidget*> reached;
  for (int step = 0; step < 2 * controls.size() && !reached.contains(QApplication::focusWidget()); ++step) {
    reached << QApplication::focusWidget();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  QCOMPARE(reached, controls);
  QCOMPARE(QApplication::focusWidget(), window.barrierChooser());

  // The timeline shows it has the keys.
  window.view()->setFocus(Qt::TabFocusReason);
  const QImage focused = window.view()->grab().toImage();
  window.barrierChooser()->setFocus(Qt::TabFocusReason);
  QVERIFY(window.view()->grab().toImage() != focused);

  // Alt and a letter press a button: "◀ Poprzedni alarm".
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
  QTRY_VERIFY2(window.statusText().startsWith(QStringLiteral("Alarm 1 z 1")), qPrintable(window.statusText()));

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  QVERIFY(!window.isVisible());
}

void ServiceWindowsTest::theMonitorAndTheWalkTestAnswerTheirKeys() {
  MainWindow form;
  form.show();
  form.showTrafficMonitor();
  TrafficMonitorWindow* monitor = form.trafficMonitor;
  showActive(monitor);
  monitor->table()->setFocus();
  QTest::keyClick(monitor->table(), Qt::Key_F, Qt::ControlModifier);
  QCOMPARE(QApplication::focusWidget(), monitor->searchField());
  QTest::keyClick(monitor->searchField(), Qt::Key_Escape);
  QVERIFY(!monitor->isVisible());

  form.showWalkTest();
  showActive(form.walkTestWindow);
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.walkTestWindow, Qt::Key_Escape);
  QVERIFY(!form.walkTestWindow->isVisible());
}

int main(int argc, char** argv) {
  // Settings and log files of the test run stay in a folder of their own,
  // and the one screen is a small laptop's.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
  qputenv("XDG_STATE_HOME", home.filePath(QStringLiteral("state")).toLocal8Bit());
  qputenv("ORVITA_JOURNAL", home.filePath(QStringLiteral("journal.sqlite")).toLocal8Bit());
  QFile screens(home.filePath(QStringLiteral("screens.json")));
  if (!screens.open(QIODevice::WriteOnly) ||
      screens.write(QStringLiteral(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": %1, "height": %2,
                                       "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                        .arg(SmallScreen.width())
                        .arg(SmallScreen.height())
                        .toUtf8()) < 0)
    return 1;
  screens.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
  QApplication app(argc, argv);
  ServiceWindowsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ServiceWindowsTest.moc"
