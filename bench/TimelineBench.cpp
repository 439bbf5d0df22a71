// The Historia window's timeline over a day of a flapping beam (10^6 status
// changes and a supply reading a second): the time to read it from the
// journal, to draw any range of it, and to draw the frames of panning and
// zooming, at the window's usual size.
//
//   timeline_bench               the figures
//   timeline_bench --night FILE  writes FILE: a recorded night of a 4-beam
//                                barrier with the usual events, to look at
#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "ui/TimelineLoader.h"
#include "ui/TimelinePainter.h"
#include "ui/TimelineViewport.h"

namespace {

constexpr qint64 Second = 1000;
constexpr qint64 Minute = 60 * Second;
constexpr qint64 Hour = 60 * Minute;
constexpr QSize Picture(1600, 470);  // the timeline at the window's size on a full-HD screen

double millisSince(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e6; }

// This thread's CPU time: on a busy machine the wall clock also counts the
// time others had the processor.
double cpuMillis() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Frame {
  double wall = 0, cpu = 0;
};

void print(const char* what, std::vector<Frame> frames) {
  const auto at = [&](auto member, double q) {
    std::vector<double> v;
    for (const Frame& f : frames) v.push_back(f.*member);
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
  };
  std::printf("  %-36s CPU median %5.2f ms, 90%% %5.2f, max %5.2f | wall median %5.2f ms, max %6.2f (%zu frames)\n",
              what, at(&Frame::cpu, 0.5), at(&Frame::cpu, 0.9), at(&Frame::cpu, 1.0), at(&Frame::wall, 0.5),
              at(&Frame::wall, 1.0), frames.size());
}

QString volts(double v) { return QString::asprintf("%3.1f", v); }

// A day of beam 1 flapping: alert and the alarm output on, then off, every 86 ms.
void writeFlappingDay(const QString& path, qint64 start) {
  JournalWriter writer({path});
  writer.startSession(start, QStringLiteral("bench"), QStringLiteral("ttyUSB0"));
  writer.startConnection(start, QByteArray::fromHex("0601000520210714"), 8);
  writer.setBarrier(start, 12345);
  BarrierConfig config;
  for (int b = 1; b <= 8; ++b) config[BarrierConfig::responseTime(b)] = 5;
  writer.addEvent(start, JournalEventKind::ConfigRead, configBytes(config));
  BarrierStatus s;
  s.supplyRaw = 200;
  std::mt19937 random(7);
  qint64 nextSupply = start;
  for (int i = 0; i < 1'000'000; ++i) {
    const qint64 t = start + qint64(i) * 86;
    s.beamsAlarm = s.beamsAlert = (i & 1) ? 0x01 : 0x00;
    s.statusFlags = (i & 1) ? statusflag::AlarmOutput : 0;
    writer.addEvent(t, JournalEventKind::Status, statusBytes(s));
    if (t >= nextSupply) {
      writer.addEvent(t, JournalEventKind::Supply, {}, volts(13.0 + (random() % 12) / 10.0));
      nextSupply += Second;
    }
    if (i % 100'000 == 0) writer.flush();
  }
  writer.endConnection(start + 86'000'000, JournalLossReason::PortClosed);
  writer.endSession(start + 86'000'000);
}

// 20:00 to 07:00 of a 4-beam barrier: fog on beam 2, a bird, the adapter
// unplugged for a while, a branch swaying through beam 1, the alarm at
// 03:12, a mains failure, a tamper contact opened, registration mode, and
// beam 4 blocked by morning.
void writeNight(const QString& path) {
  const QDate today = QDate::currentDate();
  const auto at = [&](int dayOffset, int h, int m, int s = 0, int ms = 0) {
    return QDateTime(today.addDays(dayOffset), QTime(h, m, s, ms)).toMSecsSinceEpoch();
  };
  const qint64 start = at(-1, 20, 0);
  const qint64 end = at(0, 7, 0);
  JournalWriter writer({path});
  writer.startSession(start, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
  BarrierConfig config;
  for (int b = 1; b <= 4; ++b) config[BarrierConfig::responseTime(b)] = 5;
  config[BarrierConfig::BeamCount] = 4;
  config[BarrierConfig::SerialHigh] = 4711 >> 8;
  config[BarrierConfig::SerialLow] = 4711 & 0xff;
  const QByteArray version = QByteArray::fromHex("0401000520210714");
  const auto connect = [&](qint64 t) {
    writer.startConnection(t, version, 4);
    writer.addEvent(t + 300, JournalEventKind::ConfigRead, configBytes(config));
    writer.setBarrier(t + 300, 4711);
  };
  connect(start);

  struct Change {
    qint64 t;
    BarrierStatus status;
  };
  std::vector<Change> changes;
  BarrierStatus s;
  s.statusFlags = statusflag::Led;
  const auto set = [&](qint64 t) { changes.push_back({t, s}); };
  set(start + 400);
  // Fog: beam 2 "nar." now and then 50 %.
  for (qint64 t = at(-1, 21, 15); t < at(-1, 21, 35); t += 47 * Second) {
    s.beamsNar = 0x02;
    s.beams50 = (t / Second) % 3 == 0 ? 0x02 : 0;
    set(t);
  }
  s.beamsNar = s.beams50 = 0;
  set(at(-1, 21, 35));
  // A bird through beam 3.
  s.beamsAlert = s.beamsAlarm = 0x04;
  set(at(-1, 23, 40, 12, 300));
  s.beamsAlert = s.beamsAlarm = 0;
  set(at(-1, 23, 40, 12, 900));
  // A branch swaying through beam 1 for twenty minutes.
  std::mt19937 random(3);
  for (qint64 t = at(0, 2, 30); t < at(0, 2, 50); t += 200 + random() % 900) {
    const bool covered = (changes.size() & 1) != 0;
    s.beamsAlert = s.beamsAlarm = covered ? 0x01 : 0;
    set(t);
  }
  s.beamsAlert = s.beamsAlarm = 0;
  set(at(0, 2, 50));
  // The alarm at 03:12: beams 1 and 2 together.
  s.beamsAlert = s.beamsAlarm = 0x03;
  s.statusFlags |= statusflag::AlarmOutput;
  set(at(0, 3, 12, 4, 118));
  s.beamsAlert = s.beamsAlarm = 0;
  set(at(0, 3, 12, 6, 870));
  s.statusFlags &= ~statusflag::AlarmOutput;
  set(at(0, 3, 12, 7, 400));
  // Mains failure: low supply for a quarter of an hour.
  s.statusFlags |= statusflag::LowSupply;
  set(at(0, 4, 0));
  s.statusFlags &= ~statusflag::LowSupply;
  set(at(0, 4, 15));
  // The receiver's tamper contact opened.
  s.statusFlags |= statusflag::ReceiverTamper | statusflag::TamperOutput;
  set(at(0, 5, 30));
  s.statusFlags &= ~(statusflag::ReceiverTamper | statusflag::TamperOutput);
  set(at(0, 5, 30, 40));
  // Registration mode for a minute.
  s.statusFlags |= statusflag::Registration;
  set(at(0, 6, 10));
  s.statusFlags &= ~statusflag::Registration;
  set(at(0, 6, 11));
  // Beam 4 blocked, and kept in the block memory.
  s.beamsBlocked = s.beamsBlockMemory = 0x08;
  set(at(0, 6, 40));

  const qint64 unplugged = at(0, 1, 0);
  const qint64 replugged = at(0, 1, 12);
  bool lost = false;
  std::size_t next = 0;
  for (qint64 t = start + 500; t < end; t += Minute) {
    for (; next < changes.size() && changes[next].t < t; ++next) {
      if (changes[next].t >= unplugged && changes[next].t < replugged) continue;
      writer.addEvent(changes[next].t, JournalEventKind::Status, statusBytes(changes[next].status));
    }
    if (!lost && t >= unplugged) {
      writer.endConnection(unplugged, JournalLossReason::Unplugged);
      lost = true;
    }
    if (lost && t >= replugged && t < replugged + Minute) {
      connect(replugged);
      BarrierStatus then;  // the state the barrier was in when it answered again
      for (const Change& c : changes)
        if (c.t < replugged) then = c.status;
      writer.addEvent(replugged + 400, JournalEventKind::Status, statusBytes(then));
    }
    if (t >= unplugged && t < replugged) continue;
    double v = (t / (17 * Minute)) % 3 == 0 ? 13.7 : 13.6;
    if (t >= at(0, 4, 0) && t < at(0, 4, 15)) v = 11.0 - double(t - at(0, 4, 0)) / (15 * Minute) * 0.4;
    if (t >= at(0, 4, 15) && t < at(0, 4, 45)) v = 12.4 + double(t - at(0, 4, 15)) / (30 * Minute) * 1.2;
    writer.addEvent(t, JournalEventKind::Supply, {}, volts(v));
  }
  writer.endConnection(end, JournalLossReason::PortClosed);
  writer.endSession(end);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // fonts for the texts
  const QStringList args = app.arguments();
  if (args.size() == 3 && args[1] == QStringLiteral("--night")) {
    writeNight(args[2]);
    return 0;
  }

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
  const qint64 start = QDateTime::currentMSecsSinceEpoch() - 25 * Hour;
  QElapsedTimer clock;
  clock.start();
  writeFlappingDay(path, start);
  std::printf("A day of beam 1 flapping: 10^6 status changes and 86 400 supply readings, written in %.1f s\n",
              millisSince(clock) / 1000);

  JournalReader reader(path);
  if (!reader.open()) {
    std::printf("cannot read the journal: %s\n", qPrintable(reader.error()));
    return 1;
  }
  timeline::TimelineData data;
  timeline::TimelineLoader loader(reader);
  clock.restart();
  const double loadCpu = cpuMillis();
  loader.load(12345, data);
  std::printf("  read into the timeline in %.2f s (CPU %.2f s; %zu changes), once when the barrier is chosen\n",
              millisSince(clock) / 1000, (cpuMillis() - loadCpu) / 1000, data.changeCount());

  QImage image(Picture, QImage::Format_RGB32);
  timeline::TimelineViewport viewport;
  viewport.setExtent(data.firstMs(), data.endMs());
  const auto draw = [&] {
    QElapsedTimer frame;
    const double cpu = cpuMillis();
    frame.start();
    timeline::drawTimeline(image, data, viewport.start(), viewport.end());
    return Frame{millisSince(frame), cpuMillis() - cpu};
  };
  for (int i = 0; i < 5; ++i) draw();  // fonts and caches

  std::printf("Drawing %dx%d:\n", Picture.width(), Picture.height());
  std::vector<Frame> times;
  for (int i = 0; i < 30; ++i) {
    viewport.showAll();
    times.push_back(draw());
  }
  print("the whole day", times);

  std::mt19937 random(11);
  times.clear();
  for (int i = 0; i < 300; ++i) {
    // Spans from a second to the whole day, evenly on a log scale.
    const double span = std::exp(std::log(1000.0) + (random() % 10000) / 10000.0 * std::log(86.4e6 / 1000));
    const qint64 from = data.firstMs() + qint64((random() % 10000) / 10000.0 * (86.4e6 - span));
    viewport.show(from, from + qint64(span));
    times.push_back(draw());
  }
  print("any range (1 s .. 24 h, random)", times);

  for (const auto& [name, span] :
       {std::pair{"pan, 10 px a frame, 24 h shown", 24 * Hour}, std::pair{"pan, 10 px a frame, 1 h shown", Hour},
        std::pair{"pan, 10 px a frame, 1 min shown", Minute}}) {
    viewport.show(data.firstMs() + 2 * Hour, data.firstMs() + 2 * Hour + span);
    times.clear();
    for (int i = 0; i < 200; ++i) {
      viewport.pan(span * 10 / (Picture.width() - timeline::TimelineLayout::LabelWidth));
      times.push_back(draw());
    }
    print(name, times);
  }

  viewport.showAll();
  times.clear();
  for (int i = 0; i < 300; ++i) {
    // Wheel notches in and out at random places, down to a second and back.
    const bool in = (i / 50) % 2 == 0;
    viewport.zoom(in ? 1 / 1.25 : 1.25, (random() % 1000) / 1000.0);
    times.push_back(draw());
  }
  print("zoom, a wheel notch a frame", times);
  return 0;
}
