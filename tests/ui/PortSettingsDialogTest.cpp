#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "texts/UiTexts.h"
#include "ui/PortSettingsDialog.h"

class PortSettingsDialogTest : public QObject {
  Q_OBJECT

  struct Rig {
    SerialPort comm;
    bool dtr = true;
    bool rts = false;
    QStringList ports = orderPortList({"ttyUSB0", "ttyS10"});
    PortSettingsDialog dialog{comm, dtr, rts};
    Rig() {
      dialog.setPortListSource([this] { return ports; });
      comm.setDeviceName("ttyS0");
    }
    void show() {
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    void reactivate() {
      QEvent activate(QEvent::WindowActivate);
      QCoreApplication::sendEvent(&dialog, &activate);
    }
    QStringList listed() const {
      QStringList items;
      for (int i = 0; i < dialog.portCombo->count(); ++i) items << dialog.portCombo->itemText(i);
      return items;
    }
  };

  static QStringList items(QButtonGroup* group) {
    QStringList items;
    for (QAbstractButton* button : group->buttons()) items << button->text();
    return items;
  }

 private slots:
  void windowAndControlsAreAsDesigned() {
    Rig rig;
    PortSettingsDialog& d = rig.dialog;
    QCOMPARE(d.windowTitle(), QStringLiteral("Port Settings"));
    QCOMPARE(d.windowType(), Qt::Tool);
    QCOMPARE(d.minimumSize(), QSize(267, 302));
    QCOMPARE(d.maximumSize(), QSize(267, 302));

    QCOMPARE(d.baudRateGroup->title(), QStringLiteral("Baud Rate"));
    QCOMPARE(d.baudRateGroup->geometry(), QRect(8, 72, 81, 217));
    QCOMPARE(items(d.baudRateButtons), (QStringList{"110", "300", "1200", "2400", "4800", "9600", "19200", "38400",
                                                    "57600", "115200", "230400", "460800", "921600"}));
    QCOMPARE(d.dataBitsGroup->geometry(), QRect(96, 72, 89, 65));
    QCOMPARE(items(d.dataBitsButtons), (QStringList{"6 bits", "7 bits", "8 bits"}));
    QCOMPARE(d.stopBitsGroup->title(), QStringLiteral("Stop Bits"));
    QCOMPARE(d.stopBitsGroup->geometry(), QRect(96, 144, 89, 65));
    QCOMPARE(items(d.stopBitsButtons), (QStringList{"1 Stop Bit", "1.5 ", "2 Stop Bits"}));
    QCOMPARE(d.parityGroup->geometry(), QRect(192, 72, 73, 137));
    QCOMPARE(items(d.parityButtons), (QStringList{"None", "Odd", "Even", "Mark", "Space"}));
    QCOMPARE(d.dtrBox->text(), QStringLiteral("DTR signal"));
    QCOMPARE(d.dtrBox->geometry(), QRect(97, 224, 73, 17));
    QCOMPARE(d.rtsBox->geometry(), QRect(194, 224, 73, 17));
    QCOMPARE(d.portGroup->geometry(), QRect(8, 4, 257, 61));
    QCOMPARE(d.portLabel->text(), QStringLiteral("Port RS-232 :"));
    QCOMPARE(d.portCombo->parentWidget(), d.portGroup);
    QCOMPARE(d.portCombo->geometry(), QRect(93, 22, 78, 21));
    QVERIFY(!d.portCombo->isEditable());
    QCOMPARE(d.okButton->text(), QStringLiteral("O&K"));
    QCOMPARE(d.okButton->geometry(), QRect(144, 259, 75, 25));
    QVERIFY(d.okButton->isDefault());
  }

  void onlyThePortListAndOkRespond() {
    Rig rig;
    rig.show();
    PortSettingsDialog& d = rig.dialog;
    for (QWidget* w : {static_cast<QWidget*>(d.baudRateGroup), static_cast<QWidget*>(d.dataBitsGroup),
                       static_cast<QWidget*>(d.stopBitsGroup), static_cast<QWidget*>(d.parityGroup),
                       static_cast<QWidget*>(d.dtrBox), static_cast<QWidget*>(d.rtsBox)})
      QVERIFY(!w->isEnabled());
    QVERIFY(d.portCombo->isEnabled());
    QVERIFY(d.okButton->isEnabled());

    QTest::mouseClick(d.baudRateButtons->button(0), Qt::LeftButton);
    QTest::mouseClick(d.rtsBox, Qt::LeftButton);
    QCOMPARE(rig.comm.baudRate(), cbr2400);
    QVERIFY(!rig.rts);
  }

