#include "report/RecordDocument.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <functional>
#include <vector>

#include "files/ConfigText.h"
#include "texts/UiTexts.h"
#include "util/OutputFile.h"
#include "walktest/WalkTestText.h"

namespace {

// The document's colours: a dark green for the program's own marks (the
// identification bar's green, deepened for paper), greys for rules and
// table heads, and the two result colours.
const QColor Accent(0, 96, 48);
const QColor Ink(32, 32, 32);
const QColor Muted(100, 100, 100);
const QColor Rule(176, 184, 178);
const QColor HeadFill(228, 236, 230);
const QColor StripeFill(246, 248, 246);
const QColor PassColour(0, 120, 50);
const QColor FailColour(190, 30, 30);
const QColor RunningColour(150, 105, 10);

constexpr double MarginMm = 18;
constexpr double FooterMm = 10;
constexpr double RowMm = 5.6;  // a table row
constexpr double HeadingMm = 10;
constexpr double FieldRowMm = 5.5;   // a caption and a one-line value
constexpr double SignaturesMm = 34;  // with the room to sign above the lines

QString programName() {
  QString title = uiText(UiTexts::txtProgramTitle);
  title.replace(QChar(13), QLatin1Char(' '));
  return title.simplified() + QLatin1Char(' ') + uiText(UiTexts::txtVersionPrefix) + QLatin1Char(' ') +
         QStringLiteral("%1.%2.%3.%4")
             .arg(ORVITA_VERSION_MAJOR)
             .arg(ORVITA_VERSION_MINOR)
             .arg(ORVITA_VERSION_PATCH)
             .arg(ORVITA_VERSION_TWEAK);
}

QString longDate(const QDateTime& time) {
  return QLocale(QLocale::Polish).toString(time, QStringLiteral("d MMMM yyyy, HH:mm"));
}

QString dayText(const QDateTime& time) {
  return QLocale(QLocale::Polish).toString(time, QStringLiteral("d MMMM yyyy"));
}

QDateTime localTime(qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms); }

// When the test ran: its day and times, "7 grudnia 2026, 23:50:10 – 8 grudnia
// 2026, 00:05:02" across midnight, "od 14:39:50, test w toku" while it runs.
QString testTimeText(const WalkTestResult& test) {
  const QDateTime start = localTime(test.startedMs);
  const QString day = dayText(start) + QStringLiteral(", ");
  if (test.running()) return day + uiText(UiTexts::txtRecordTestRunningSince).arg(walkTimeText(test.startedMs));
  const QDateTime end = localTime(test.endedMs);
  const QString endText =
      (end.date() == start.date() ? QString() : dayText(end) + QStringLiteral(", ")) + walkTimeText(test.endedMs);
  return day + walkTimeText(test.startedMs) + QStringLiteral(" – ") + endText;
}

// A cell of a table: its text, and a colour and weight of its own when it has them.
struct Cell {
  QString text;
  QColor colour = Ink;
  bool bold = false;
};

// Lays a document out from the top of each page down, starting a page when
// the next block does not fit. Lengths are in millimetres; the device's own
// units are used only where they are drawn.
class Page {
 public:
  // `footer`: each page's footer lines, each shortened to fit; `pages`: the
  // page count, 0 while it is not known.
  Page(QPagedPaintDevice& device, QStringList footer, int pages)
      : device_(device), footer_(std::move(footer)), pages_(pages) {}

