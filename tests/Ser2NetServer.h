#pragma once
// A barrier across the network for tests: barrier-sim on a pseudo-terminal,
// and in front of it the real ser2net (Debian's package, installed by
// scripts/setup) with a configuration written here, listening on free ports
// of 127.0.0.1 with three accepters: raw TCP, Telnet with RFC 2217, and
// plain Telnet without it (a far end that refuses the com-port option).
// ser2net opens the terminal for each client and closes it after; one client
// at a time on each accepter, as it is by default. Main thread only.
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <QTextStream>
#include <array>

class Ser2NetServer {
 public:
  // How ser2net passes the terminal's bytes on. Tuned, as a small computer
  // beside the gate should have it: each at once (no chardelay, which holds
  // them up to 2 characters' time, or 20 ms), and with TCP's nodelay, so
  // that the tail of a reply split at 20 ms does not wait for an
  // acknowledgement. Else ser2net's defaults.
  enum class Tuning { LowLatency, Defaults };

  // `folder` holds the terminal's link and ser2net's files; it must outlive this.
  Ser2NetServer(const QString& folder, const QString& simProgram, const QString& ser2netProgram,
                const QStringList& simArguments = {}, Tuning tuning = Tuning::LowLatency)
      : folder_(folder),
        simProgram_(simProgram),
        ser2netProgram_(ser2netProgram),
        simArguments_(simArguments),
        tuning_(tuning) {}
  ~Ser2NetServer() {
    stopProcess(ser2net_, SIGTERM);
    sim_.closeWriteChannel();
    stopProcess(sim_, SIGKILL);
  }
  Ser2NetServer(const Ser2NetServer&) = delete;
  Ser2NetServer& operator=(const Ser2NetServer&) = delete;

  // Starts barrier-sim, then ser2net; false with error() saying what failed.
  bool start() {
    if (ser2netProgram_.isEmpty() || !QFileInfo(ser2netProgram_).isExecutable())
      return fail(QStringLiteral("ser2net is not installed (scripts/setup installs it)"));
    sim_.setProgram(simProgram_);
    sim_.setArguments(QStringList{"--link", terminal()} + simArguments_);
    sim_.start();
    if (!sim_.waitForStarted(5000) || !QTest::qWaitFor([&] { return QFileInfo::exists(terminal()); }, 10000))
      return fail(QStringLiteral("barrier-sim did not start"));
    for (quint16& port : ports_) port = freePort();
    if (!writeConfiguration()) return fail(QStringLiteral("cannot write ser2net's configuration"));
    return startSer2Net();
  }

  // Starts ser2net (again, after killSer2Net) on the same ports.
  bool startSer2Net() {
    ser2net_.setProgram(ser2netProgram_);
    // -n: in the foreground; -u: no UUCP lock files, whose folder needs root.
    ser2net_.setArguments(
        {"-n", "-u", "-c", QDir(folder_).filePath("ser2net.yaml"), "-P", QDir(folder_).filePath("ser2net.pid")});
    ser2net_.setProcessChannelMode(QProcess::MergedChannels);
    ser2net_.start();
    if (!ser2net_.waitForStarted(5000)) return fail(QStringLiteral("ser2net did not start"));
    const bool up = QTest::qWaitFor(
        [&] {
          for (quint16 port : ports_)
            if (!listening(port)) return false;
          return true;
        },
        10000);
    if (!up)
      return fail(QStringLiteral("ser2net does not listen: ") + QString::fromLocal8Bit(ser2net_.readAll()).trimmed());
    return true;
  }

  // The far end dies at once (SIGKILL): the kernel closes its connections.
  void killSer2Net() { stopProcess(ser2net_, SIGKILL); }

  // A line for barrier-sim's standard input ("hangup 1", "silent").
  void say(const QByteArray& command) {
    sim_.write(command + '\n');
    sim_.waitForBytesWritten(1000);
  }

  QString rawName() const { return QStringLiteral("socket://127.0.0.1:%1").arg(ports_[0]); }
  QString rfc2217Name() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(ports_[1]); }
  QString telnetOnlyName() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(ports_[2]); }
  // The link to the simulator's pseudo-terminal, which ser2net opens.
  QString terminal() const { return QDir(folder_).filePath("barrier"); }
  QString error() const { return error_; }
  // barrier-sim itself: its standard error answers `timing` (bench/SimTiming.h).
  QProcess& simulator() { return sim_; }

  // A port of 127.0.0.1 that nothing listens on now.
  static quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
  }

 private:
  bool fail(const QString& why) {
    error_ = why;
    return false;
  }

  bool writeConfiguration() {
    QFile file(QDir(folder_).filePath("ser2net.yaml"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QTextStream out(&file);
    out << "%YAML 1.1\n---\n";
    const bool tuned = tuning_ == Tuning::LowLatency;
    const char* tcp = tuned ? "tcp(nodelay)" : "tcp";
    const std::array<QString, 3> accepters = {tcp, QStringLiteral("telnet(rfc2217),") + tcp,
                                              QStringLiteral("telnet,") + tcp};
    for (std::size_t i = 0; i < accepters.size(); ++i) {
      out << "connection: &barrier" << i << "\n"
          << "  accepter: " << accepters[i] << ",127.0.0.1," << ports_[i] << "\n"
          << "  connector: serialdev," << terminal() << ",9600n81,local\n";
      if (tuned) out << "  options:\n    chardelay: false\n";
    }
    return out.status() == QTextStream::Ok;
  }

  // Whether 127.0.0.1:port is in the listening state, from the kernel's table.
  static bool listening(quint16 port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) return false;
    const QByteArray local = QByteArray("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
      const QList<QByteArray> fields = line.simplified().split(' ');
      if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") return true;
    }
    return false;
  }

  static void stopProcess(QProcess& process, int signal) {
    if (process.state() == QProcess::NotRunning) return;
    ::kill(pid_t(process.processId()), signal);
    if (!process.waitForFinished(5000)) {
      process.kill();
      process.waitForFinished(2000);
    }
  }

  QString folder_, simProgram_, ser2netProgram_;
  QStringList simArguments_;
  Tuning tuning_;
  QProcess sim_, ser2net_;
  std::array<quint16, 3> ports_{};
  QString error_;
};
