#include "PortSettingsDialog.h"

#include "PortList.h"
#include "TComm64.h"
#include "Unit1txt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class PortSettingsDialogTest : public QObject {
  Q_OBJECT

  struct Rig {
    TComm64 comm;
    bool dtr = true;
    bool rts = false;
    QStringList ports = OrderPortList({"ttyUSB0", "ttyS10"});
    TForm2 dialog{comm, dtr, rts};
    Rig() {
      dialog.SetPortListSource([this] { return ports; });
      comm.SetDeviceName("ttyS0");
    }
    void Show() {
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    void Reactivate() {
      QEvent activate(QEvent::WindowActivate);
      QCoreApplication::sendEvent(&dialog, &activate);
    }
    QStringList Listed() const {
      QStringList items;
      for (int i = 0; i < dialog.CCB1->count(); ++i) items << dialog.CCB1->itemText(i);
      return items;
    }
  };

  static QStringList Items(QButtonGroup* group) {
    QStringList items;
    for (QAbstractButton* button : group->buttons()) items << button->text();
    return items;
  }

 private slots:
  void windowAndControlsAreAsDesigned() {
    Rig rig;
    TForm2& d = rig.dialog;
    QCOMPARE(d.windowTitle(), QStringLiteral("Port Settings"));
    QCOMPARE(d.windowType(), Qt::Tool);
    QCOMPARE(d.minimumSize(), QSize(267, 302));
    QCOMPARE(d.maximumSize(), QSize(267, 302));

    QCOMPARE(d.RadioGroup2->title(), QStringLiteral("Baud Rate"));
    QCOMPARE(d.RadioGroup2->geometry(), QRect(8, 72, 81, 217));
    QCOMPARE(Items(d.RadioGroup2Items), (QStringList{"110", "300", "1200", "2400", "4800", "9600", "19200", "38400",
                                                     "57600", "115200", "230400", "460800", "921600"}));
    QCOMPARE(d.RadioGroup3->geometry(), QRect(96, 72, 89, 65));
    QCOMPARE(Items(d.RadioGroup3Items), (QStringList{"6 bits", "7 bits", "8 bits"}));
    QCOMPARE(d.RadioGroup4->title(), QStringLiteral("Stop Bits"));
    QCOMPARE(d.RadioGroup4->geometry(), QRect(96, 144, 89, 65));
    QCOMPARE(Items(d.RadioGroup4Items), (QStringList{"1 Stop Bit", "1.5 ", "2 Stop Bits"}));
    QCOMPARE(d.RadioGroup5->geometry(), QRect(192, 72, 73, 137));
    QCOMPARE(Items(d.RadioGroup5Items), (QStringList{"None", "Odd", "Even", "Mark", "Space"}));
    QCOMPARE(d.CheckBoxDTR->text(), QStringLiteral("DTR signal"));
    QCOMPARE(d.CheckBoxDTR->geometry(), QRect(97, 224, 73, 17));
    QCOMPARE(d.CheckBoxRTS->geometry(), QRect(194, 224, 73, 17));
    QCOMPARE(d.GroupBox4->geometry(), QRect(8, 4, 257, 61));
    QCOMPARE(d.Label3->text(), QStringLiteral("Port RS-232 :"));
    QCOMPARE(d.CCB1->parentWidget(), d.GroupBox4);
    QCOMPARE(d.CCB1->geometry(), QRect(93, 22, 78, 21));
    QVERIFY(!d.CCB1->isEditable());
    QCOMPARE(d.Button1->text(), QStringLiteral("O&K"));
    QCOMPARE(d.Button1->geometry(), QRect(144, 259, 75, 25));
    QVERIFY(d.Button1->isDefault());
  }

  void onlyThePortListAndOkRespond() {
    Rig rig;
    rig.Show();
    TForm2& d = rig.dialog;
    for (QWidget* w : {static_cast<QWidget*>(d.RadioGroup2), static_cast<QWidget*>(d.RadioGroup3),
                       static_cast<QWidget*>(d.RadioGroup4), static_cast<QWidget*>(d.RadioGroup5),
                       static_cast<QWidget*>(d.CheckBoxDTR), static_cast<QWidget*>(d.CheckBoxRTS)})
      QVERIFY(!w->isEnabled());
    QVERIFY(d.CCB1->isEnabled());
    QVERIFY(d.Button1->isEnabled());

    QTest::mouseClick(d.RadioGroup2Items->button(0), Qt::LeftButton);
    QTest::mouseClick(d.CheckBoxRTS, Qt::LeftButton);
    QCOMPARE(rig.comm.BaudRate(), cbr2400);
    QVERIFY(!rig.rts);
  }

  void showingListsThePortsAndTheCurrentSettingsWithoutChangingThem() {
    Rig rig;
    rig.comm.SetDeviceName("ttyusb0");
    rig.comm.SetBaudRate(cbr9600);
    rig.comm.SetDatabits(da7);
    rig.comm.SetStopbits(sb2_0);
    rig.comm.SetParity(paOdd);
    rig.Show();
    TForm2& d = rig.dialog;
    QCOMPARE(rig.Listed(), (QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10", "ttyUSB0"}));
    QCOMPARE(d.CCB1->currentText(), QStringLiteral("ttyUSB0"));
    QCOMPARE(d.RadioGroup2Items->checkedId(), 5);
    QCOMPARE(d.RadioGroup3Items->checkedId(), 1);
    QCOMPARE(d.RadioGroup4Items->checkedId(), 2);
    QCOMPARE(d.RadioGroup5Items->checkedId(), 1);
    QVERIFY(d.CheckBoxDTR->isChecked());
    QVERIFY(!d.CheckBoxRTS->isChecked());

    QCOMPARE(rig.comm.DeviceName(), QStringLiteral("ttyusb0"));
    QCOMPARE(rig.comm.BaudRate(), cbr9600);
    QVERIFY(rig.dtr);
    QVERIFY(!rig.rts);
  }

  void unlistedPortShowsTheFirstEntryButKeepsItsName() {
    Rig rig;
    rig.comm.SetDeviceName("ttyGone7");
    rig.Show();
    QCOMPARE(rig.dialog.CCB1->currentIndex(), 0);
    QCOMPARE(rig.comm.DeviceName(), QStringLiteral("ttyGone7"));
  }

  void choosingAPortSetsTheDeviceNameAtOnce() {
    Rig rig;
    rig.Show();
    QTest::keyClick(rig.dialog.CCB1, Qt::Key_Down);
    QCOMPARE(rig.comm.DeviceName(), QStringLiteral("ttyS1"));
    QTest::keyClick(rig.dialog.CCB1, Qt::Key_End);
    QCOMPARE(rig.comm.DeviceName(), QStringLiteral("ttyUSB0"));
    QVERIFY(rig.dialog.isVisible());
  }

  void returningToTheDialogRefillsTheListAndKeepsTheChoice() {
    Rig rig;
    rig.Show();
    QTest::keyClick(rig.dialog.CCB1, Qt::Key_End);
    rig.ports = OrderPortList({"ttyUSB0", "ttyACM0"});  // ttyS10 unplugged, ttyACM0 plugged in
    rig.Reactivate();
    QCOMPARE(rig.Listed(), (QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyACM0", "ttyUSB0"}));
    QCOMPARE(rig.dialog.CCB1->currentText(), QStringLiteral("ttyUSB0"));
    QCOMPARE(rig.comm.DeviceName(), QStringLiteral("ttyUSB0"));
  }

  void dataSizeWithoutAnItemKeepsThePreviousSelection() {
    Rig rig;
    rig.comm.SetDatabits(da8);
    rig.Show();
    QCOMPARE(rig.dialog.RadioGroup3Items->checkedId(), 2);
    rig.comm.SetDatabits(da5);
    rig.Reactivate();
    QCOMPARE(rig.dialog.RadioGroup3Items->checkedId(), 2);
  }

  void closeBoxKeepsTheChosenPort() {
    Rig rig;
    rig.Show();
    QTest::keyClick(rig.dialog.CCB1, Qt::Key_Down);
    QVERIFY(rig.dialog.close());
    QVERIFY(!rig.dialog.isVisible());
    QCOMPARE(rig.comm.DeviceName(), QStringLiteral("ttyS1"));
  }

  void enterClosesTheDialogWithOk() {
    Rig rig;
    rig.Show();
    rig.dialog.CCB1->setFocus();
    QTest::keyClick(rig.dialog.CCB1, Qt::Key_Return);
    QVERIFY(!rig.dialog.isVisible());
    QCOMPARE(rig.dialog.result(), int(QDialog::Accepted));
  }

  // The line controls are disabled in this program but stay wired.
  void lineControlsActOnThePortWhenEnabled() {
    Rig rig;
    rig.Show();
    TForm2& d = rig.dialog;
    for (QWidget* w : {static_cast<QWidget*>(d.RadioGroup2), static_cast<QWidget*>(d.RadioGroup3),
                       static_cast<QWidget*>(d.RadioGroup4), static_cast<QWidget*>(d.RadioGroup5),
                       static_cast<QWidget*>(d.CheckBoxDTR)})
      w->setEnabled(true);
    QTest::mouseClick(d.RadioGroup2Items->button(6), Qt::LeftButton);
    QTest::mouseClick(d.RadioGroup3Items->button(0), Qt::LeftButton);
    QTest::mouseClick(d.RadioGroup4Items->button(1), Qt::LeftButton);
    QTest::mouseClick(d.RadioGroup5Items->button(4), Qt::LeftButton);
    QTest::mouseClick(d.CheckBoxDTR, Qt::LeftButton);
    QCOMPARE(rig.comm.BaudRate(), cbr19200);
    QCOMPARE(rig.comm.Databits(), da6);
    QCOMPARE(rig.comm.Stopbits(), sb1_5);
    QCOMPARE(rig.comm.Parity(), paSpace);
    QVERIFY(!rig.dtr);
  }
};

QTEST_MAIN(PortSettingsDialogTest)
#include "PortSettingsDialogTest.moc"