  bool begin() {
    device_.setPageSize(QPageSize(QPageSize::A4));
    device_.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    if (!painter_.begin(&device_)) return false;
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::TextAntialiasing);
    // Icons and badges as drawn, not JPEG-blurred (a PDF takes them lossless).
    painter_.setRenderHint(QPainter::LosslessImageRendering);
    const QRectF paper = device_.pageLayout().fullRectPoints();
    unit_ = device_.logicalDpiX() / 25.4;
    widthMm_ = paper.width() / 72.0 * 25.4;
    heightMm_ = paper.height() / 72.0 * 25.4;
    y_ = MarginMm;
    return true;
  }

  void end() {
    drawFooter();
    painter_.end();
  }

  // Pages begun so far.
  int pages() const { return page_; }

  double left() const { return MarginMm; }
  double right() const { return widthMm_ - MarginMm; }
  double width() const { return right() - left(); }
  double y() const { return y_; }
  void advance(double mm) { y_ += mm; }

  // Millimetres left on this page above the footer.
  double room() const { return heightMm_ - MarginMm - FooterMm - y_; }

  // Starts a new page unless `mm` more fit on this one.
  void need(double mm) {
    if (mm <= room()) return;
    drawFooter();
    device_.newPage();
    ++page_;
    y_ = MarginMm;
  }

  QFont font(double points, bool bold = false) const {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    // No ligatures: "fi" stays two letters that a reader can search and copy.
    f.setStyleStrategy(QFont::PreferNoShaping);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
  }

  // Height in millimetres of `text` set in `font` within `widthMm`.
  double textHeight(const QString& text, const QFont& f, double widthMm) {
    painter_.setFont(f);
    const QRectF box = painter_.boundingRect(QRectF(0, 0, widthMm * unit_, 1e6), Qt::TextWordWrap, text);
    return box.height() / unit_;
  }

  void text(double x, double y, double w, double h, const QString& text, const QFont& f, const QColor& colour,
            int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap) {
    painter_.setFont(f);
    painter_.setPen(colour);
    painter_.drawText(rect(x, y, w, h), flags, text);
  }

  void fill(double x, double y, double w, double h, const QColor& colour) {
    painter_.fillRect(rect(x, y, w, h), colour);
  }

  void line(double x1, double y1, double x2, double y2, const QColor& colour, double widthMm) {
    painter_.setPen(QPen(colour, widthMm * unit_));
    painter_.drawLine(QPointF(x1 * unit_, y1 * unit_), QPointF(x2 * unit_, y2 * unit_));
  }

  void roundedBox(double x, double y, double w, double h, const QColor& colour) {
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(colour);
    painter_.drawRoundedRect(rect(x, y, w, h), 1.5 * unit_, 1.5 * unit_);
    painter_.setBrush(Qt::NoBrush);
  }

  void image(double x, double y, double size, const QImage& picture) {
    painter_.drawImage(rect(x, y, size, size), picture);
  }

 private:
  QRectF rect(double x, double y, double w, double h) const {
    return QRectF(x * unit_, y * unit_, w * unit_, h * unit_);
  }

  void drawFooter() {
    const double top = heightMm_ - MarginMm - FooterMm + 4;
    line(left(), top, right(), top, Rule, 0.2);
    const QFont small = font(7.5);
    const QString number = uiText(UiTexts::txtRecordPage).arg(page_).arg(pages_);
    const QFontMetricsF metrics(small, &device_);
    const double room = width() * unit_ - metrics.horizontalAdvance(number + QStringLiteral("    "));
    double y = top + 0.8;
    for (const QString& footer : footer_) {
      text(left(), y, width(), 3.6, metrics.elidedText(footer, Qt::ElideRight, room), small, Muted,
           Qt::AlignLeft | Qt::AlignVCenter);
      y += 3.4;
    }
    text(left(), top + 0.8, width(), 3.6, number, small, Muted, Qt::AlignRight | Qt::AlignVCenter);
  }

  QPagedPaintDevice& device_;
  QPainter painter_;
  QStringList footer_;
  int pages_ = 0;
  double unit_ = 1;  // device units per millimetre
  double widthMm_ = 210;
  double heightMm_ = 297;
  double y_ = 0;
  int page_ = 1;
};

// The blocks every document is made of.
class Writer {
 public:
  explicit Writer(Page& page) : p_(page) {}