  void showingListsThePortsAndTheCurrentSettingsWithoutChangingThem() {
    Rig rig;
    rig.comm.setDeviceName("ttyusb0");
    rig.comm.setBaudRate(cbr9600);
    rig.comm.setDataBits(da7);
    rig.comm.setStopBits(sb2_0);
    rig.comm.setParity(paOdd);
    rig.show();
    PortSettingsDialog& d = rig.dialog;
    QCOMPARE(rig.listed(), (QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10", "ttyUSB0"}));
    QCOMPARE(d.portCombo->currentText(), QStringLiteral("ttyUSB0"));
    QCOMPARE(d.baudRateButtons->checkedId(), 5);
    QCOMPARE(d.dataBitsButtons->checkedId(), 1);
    QCOMPARE(d.stopBitsButtons->checkedId(), 2);
    QCOMPARE(d.parityButtons->checkedId(), 1);
    QVERIFY(d.dtrBox->isChecked());
    QVERIFY(!d.rtsBox->isChecked());

    QCOMPARE(rig.comm.deviceName(), QStringLiteral("ttyusb0"));
    QCOMPARE(rig.comm.baudRate(), cbr9600);
    QVERIFY(rig.dtr);
    QVERIFY(!rig.rts);
  }

  void unlistedPortShowsTheFirstEntryButKeepsItsName() {
    Rig rig;
    rig.comm.setDeviceName("ttyGone7");
    rig.show();
    QCOMPARE(rig.dialog.portCombo->currentIndex(), 0);
    QCOMPARE(rig.comm.deviceName(), QStringLiteral("ttyGone7"));
  }

  void choosingAPortSetsTheDeviceNameAtOnce() {
    Rig rig;
    rig.show();
    QTest::keyClick(rig.dialog.portCombo, Qt::Key_Down);
    QCOMPARE(rig.comm.deviceName(), QStringLiteral("ttyS1"));
    QTest::keyClick(rig.dialog.portCombo, Qt::Key_End);
    QCOMPARE(rig.comm.deviceName(), QStringLiteral("ttyUSB0"));
    QVERIFY(rig.dialog.isVisible());
  }

  void returningToTheDialogRefillsTheListAndKeepsTheChoice() {
    Rig rig;
    rig.show();
    QTest::keyClick(rig.dialog.portCombo, Qt::Key_End);
    rig.ports = orderPortList({"ttyUSB0", "ttyACM0"});  // ttyS10 unplugged, ttyACM0 plugged in
    rig.reactivate();
    QCOMPARE(rig.listed(), (QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyACM0", "ttyUSB0"}));
    QCOMPARE(rig.dialog.portCombo->currentText(), QStringLiteral("ttyUSB0"));
    QCOMPARE(rig.comm.deviceName(), QStringLiteral("ttyUSB0"));
  }

  void dataSizeWithoutAnItemKeepsThePreviousSelection() {
    Rig rig;
    rig.comm.setDataBits(da8);
    rig.show();
    QCOMPARE(rig.dialog.dataBitsButtons->checkedId(), 2);
    rig.comm.setDataBits(da5);
    rig.reactivate();
    QCOMPARE(rig.dialog.dataBitsButtons->checkedId(), 2);
  }

  void closeBoxKeepsTheChosenPort() {
    Rig rig;
    rig.show();
    QTest::keyClick(rig.dialog.portCombo, Qt::Key_Down);
    QVERIFY(rig.dialog.close());
    QVERIFY(!rig.dialog.isVisible());
    QCOMPARE(rig.comm.deviceName(), QStringLiteral("ttyS1"));
  }

  void enterClosesTheDialogWithOk() {
    Rig rig;
    rig.show();
    rig.dialog.portCombo->setFocus();
    QTest::keyClick(rig.dialog.portCombo, Qt::Key_Return);
    QVERIFY(!rig.dialog.isVisible());
    QCOMPARE(rig.dialog.result(), int(QDialog::Accepted));
  }

  // The line controls are disabled in this program but stay wired.
  void lineControlsActOnThePortWhenEnabled() {
    Rig rig;
    rig.show();
    PortSettingsDialog& d = rig.dialog;
    for (QWidget* w : {static_cast<QWidget*>(d.baudRateGroup), static_cast<QWidget*>(d.dataBitsGroup),
                       static_cast<QWidget*>(d.stopBitsGroup), static_cast<QWidget*>(d.parityGroup),
                       static_cast<QWidget*>(d.dtrBox)})
      w->setEnabled(true);
    QTest::mouseClick(d.baudRateButtons->button(6), Qt::LeftButton);
    QTest::mouseClick(d.dataBitsButtons->button(0), Qt::LeftButton);
    QTest::mouseClick(d.stopBitsButtons->button(1), Qt::LeftButton);
    QTest::mouseClick(d.parityButtons->button(4), Qt::LeftButton);
    QTest::mouseClick(d.dtrBox, Qt::LeftButton);
    QCOMPARE(rig.comm.baudRate(), cbr19200);
    QCOMPARE(rig.comm.dataBits(), da6);
    QCOMPARE(rig.comm.stopBits(), sb1_5);
    QCOMPARE(rig.comm.parity(), paSpace);
    QVERIFY(!rig.dtr);
  }
};

QTEST_MAIN(PortSettingsDialogTest)
#include "PortSettingsDialogTest.moc"
