#include <gtest/gtest.h>

#include <QByteArray>

#include "net/Rfc2217Client.h"

namespace {

// What ser2net 4.3's telnet(rfc2217) accepter sends as a client connects:
// WILL SGA, DO SGA, WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY, DO COM-PORT-OPTION.
const QByteArray Ser2NetGreeting = QByteArray::fromHex("fffb03fffd03fffb01fffe01fffd00fffb00fffd2c");

struct Client {
  QByteArray sent, data;
  Rfc2217Client telnet{{[this](const char* b, std::size_t n) { sent.append(b, qsizetype(n)); },
                        [this](const char* b, std::size_t n) { data.append(b, qsizetype(n)); }}};

  void receive(const QByteArray& bytes) { telnet.received(bytes.constData(), std::size_t(bytes.size())); }
  QByteArray take() { return std::exchange(sent, {}); }
};

// IAC SB COM-PORT-OPTION command value IAC SE.
QByteArray comPort(const char* commandAndValueHex) {
  return QByteArray::fromHex("fffa2c") + QByteArray::fromHex(commandAndValueHex) + QByteArray::fromHex("fff0");
}

}  // namespace

TEST(Rfc2217Client, TakesTheComPortOptionFromSer2NetAndNothingBefore) {
  Client c;
  c.telnet.start();
  // WILL BINARY, DO BINARY, WILL COM-PORT-OPTION.
  EXPECT_EQ(c.take(), QByteArray::fromHex("fffb00fffd00fffb2c"));
  EXPECT_FALSE(c.telnet.setBaudRate(9600));
  EXPECT_TRUE(c.take().isEmpty());
  EXPECT_FALSE(c.telnet.comPortAccepted());

  c.receive(Ser2NetGreeting);
  EXPECT_TRUE(c.telnet.comPortAccepted());
  EXPECT_TRUE(c.telnet.heardTelnet());
  // Its SGA offers taken, its echo refused; nothing of the greeting is data.
  EXPECT_EQ(c.take(), QByteArray::fromHex("fffd03fffb03fffe01"));
  EXPECT_TRUE(c.data.isEmpty());
}

TEST(Rfc2217Client, DataIsTransparentBothWays) {
  Client c;
  c.telnet.start();
  c.receive(Ser2NetGreeting);
  c.take();
  // A frame start, a byte 255 and CR NUL, which binary mode keeps as they are.
  const std::uint8_t out[] = {0xFF, 0xFF, 0x02, 0x0D, 0x00, 0xFF};
  c.telnet.sendData(out, sizeof out);
  EXPECT_EQ(c.take(), QByteArray::fromHex("ffffffff020d00ffff"));

  // Doubled 0xFF undoubled, also when a segment ends between the two; the
  // far end's answers to com-port commands are no data.
  c.receive(QByteArray::fromHex("ffffffff0a") + comPort("6500002580") + QByteArray::fromHex("ff"));
  c.receive(QByteArray::fromHex("ff0d00"));
  EXPECT_EQ(c.data, QByteArray::fromHex("ffff0aff0d00"));
}

TEST(Rfc2217Client, SetsTheFarPortWithoutWaitingForAnswers) {
  Client c;
  c.telnet.start();
  c.receive(Ser2NetGreeting);
  c.take();
  EXPECT_TRUE(c.telnet.setBaudRate(9600));
  EXPECT_TRUE(c.telnet.setDataSize(da8));
  EXPECT_TRUE(c.telnet.setParity(paNone));
  EXPECT_TRUE(c.telnet.setStopSize(sb1_0));
  EXPECT_TRUE(c.telnet.setNoFlowControl());
  EXPECT_TRUE(c.telnet.setDtr(true));
  // Unanswered, as ser2net leaves SET-CONTROL on a pseudo-terminal: the next command goes regardless.
  EXPECT_TRUE(c.telnet.setRts(false));
  EXPECT_TRUE(c.telnet.purgeBuffers());
  EXPECT_EQ(c.take(), comPort("0100002580") + comPort("0208") + comPort("0301") + comPort("0401") + comPort("0501") +
                          comPort("0508") + comPort("050c") + comPort("0c03"));

  // A 0xFF within a command is doubled as well; other framings have their codes.
  c.telnet.setBaudRate(0x1FF);
  c.telnet.setDataSize(da7);
  c.telnet.setParity(paEven);
  c.telnet.setStopSize(sb2_0);
  c.telnet.setStopSize(sb1_5);
  EXPECT_EQ(c.take(), comPort("01000001ffff") + comPort("0207") + comPort("0303") + comPort("0402") + comPort("0403"));
}
