#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionGroupBox>
#include <QTemporaryFile>
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
    QList<PortChoice> ports = choices({"ttyUSB0", "ttyS10"});
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
      QStringList names;
      for (int i = 0; i < dialog.portCombo->count(); ++i)
        names << dialog.portCombo->itemData(i, PortSettingsDialog::PortNameRole).toString();
      return names;
    }
    QString chosen() const { return dialog.portCombo->currentData(PortSettingsDialog::PortNameRole).toString(); }
  };

  // The dialog's list for these system ports, none of them with USB facts.
  static QList<PortChoice> choices(const QStringList& systemPorts) {
    QList<PortChoice> list;
    for (const QString& name : orderPortList(systemPorts)) list.append({name, name, {}, {}, {}, {}, {}, {}});
    return list;
  }

  static PortChoice usbChoice(const QString& name, const QString& kernelName, const QString& serial) {
    return {name, kernelName, "FTDI", "FT232R USB UART", serial, "0403", "6001", {}};
  }

  // Every caption and item fits its control, and no radio button sits under its group's title.
  static void verifyCaptionsFit(PortSettingsDialog& d) {
    for (QAbstractButton* button : d.findChildren<QAbstractButton*>()) {
      QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
      QVERIFY2(button->height() >= button->sizeHint().height(), qPrintable(button->text()));
    }
    QVERIFY(d.portLabel->width() >= d.portLabel->sizeHint().width());
    for (QGroupBox* box : {d.baudRateGroup, d.dataBitsGroup, d.stopBitsGroup, d.parityGroup}) {
      QStyleOptionGroupBox option;
      option.initFrom(box);
      option.text = box->title();
      option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
      const QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
      QVERIFY2(box->findChildren<QRadioButton*>().constFirst()->y() >= title.bottom(), qPrintable(box->title()));
      // The group's own least size makes room for its title.
      QVERIFY(box->width() >= box->minimumSizeHint().width());
      QVERIFY(box->height() >= box->minimumSizeHint().height());
    }
  }

  static QStringList items(QButtonGroup* group) {
    QStringList items;
    for (QAbstractButton* button : group->buttons()) items << button->text();
    return items;
  }

 private slots:
  void controlsKeepTheDesignedTextsArrangementAndAtLeastTheDesignedSizes() {
    Rig rig;
    rig.show();
    PortSettingsDialog& d = rig.dialog;
    QCOMPARE(d.windowTitle(), QStringLiteral("Port Settings"));
    QCOMPARE(d.windowType(), Qt::Tool);
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QVERIFY(d.width() >= 267 && d.height() >= 302);

    QCOMPARE(d.baudRateGroup->title(), QStringLiteral("Baud Rate"));
    QCOMPARE(items(d.baudRateButtons), (QStringList{"110", "300", "1200", "2400", "4800", "9600", "19200", "38400",
                                                    "57600", "115200", "230400", "460800", "921600"}));
    QCOMPARE(items(d.dataBitsButtons), (QStringList{"6 bits", "7 bits", "8 bits"}));
    QCOMPARE(d.stopBitsGroup->title(), QStringLiteral("Stop Bits"));
    QCOMPARE(items(d.stopBitsButtons), (QStringList{"1 Stop Bit", "1.5 ", "2 Stop Bits"}));
    QCOMPARE(items(d.parityButtons), (QStringList{"None", "Odd", "Even", "Mark", "Space"}));
    QCOMPARE(d.dtrBox->text(), QStringLiteral("DTR signal"));
    QCOMPARE(d.portLabel->text(), QStringLiteral("Port RS-232 :"));
    QCOMPARE(d.portCombo->parentWidget(), d.portGroup);
    QVERIFY(!d.portCombo->isEditable());
    QCOMPARE(d.okButton->text(), QStringLiteral("O&K"));
    QVERIFY(d.okButton->isDefault());

    const QList<std::pair<QWidget*, QSize>> designed{
        {d.baudRateGroup, {81, 217}}, {d.dataBitsGroup, {89, 65}}, {d.stopBitsGroup, {89, 65}},
        {d.parityGroup, {73, 137}},   {d.dtrBox, {73, 17}},        {d.rtsBox, {73, 17}},
        {d.portGroup, {257, 61}},     {d.portCombo, {78, 21}},     {d.okButton, {75, 25}}};
    for (const auto& [widget, size] : designed) {
      QVERIFY2(widget->width() >= size.width() && widget->height() >= size.height(), widget->metaObject()->className());
    }
    // The port frame on top; speeds on the left; data size over stop bits
    // over DTR in the middle; parity over RTS on the right; OK below.
    QVERIFY(d.portGroup->geometry().bottom() < d.baudRateGroup->y());
    QVERIFY(d.baudRateGroup->geometry().right() < d.dataBitsGroup->x());
    QVERIFY(d.dataBitsGroup->geometry().right() < d.parityGroup->x());
    QVERIFY(d.dataBitsGroup->geometry().bottom() < d.stopBitsGroup->y());
    QVERIFY(d.stopBitsGroup->geometry().bottom() < d.dtrBox->y());
    QVERIFY(d.parityGroup->geometry().bottom() < d.rtsBox->y());
    QVERIFY(d.dtrBox->geometry().bottom() < d.okButton->y());
    QVERIFY(d.dtrBox->geometry().right() < d.rtsBox->x());
  }

  void everyCaptionFitsItsControlAtNormalAndDoubledFontSize() {
    Rig rig;
    rig.show();
    verifyCaptionsFit(rig.dialog);
    QFont doubled = rig.dialog.font();
    doubled.setPointSize(doubled.pointSize() * 2);
    rig.dialog.setFont(doubled);
    rig.dialog.layout()->activate();
    verifyCaptionsFit(rig.dialog);
    QVERIFY(rig.dialog.width() > 267);
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
    QCOMPARE(rig.chosen(), QStringLiteral("ttyUSB0"));
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

  void aStoredNameNotListedIsShownAsTheChoiceItIs() {
    Rig rig;
    const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_GONE-if00-port0";
    rig.comm.setDeviceName(byId);
    rig.show();
    QCOMPARE(rig.listed(), (QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10", "ttyUSB0", byId}));
    QCOMPARE(rig.chosen(), byId);
    QCOMPARE(rig.dialog.portCombo->currentText(), byId + " – brak urządzenia");
    QCOMPARE(rig.dialog.portDescription->text(), QStringLiteral("brak urządzenia"));
    QCOMPARE(rig.comm.deviceName(), byId);

    // A pseudo-terminal that is there, and an unplugged adapter's kernel name.
    QTemporaryFile terminal;
    QVERIFY(terminal.open());
    rig.comm.setDeviceName(terminal.fileName());
    rig.reactivate();
    QCOMPARE(rig.chosen(), terminal.fileName());
    QCOMPARE(rig.dialog.portCombo->currentText(), terminal.fileName());
    rig.comm.setDeviceName("ttyGone7");
    rig.reactivate();
    QCOMPARE(rig.chosen(), QStringLiteral("ttyGone7"));
    QCOMPARE(rig.listed().size(), 7);
  }

  void twoAdaptersAreToldApartAndEitherCanBeChosenByItsStableName() {
    Rig rig;
    const QString first = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    const QString second = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9K3Q2XZ-if00-port0";
    rig.ports = choices({});
    rig.ports << usbChoice("ttyUSB0", "ttyUSB0", "A50285BI") << usbChoice(first, "ttyUSB0", "A50285BI")
              << usbChoice("ttyUSB1", "ttyUSB1", "A9K3Q2XZ") << usbChoice(second, "ttyUSB1", "A9K3Q2XZ");
    rig.ports[6].latencyTimerMs = rig.ports[7].latencyTimerMs = 16;  // ttyUSB1's driver tells its latency timer
    rig.comm.setDeviceName("ttyUSB1");
    rig.show();
    QComboBox* combo = rig.dialog.portCombo;
    QCOMPARE(combo->itemText(4), QStringLiteral("ttyUSB0 – FTDI FT232R USB UART, nr seryjny A50285BI"));
    QCOMPARE(combo->itemText(5), first);
    QCOMPARE(combo->itemText(6), QStringLiteral("ttyUSB1 – FTDI FT232R USB UART, nr seryjny A9K3Q2XZ"));
    QCOMPARE(rig.dialog.portDescription->toolTip(),
             QStringLiteral("FTDI FT232R USB UART, nr seryjny A9K3Q2XZ, opóźnienie adaptera 16 ms"));
    // Shortened to the frame when it does not fit.
    const QString shown = rig.dialog.portDescription->text();
    QVERIFY2(shown.startsWith(QStringLiteral("FTDI FT232R")), qPrintable(shown));
    QVERIFY(rig.dialog.portDescription->fontMetrics().horizontalAdvance(shown) <= rig.dialog.portDescription->width());

    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(rig.comm.deviceName(), second);
    QCOMPARE(combo->toolTip(), second);
    QCOMPARE(rig.dialog.portDescription->toolTip(),
             QStringLiteral("FTDI FT232R USB UART, nr seryjny A9K3Q2XZ, opóźnienie adaptera 16 ms"));

    // Remembered by its stable name, it is shown as chosen on the next visit.
    rig.reactivate();
    QCOMPARE(rig.chosen(), second);
    QCOMPARE(rig.listed().size(), 8);
  }

  void anAdapterWithoutNamesIsDescribedByItsUsbIds() {
    Rig rig;
    rig.ports = choices({});
    rig.ports << PortChoice{"ttyACM0", "ttyACM0", {}, {}, {}, "2341", "0043", {}};
    rig.comm.setDeviceName("ttyACM0");
    rig.show();
    QCOMPARE(rig.dialog.portCombo->currentText(), QStringLiteral("ttyACM0 – urządzenie USB 2341:0043"));
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
    rig.ports = choices({"ttyUSB0", "ttyACM0"});  // ttyS10 unplugged, ttyACM0 plugged in
    rig.reactivate();
    QCOMPARE(rig.listed(), (QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyACM0", "ttyUSB0"}));
    QCOMPARE(rig.chosen(), QStringLiteral("ttyUSB0"));
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