  // The program's icon and name, the document's title, the date; a badge on
  // the right when given.
  void header(const QString& title, const QDateTime& printedAt, const QString& badge = {},
              const QColor& badgeColour = PassColour) {
    const QImage icon(QStringLiteral(":/report/orvita-256.png"));
    const double top = p_.y();
    p_.image(p_.left(), top, 16, icon);
    const double x = p_.left() + 20;
    p_.text(x, top, 90, 8, uiText(UiTexts::txtCaption).toUpper(), p_.font(18, true), Accent);
    p_.text(x, top + 8.5, 110, 5, programName(), p_.font(8), Muted);
    p_.text(p_.left(), top, p_.width(), 5, longDate(printedAt), p_.font(9), Ink, Qt::AlignRight | Qt::AlignTop);
    p_.line(p_.left(), top + 18.5, p_.right(), top + 18.5, Accent, 0.6);
    p_.advance(21.5);
    p_.text(p_.left(), p_.y(), p_.width(), 10, title, p_.font(17, true), Ink);
    if (!badge.isEmpty()) {
      const double w = 62;
      p_.roundedBox(p_.right() - w, p_.y() + 1, w, 8, badgeColour);
      p_.text(p_.right() - w, p_.y() + 1, w, 8, badge, p_.font(10, true), Qt::white, Qt::AlignCenter);
    }
    p_.advance(12.5);
  }

  void heading(const QString& text) {
    p_.need(HeadingMm + 10);  // a heading never ends a page alone
    p_.advance(1.5);
    p_.text(p_.left(), p_.y(), p_.width(), 6, text, p_.font(11.5, true), Accent);
    p_.advance(6.5);
    p_.line(p_.left(), p_.y(), p_.right(), p_.y(), Rule, 0.3);
    p_.advance(2);
  }

  // Caption and value rows, the captions in a column of their own.
  void fields(const std::vector<std::pair<QString, QString>>& rows, double captionMm = 58) {
    const QFont value = p_.font(10);
    for (const auto& [caption, text] : rows) {
      const double h = std::max(5.0, p_.textHeight(text, value, p_.width() - captionMm) + 1.0);
      p_.need(h);
      p_.text(p_.left(), p_.y(), captionMm - 2, h, caption, p_.font(9), Muted, Qt::AlignLeft | Qt::AlignTop);
      p_.text(p_.left() + captionMm, p_.y(), p_.width() - captionMm, h, text, value, Ink,
              Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
      p_.advance(h);
    }
  }

  // The height paragraph() takes for `text`.
  double paragraphHeight(const QString& text, double points = 10) {
    return p_.textHeight(text, p_.font(points), p_.width()) + 1.5;
  }

  void paragraph(const QString& text, const QColor& colour = Ink, double points = 10) {
    const QFont f = p_.font(points);
    const double h = paragraphHeight(text, points);
    p_.need(h);
    p_.text(p_.left(), p_.y(), p_.width(), h, text, f, colour, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
    p_.advance(h);
  }

  // A table over `x`..`x + w` with columns in the given shares of its width.
  // Returns the height drawn, so that a block beside it can be aligned.
  double table(const std::vector<double>& shares, const QStringList& head, const std::vector<std::vector<Cell>>& rows,
               double x = -1, double w = -1, bool advance = true) {
    if (x < 0) x = p_.left();
    if (w < 0) w = p_.width();
    double total = 0;
    for (double s : shares) total += s;
    std::vector<double> widths;
    for (double s : shares) widths.push_back(w * s / total);
    const double rowH = RowMm;
    const double top = p_.y();
    double y = top;
    auto drawRow = [&](const std::vector<Cell>& cells, const QColor& fill, bool head) {
      p_.fill(x, y, w, rowH, fill);
      double cx = x;
      for (std::size_t c = 0; c < widths.size() && c < cells.size(); ++c) {
        const Cell& cell = cells[c];
        p_.text(cx + 1.8, y, widths[c] - 3.6, rowH, cell.text, p_.font(head ? 8.5 : 9.5, head || cell.bold),
                head ? Muted : cell.colour, Qt::AlignLeft | Qt::AlignVCenter);
        cx += widths[c];
      }
      p_.line(x, y + rowH, x + w, y + rowH, Rule, 0.15);
      y += rowH;
    };
    std::vector<Cell> headCells;
    for (const QString& h : head) headCells.push_back({h});
    drawRow(headCells, HeadFill, true);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      drawRow(rows[r], r % 2 ? StripeFill : QColor(Qt::white), false);
    }
    const double h = y - top;
    if (advance) p_.advance(h + 3);
    return h;
  }

  // A table that may run over pages, with its head repeated on each.
  void longTable(const std::vector<double>& shares, const QStringList& head,
                 const std::vector<std::vector<Cell>>& rows) {
    std::size_t done = 0;
    while (done < rows.size()) {
      p_.need(3 * RowMm);
      const auto fit = std::min(rows.size() - done, std::size_t(std::max(1.0, p_.room() / RowMm - 1)));
      table(shares, head, {rows.begin() + std::ptrdiff_t(done), rows.begin() + std::ptrdiff_t(done + fit)});
      done += fit;
    }
  }

  void signatures() {
    p_.need(SignaturesMm);
    p_.advance(16);
    const double gap = 16;
    const double w = (p_.width() - gap) / 2;
    for (int i = 0; i < 2; ++i) {
      const double x = p_.left() + i * (w + gap);
      p_.line(x, p_.y(), x + w, p_.y(), Ink, 0.3);
      p_.text(x, p_.y() + 1, w, 5, uiText(i == 0 ? UiTexts::txtRecordTechnicianSignature : UiTexts::txtRecordClient),
              p_.font(8.5), Muted, Qt::AlignHCenter | Qt::AlignTop);
    }
    p_.advance(8);
  }

  Page& page() { return p_; }

 private:
  Page& p_;
};

QString orDash(const QString& text) { return text.trimmed().isEmpty() ? QStringLiteral("—") : text.trimmed(); }

// The configuration in the editors' words: the beams in a table, the
// barrier-wide values beside it. A value that `unsent` holds otherwise is
// marked with a red "*"; the note under the block names each.
void configurationBlock(Writer& w, const BarrierConfig& config, int beamCount,
                        const std::optional<BarrierConfig>& unsent = std::nullopt) {
  Page& p = w.page();
  const int beams = std::clamp(beamCount, 0, MaxBeams);
  const auto marked = [&](std::initializer_list<std::size_t> bytes) {
    if (!unsent) return false;
    for (std::size_t i : bytes)
      if ((*unsent)[i] != config[i]) return true;
    return false;
  };
  const auto cell = [&](const QString& text, std::size_t byte, const QColor& colour = Ink) {
    return marked({byte}) ? Cell{text + QStringLiteral(" *"), FailColour, true} : Cell{text, colour};
  };
  std::vector<std::vector<Cell>> rows;
  for (int b = 1; b <= beams; ++b) {
    const std::size_t steps = BarrierConfig::responseTime(b);
    const std::size_t count = BarrierConfig::autoBlockCount(b);
    rows.push_back({{QString::number(b)},
                    cell(responseTimeText(config[steps]), steps, config[steps] == 0 ? Muted : Ink),
                    cell(autoBlockText(config[count]), count)});
  }
  const double tableW = p.width() * 0.46;
  p.need(RowMm * (beams + 1) + 4);
  const double top = p.y();
  const double h =
      w.table({1, 1.6, 1.3}, {uiText(UiTexts::txtBeam), uiText(UiTexts::txtSensitivity), uiText(UiTexts::txtAutoBlock)},
              rows, p.left(), tableW, false);
  const double x = p.left() + tableW + 8;
  const double valuesW = p.right() - x;
  double y = top;
  const struct {
    UiTexts::Id caption;
    QString value;
    bool marked;
  } values[] = {
      {UiTexts::txtAlarming, alarmModeText(config[BarrierConfig::AlarmMode]), marked({BarrierConfig::AlarmMode})},
      {UiTexts::txtAutoBlockTime, numberWithUnit(config[BarrierConfig::AutoBlockTime], UiTexts::txtSeconds),
       marked({BarrierConfig::AutoBlockTime})},
      {UiTexts::txtMaxCoveredTime, numberWithUnit(config[BarrierConfig::MaxCoveredTime], UiTexts::txtMinutes),
       marked({BarrierConfig::MaxCoveredTime})},
      {UiTexts::txtTransmitterSerial, QString::number(config.transmitterSerial()),
       marked({BarrierConfig::SerialHigh, BarrierConfig::SerialLow})},
  };
  for (const auto& value : values) {
    p.text(x, y, valuesW, 4.5, uiText(value.caption), p.font(8.5), Muted, Qt::AlignLeft | Qt::AlignTop);
    p.text(x, y + 4.3, valuesW, 5.5, value.value + (value.marked ? QStringLiteral(" *") : QString()),
           p.font(10.5, true), value.marked ? FailColour : Ink, Qt::AlignLeft | Qt::AlignTop);
    y += 10;
  }
  p.advance(std::max(h, y - top) + 3);
  if (!unsent || *unsent == config) return;
  w.paragraph(uiText(UiTexts::txtConfigUnsentNote), FailColour, 9.5);
  for (const QString& line : configDifferences(config, *unsent)) w.paragraph(QStringLiteral("•  ") + line);
}

void walkTestBlock(Writer& w, const WalkTestResult& test, const QDateTime& printedAt) {
  Page& p = w.page();
  const bool running = test.running();
  if (running)
    w.paragraph(uiText(UiTexts::txtWalkTimeRunning)
                    .arg(walkTimeText(test.startedMs), walkTimeText(printedAt.toMSecsSinceEpoch())),
                RunningColour, 9);
  else if (test.startedMs)
    w.paragraph(uiText(UiTexts::txtWalkTime).arg(walkTimeText(test.startedMs), walkTimeText(test.endedMs)), Muted, 9);
  std::vector<std::vector<Cell>> rows;
  for (const WalkItem& item : test.items) {
    QString outcome = walkOutcomeText(item.outcome);
    QColor colour = Muted;
    if (item.outcome == WalkOutcome::Passed) outcome = QStringLiteral("✓ ") + outcome, colour = PassColour;
    // A running test's item not yet walked has not failed: the window's words for it.
    if (item.outcome == WalkOutcome::NotPassed && running)
      outcome = uiText(item.seenMs ? UiTexts::txtOutcomeSeen : UiTexts::txtOutcomeWaiting);
    if (item.outcome == WalkOutcome::NotPassed && !running)
      outcome = QStringLiteral("✗ ") + outcome, colour = FailColour;
    QString name = walkItemName(item);
    if (item.kind == WalkItemKind::Beam && item.outcome == WalkOutcome::NotTested)
      name += QLatin1Char(' ') + uiText(UiTexts::txtBeamOff);
    const bool beamTested = item.kind == WalkItemKind::Beam && item.outcome != WalkOutcome::NotTested;
    const bool outputKnown = beamTested && item.seenMs && !(running && item.outcome == WalkOutcome::NotPassed);
    rows.push_back({{name},
                    {outcome, colour, colour != Muted},
                    {walkTimeText(item.seenMs)},
                    {walkTimeText(item.clearedMs)},
                    {outputKnown ? uiText(item.alarmOutput ? UiTexts::txtYes : UiTexts::txtNo) : QString()}});
  }
  w.longTable({2.6, 1.6, 1.1, 1.1, 1.0},
              {uiText(UiTexts::txtColumnItem), uiText(UiTexts::txtColumnResult), uiText(UiTexts::txtColumnSeen),
               uiText(UiTexts::txtColumnCleared), uiText(UiTexts::txtColumnAlarmOutput)},
              rows);
  const QString supply = walkSupplyLine(test);
  if (!supply.isEmpty()) w.paragraph(supply);
  p.need(12);
  w.paragraph(uiText(UiTexts::txtWalkWarningsHeading), Muted, 9);
  const QStringList warnings = walkWarningLines(test);
  const bool none = !test.hasWarnings();
  for (const QString& line : warnings)
    w.paragraph((none ? QString() : QStringLiteral("•  ")) + line, none ? Ink : FailColour);
}

std::vector<std::pair<QString, QString>> lastDayFields(const JournalDayCounts& counts, int beamCount) {
  if (!counts.any()) return {};
  const int beams = std::clamp(beamCount, 0, MaxBeams);
  std::vector<std::pair<QString, QString>> fields;
  for (int b = 1; b <= beams; ++b)
    if (counts.alarmsPerBeam[std::size_t(b - 1)])
      fields.push_back(
          {uiText(UiTexts::txtRecordAlarmsOfBeam).arg(b), QString::number(counts.alarmsPerBeam[std::size_t(b - 1)])});
  fields.push_back({uiText(UiTexts::txtRecordTamperEvents), QString::number(counts.tamperEvents)});
  fields.push_back({uiText(UiTexts::txtRecordConnectionLosses), QString::number(counts.connectionLosses)});
  return fields;
}

// The journal's day before the test (or the print), and the signatures
// under it on the same page.
void lastDayAndSignatures(Writer& w, const JournalDayCounts& counts, int beamCount, bool afterTest) {
  Page& page = w.page();
  const QString span =
      uiText(UiTexts::txtRecordDaySpan).arg(longDate(localTime(counts.fromMs)), longDate(localTime(counts.untilMs)));
  const QString apart = afterTest ? uiText(UiTexts::txtRecordDayWithoutTest) : QString();
  const auto fields = lastDayFields(counts, beamCount);
  double height = HeadingMm + w.paragraphHeight(span, 9) + SignaturesMm;
  if (!apart.isEmpty()) height += w.paragraphHeight(apart, 9);
  height += fields.empty() ? w.paragraphHeight(uiText(UiTexts::txtRecordNothingInJournal))
                           : double(fields.size()) * FieldRowMm;
  page.need(height);
  w.heading(uiText(afterTest ? UiTexts::txtRecordDayBeforeTest : UiTexts::txtRecordDayBeforePrint));
  w.paragraph(span, Muted, 9);
  if (!apart.isEmpty()) w.paragraph(apart, Muted, 9);
  if (fields.empty())
    w.paragraph(uiText(UiTexts::txtRecordNothingInJournal), Muted);
  else
    w.fields(fields);
  w.signatures();
}

// Lays a document out twice: on a scratch PDF of the device's resolution to
// count its pages, then on the device with the count in every footer.
bool paintPages(QPagedPaintDevice& device, const QStringList& footer, const std::function<void(Writer&)>& body) {
  int pages = 0;
  {
    QBuffer scratch;
    scratch.open(QIODevice::WriteOnly);
    QPdfWriter counting(&scratch);
    counting.setResolution(device.logicalDpiX());
    Page page(counting, footer, 0);
    if (!page.begin()) return false;
    Writer w(page);
    body(w);
    page.end();
    pages = page.pages();
  }
  Page page(device, footer, pages);
  if (!page.begin()) return false;
  Writer w(page);
  body(w);
  page.end();
  return true;
}

}  // namespace

bool writeDocumentPdf(const QString& path, const std::function<bool(QPagedPaintDevice&)>& paint, QString* error) {
  OutputFile file(path, PrivateFileMode);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  {
    QPdfWriter pdf(&file);
    pdf.setResolution(600);
    pdf.setCreator(programName());
    pdf.setTitle(QFileInfo(path).completeBaseName());
    if (!paint(pdf)) {
      if (error) *error = file.errorString();
      return false;
    }
  }
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

namespace {

QString footerText(UiTexts::Id title) { return uiText(UiTexts::txtCaption) + QStringLiteral(" – ") + uiText(title); }

void recordBody(Writer& w, const CommissioningRecord& r) {
  const TestedBarrier& barrier = r.barrier;
  QString badge;
  QColor badgeColour = FailColour;
  if (r.walkTest && r.walkTest->running()) {
    badge = uiText(UiTexts::txtRecordResultRunning);
    badgeColour = RunningColour;
  } else if (r.walkTest) {
    const bool passed = r.walkTest->passed();
    badge = uiText(passed ? UiTexts::txtRecordResultPassed : UiTexts::txtRecordResultFailed);
    badgeColour = passed ? PassColour : FailColour;
  }
  w.header(uiText(UiTexts::txtRecordTitle), r.printedAt, badge, badgeColour);

  std::vector<std::pair<QString, QString>> head{{uiText(UiTexts::txtRecordSite), orDash(r.site)},
                                                {uiText(UiTexts::txtRecordTechnician), orDash(r.technician)}};
  if (r.walkTest && r.walkTest->startedMs)
    head.push_back({uiText(UiTexts::txtRecordTestDate), testTimeText(*r.walkTest)});
  head.push_back({uiText(UiTexts::txtRecordDate), longDate(r.printedAt)});
  w.fields(head);
  if (!r.remark.trimmed().isEmpty()) w.fields({{uiText(UiTexts::txtRecordRemark), r.remark.trimmed()}});

  w.heading(uiText(UiTexts::txtRecordBarrier));
  w.fields({{uiText(UiTexts::txtRecordIdentification), orDash(barrier.identification)},
            {uiText(UiTexts::txtCliBeamCount), QString::number(barrier.beamCount)},
            {uiText(UiTexts::txtTransmitterSerial), QString::number(barrier.config.transmitterSerial())},
            {uiText(UiTexts::txtRecordAdapter), orDash(barrier.adapter)}});

  w.heading(uiText(UiTexts::txtRecordConfiguration));
  configurationBlock(w, barrier.config, barrier.beamCount);
  if (!r.planFile.isEmpty()) {
    if (r.planDifferences.isEmpty()) {
      w.paragraph(uiText(UiTexts::txtWalkPlanSame).arg(r.planFile), PassColour);
    } else {
      w.paragraph(uiText(UiTexts::txtWalkPlanDiffers).arg(r.planFile), FailColour);
      for (const QString& line : r.planDifferences) w.paragraph(QStringLiteral("•  ") + line);
    }
  }

  w.heading(uiText(UiTexts::txtWalkTestTitle));
  if (r.walkTest)
    walkTestBlock(w, *r.walkTest, r.printedAt);
  else
    w.paragraph(uiText(UiTexts::txtRecordNoWalkTest), FailColour);

  if (r.lastDay)
    lastDayAndSignatures(w, *r.lastDay, barrier.beamCount, r.walkTest.has_value());
  else
    w.signatures();
}

}  // namespace

bool paintRecord(QPagedPaintDevice& device, const CommissioningRecord& r) {
  const QString testDate = r.walkTest && r.walkTest->startedMs ? longDate(localTime(r.walkTest->startedMs))
                                                               : uiText(UiTexts::txtRecordNoTest);
  const QStringList footer{
      uiText(UiTexts::txtRecordTitle) + QStringLiteral(" – ") + orDash(r.site),
      uiText(UiTexts::txtRecordFooter).arg(QString::number(r.barrier.config.transmitterSerial()), testDate)};
  return paintPages(device, footer, [&](Writer& w) { recordBody(w, r); });
}

bool paintConfigurationSheet(QPagedPaintDevice& device, const ConfigurationSheet& sheet) {
  return paintPages(device, {footerText(UiTexts::txtConfigSheetTitle)}, [&](Writer& w) {
    w.header(uiText(UiTexts::txtConfigSheetTitle), sheet.printedAt);
    const int count = sheet.config[BarrierConfig::BeamCount];
    const int beams = count >= 2 && count <= MaxBeams ? count : MaxBeams;
    w.fields({{uiText(UiTexts::txtConfigSource), sheet.source},
              {uiText(UiTexts::txtCliBeamCount), QString::number(count)},
              {uiText(UiTexts::txtRecordDate), longDate(sheet.printedAt)}});
    w.heading(uiText(UiTexts::txtRecordConfiguration));
    configurationBlock(w, sheet.config, beams, sheet.unsent);
  });
}

bool writeRecordPdf(const QString& path, const CommissioningRecord& record, QString* error) {
  return writeDocumentPdf(
      path, [&](QPagedPaintDevice& device) { return paintRecord(device, record); }, error);
}

bool writeConfigurationPdf(const QString& path, const ConfigurationSheet& sheet, QString* error) {
  return writeDocumentPdf(
      path, [&](QPagedPaintDevice& device) { return paintConfigurationSheet(device, sheet); }, error);
}
