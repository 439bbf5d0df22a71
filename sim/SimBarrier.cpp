#include "sim/SimBarrier.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "link/Frame.h"

SimBarrier::SimBarrier() {
  config_[31] = std::uint8_t(beamCount_);
  status_[StSupply] = 200;
}

bool SimBarrier::setStatusSize(std::size_t size) {
  if (size != StatusSizeShort && size != StatusSizeLong) return false;
  statusSize_ = size;
  return true;
}

bool SimBarrier::setBeamCount(int n) {
  if (n < 2 || n > 8) return false;
  beamCount_ = n;
  version_[0] = std::uint8_t(n - 2);
  config_[31] = std::uint8_t(n);
  return true;
}

bool SimBarrier::setDataReplySize(std::size_t n) {
  if (n > MaxDataReplySize) return false;
  dataReplySize_ = n;
  return true;
}

bool SimBarrier::setData2ReplySize(std::size_t n) {
  if (n > MaxData2ReplySize) return false;
  data2ReplySize_ = n;
  return true;
}

void SimBarrier::setNoise(unsigned bytesPerReply, std::uint32_t seed) {
  noisePerReply_ = bytesPerReply;
  noise_.seed(seed);
}

bool SimBarrier::setBeam(StatusByte which, int beam, bool on) {
  switch (which) {
    case StAlarm:
    case StAlert:
    case St50:
    case StNar:
    case StBlocked:
    case StBlockMemory:
      break;
    default:
      return false;
  }
  if (beam < 1 || beam > 8) return false;
  return setStatusBit(which, beam - 1, on);
}

bool SimBarrier::setDiag(int beam, bool on) {
  if (beam < 1 || beam > 8) return false;
  status_[StDiag + std::size_t(8 - beam)] = on ? 0x01 : 0x00;
  return true;
}

bool SimBarrier::setStatusByte(std::size_t index, std::uint8_t value) {
  if (index >= status_.size()) return false;
  status_[index] = value;
  return true;
}

bool SimBarrier::setStatusBit(std::size_t index, int bit, bool on) {
  if (index >= status_.size() || bit < 0 || bit > 7) return false;
  const std::uint8_t mask = std::uint8_t(1u << bit);
  status_[index] = on ? std::uint8_t(status_[index] | mask) : std::uint8_t(status_[index] & ~mask);
  return true;
}

void SimBarrier::setFlag(std::uint8_t mask, bool on) {
  status_[StFlags] = on ? std::uint8_t(status_[StFlags] | mask) : std::uint8_t(status_[StFlags] & ~mask);
}

void SimBarrier::setRegistration(bool on) { setFlag(0x40, on); }
void SimBarrier::setLed(bool on) { setFlag(0x80, on); }

bool SimBarrier::setInterrupted(int beam, bool on) {
  if (!setBeam(StAlert, beam, on)) return false;
  setBeam(StAlarm, beam, on);
  setFlag(0x01, (status_[StAlert] | status_[StAlarm]) != 0);
  return true;
}

void SimBarrier::setTamperContact(bool transmitter, bool open) {
  setFlag(transmitter ? 0x10 : 0x08, open);
  setFlag(0x02, (status_[StFlags] & 0x18) != 0);
}

std::vector<std::uint8_t> SimBarrier::receive(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> out;
  rx_.insert(rx_.end(), bytes.begin(), bytes.end());
  // The same rules as the program's parser, except that a barrier works
  // through every complete frame at once.
  std::size_t pos = 0;
  for (;;) {
    while (rx_.size() - pos > 3 &&
           !(rx_[pos] == frame::Start && rx_[pos + 1] == frame::Start && rx_[pos + 2] != frame::Start))
      ++pos;
    if (rx_.size() - pos <= 3) break;
    const std::uint8_t length = rx_[pos + 2];
    if (length > frame::MaxLength) {
      ++pos;
      continue;
    }
    const std::size_t size = frame::frameSize(length);
    if (rx_.size() - pos < size) break;
    const std::span<const std::uint8_t> candidate(rx_.data() + pos, size);
    if (checkByte(candidate.first(size - 1)) != candidate[size - 1]) {
      ++pos;
      continue;
    }
    handleFrame(candidate, out);
    pos += size;
  }
  rx_.erase(rx_.begin(), rx_.begin() + std::ptrdiff_t(pos));
  return out;
}

void SimBarrier::handleFrame(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& out) {
  if (requests_.size() == MaxKeptRequests) requests_.pop_front();
  requests_.emplace_back(frame.begin(), frame.end());
  ++requestCount_;
  if (silent_) return;
  const std::uint8_t command = frame[3];
  const auto payload = frame.subspan(frame::PayloadOffset, frame.size() - frame::PayloadOffset - 1);
  switch (command) {
    case frame::CmdVersion: {
      auto version = version_;
      if (beamByte_) version[0] = *beamByte_;
      reply(command, version, out);
      break;
    }
    case frame::CmdData:
      reply(command, std::span(config_).first(dataReplySize_), out);
      break;
    case frame::CmdWrite:
      if (payload.size() != 12) return;
      std::copy(payload.begin(), payload.end(), config_.begin());
      reply(command, {}, out);
      break;
    case frame::CmdStatus:
      reply(command, std::span(status_).first(statusSize_), out);
      if (alternateStatus_) statusSize_ = statusSize_ == StatusSizeShort ? StatusSizeLong : StatusSizeShort;
      break;
    case frame::CmdWrite2:
      if (payload.size() != 9) return;
      std::copy(payload.begin(), payload.end(), config_.begin() + 16);
      reply(command, {}, out);
      break;
    case frame::CmdData2:
      reply(command, std::span(config_).subspan(16, data2ReplySize_), out);
      break;
    case frame::CmdReset:
      status_[StBlockMemory] = 0;
      reply(command, {}, out);
      break;
    default:
      break;
  }
}

void SimBarrier::reply(std::uint8_t command, std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out) {
  if (drop_ > 0) {
    --drop_;
    return;
  }
  std::vector<std::uint8_t> reply;
  if (overlong_ > 0) {
    --overlong_;
    std::vector<std::uint8_t> padded(payload.begin(), payload.end());
    padded.resize(18, 0);
    std::vector<std::uint8_t> request{frame::Start, frame::Start, 0x14, command};
    request.insert(request.end(), padded.begin(), padded.end());
    reply = encodeFrame(request);
  } else {
    reply = buildFrame(command, payload);
  }
  if (badCheck_ > 0) {
    --badCheck_;
    reply.back() = std::uint8_t(reply.back() + 1);
  }
  if (cut_ > 0) {
    --cut_;
    reply.resize(std::max<std::size_t>(1, reply.size() / 2));
  }
  std::uniform_int_distribution<int> noiseByte(0, 0xFE);
  for (unsigned i = 0; i < noisePerReply_; ++i) out.push_back(std::uint8_t(noiseByte(noise_)));
  out.insert(out.end(), reply.begin(), reply.end());
  if (double_ > 0) {
    --double_;
    out.insert(out.end(), reply.begin(), reply.end());
  }
}

// --- Text commands -----------------------------------------------------------

namespace {

std::vector<std::string_view> splitWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
    if (j > i) words.push_back(line.substr(i, j - i));
    i = j;
  }
  return words;
}

// Decimal, or hexadecimal with 0x; a leading zero does not mean octal.
std::optional<unsigned long> parseNumber(std::string_view word, unsigned long max) {
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    word.remove_prefix(2);
    base = 16;
  }
  unsigned long value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  if (ec != std::errc() || end != word.data() + word.size() || value > max) return std::nullopt;
  return value;
}

std::optional<double> parseSeconds(std::string_view word) {
  std::string text(word);
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(value >= 0) || value > 1e6) return std::nullopt;
  return value;
}

std::optional<bool> parseOnOff(std::string_view word) {
  if (word == "on" || word == "1") return true;
  if (word == "off" || word == "0") return false;
  return std::nullopt;
}

}  // namespace

const char* SimBarrier::commandHelp() {
  return "Commands on standard input, one per line (numbers decimal or 0x hex):\n"
         "  set BYTE VALUE        status payload byte 0..16 := VALUE (0 alarm, 1 supply raw,\n"
         "                        2 flags, 3 alert, 4 50%, 5 nar., 6 blocked, 7 block memory,\n"
         "                        8 sabotage, 9..16 diagnostic bytes)\n"
         "  bit BYTE BIT 0|1      one bit of a status payload byte\n"
         "  alert N on|off        beam N (1..8) in alert (byte 3)\n"
         "  block N on|off        beam N blocked (byte 6)\n"
         "  memory N on|off       beam N in the block memory (byte 7)\n"
         "  half N on|off         beam N at 50% (byte 4)\n"
         "  nar N on|off          beam N in the nar. state (byte 5)\n"
         "  alarm N on|off        beam N in the per-beam alarm byte (byte 0)\n"
         "  cross N on|off        beam N interrupted as a walk test does it: alert and alarm\n"
         "                        bits, alarm output (flag bit 0) while any beam is crossed\n"
         "  tamper tx|rx open|closed  transmitter (flag bit 4) or receiver (bit 3) tamper\n"
         "                        contact; tamper output (bit 1) while either is open\n"
         "  diag N on|off         diagnostic byte of beam N (byte 9 + 8 - N; 17-byte status)\n"
         "  supply RAW            raw supply reading 0..255 (200 is about 12.2 V)\n"
         "  register on|off       transmitter registration mode (flag bit 6)\n"
         "  led on|off            LED (flag bit 7)\n"
         "  beams N               beam count 2..8 (version byte 0 := N - 2)\n"
         "  status-size 9|17|alternate  status reply size; alternate: 17 and 9 in turn\n"
         "  show                  print the status payload bytes\n"
         "  config [INDEX VALUE]  configuration byte 0..31 := VALUE; alone, print all 32\n"
         "  silent [SECONDS]      answer nothing (for SECONDS, else until talk)\n"
         "  talk                  answer again\n"
         "  hangup [SECONDS]      close the pseudo-terminal and remove --link like an unplugged\n"
         "                        adapter; after SECONDS (default 3) open a new one and point\n"
         "                        --link at it\n"
         "  swap SECONDS [AFTER]  the cable moves to the other barrier behind the same adapter:\n"
         "                        nothing answers for SECONDS, then the other barrier does; the\n"
         "                        one left becomes the other (swap again to go back); with\n"
         "                        AFTER, once this barrier has answered AFTER more requests\n"
         "  other COMMAND         a state command (set, config, beams, memory, ...) for the\n"
         "                        other barrier; it starts as this one does with its options\n"
         "  noise RATE            RATE random bytes (never 0xFF) before every reply; 0 = off\n"
         "  badcheck N            damage the check byte of the next N replies\n"
         "  overlong N            send the next N replies with length byte 0x14 (too long)\n"
         "  cut N                 send only the first half of the next N replies\n"
         "  drop N                send nothing for the next N replies\n"
         "  double N              send each of the next N replies twice\n"
         "  delay MS              wait MS more before every reply; 0 = off\n"
         "  late MS               wait MS more before the next reply only\n"
         "  beambyte V|off        send V as version byte 0 (above 6 is a fault)\n"
         "  clear                 end every fault above\n"
         "  help                  this list\n"
         "  quit                  end the simulator\n";
}

SimBarrier::CommandResult SimBarrier::Command(std::string_view line) {
  CommandResult result;
  const auto words = splitWords(line);
  auto error = [&](std::string message) {
    result.kind = CommandResult::Error;
    result.message = std::move(message);
    return result;
  };
  if (words.empty() || words[0].front() == '#') return result;
  const std::string_view name = words[0];
  const std::size_t argc = words.size() - 1;

  struct BeamCommand {
    std::string_view name;
    StatusByte byte;
  };
  static constexpr BeamCommand beamCommands[] = {{"alert", StAlert}, {"block", StBlocked}, {"memory", StBlockMemory},
                                                 {"half", St50},     {"nar", StNar},       {"alarm", StAlarm}};
  if (name == "diag") {
    const auto beam = argc == 2 ? parseNumber(words[1], 8) : std::nullopt;
    const auto on = argc == 2 ? parseOnOff(words[2]) : std::nullopt;
    if (!beam || *beam < 1 || !on) return error("diag N on|off, N = 1..8");
    setDiag(int(*beam), *on);
    return result;
  }
  for (const auto& beamCommand : beamCommands) {
    if (name != beamCommand.name) continue;
    const auto beam = argc == 2 ? parseNumber(words[1], 8) : std::nullopt;
    const auto on = argc == 2 ? parseOnOff(words[2]) : std::nullopt;
    if (!beam || *beam < 1 || !on) return error(std::string(name) + " N on|off, N = 1..8");
    setBeam(beamCommand.byte, int(*beam), *on);
    return result;
  }

  if (name == "cross") {
    const auto beam = argc == 2 ? parseNumber(words[1], 8) : std::nullopt;
    const auto on = argc == 2 ? parseOnOff(words[2]) : std::nullopt;
    if (!beam || *beam < 1 || !on) return error("cross N on|off, N = 1..8");
    setInterrupted(int(*beam), *on);
    return result;
  }
  if (name == "tamper") {
    const bool column = argc == 2 && (words[1] == "tx" || words[1] == "rx");
    const bool state = argc == 2 && (words[2] == "open" || words[2] == "closed");
    if (!column || !state) return error("tamper tx|rx open|closed");
    setTamperContact(words[1] == "tx", words[2] == "open");
    return result;
  }

  auto count = [&](unsigned long max) { return argc == 1 ? parseNumber(words[1], max) : std::nullopt; };
  if (name == "set") {
    const auto index = argc == 2 ? parseNumber(words[1], 16) : std::nullopt;
    const auto value = argc == 2 ? parseNumber(words[2], 255) : std::nullopt;
    if (!index || !value) return error("set BYTE VALUE, BYTE = 0..16, VALUE = 0..255");
    setStatusByte(*index, std::uint8_t(*value));
  } else if (name == "bit") {
    const auto index = argc == 3 ? parseNumber(words[1], 16) : std::nullopt;
    const auto bit = argc == 3 ? parseNumber(words[2], 7) : std::nullopt;
    const auto on = argc == 3 ? parseOnOff(words[3]) : std::nullopt;
    if (!index || !bit || !on) return error("bit BYTE BIT 0|1, BYTE = 0..16, BIT = 0..7");
    setStatusBit(*index, int(*bit), *on);
  } else if (name == "supply") {
    const auto raw = count(255);
    if (!raw) return error("supply RAW, RAW = 0..255");
    setSupply(std::uint8_t(*raw));
  } else if (name == "register" || name == "led") {
    const auto on = argc == 1 ? parseOnOff(words[1]) : std::nullopt;
    if (!on) return error(std::string(name) + " on|off");
    name == "led" ? setLed(*on) : setRegistration(*on);
  } else if (name == "beams") {
    const auto n = count(8);
    if (!n || !setBeamCount(int(*n))) return error("beams N, N = 2..8");
  } else if (name == "status-size") {
    if (argc == 1 && words[1] == "alternate") {
      setStatusSizeAlternating(true);
      return result;
    }
    const auto n = count(17);
    if (!n || !setStatusSize(*n)) return error("status-size 9|17|alternate");
    setStatusSizeAlternating(false);
  } else if (name == "show") {
    for (std::size_t i = 0; i < statusSize_; ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02X ", status_[i]);
      result.message += hex;
    }
    if (!result.message.empty()) result.message.pop_back();
  } else if (name == "config") {
    if (argc == 2) {
      const auto index = parseNumber(words[1], ConfigSize - 1);
      const auto value = parseNumber(words[2], 255);
      if (!index || !value) return error("config INDEX VALUE, INDEX = 0..31, VALUE = 0..255");
      config_[*index] = std::uint8_t(*value);
    } else if (argc == 0) {
      for (std::uint8_t byte : config_) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", byte);
        result.message += hex;
      }
      result.message.pop_back();
    } else {
      return error("config [INDEX VALUE]");
    }
  } else if (name == "silent" || name == "hangup") {
    std::optional<double> seconds = 0.0;
    if (argc == 1) seconds = parseSeconds(words[1]);
    if (argc > 1 || !seconds) return error(std::string(name) + " [SECONDS]");
    result.seconds = *seconds;
    if (name == "silent") {
      setSilent(true);
      result.kind = CommandResult::Silent;
    } else {
      result.kind = CommandResult::Hangup;
    }
  } else if (name == "swap") {
    const std::optional<double> seconds = argc >= 1 && argc <= 2 ? parseSeconds(words[1]) : std::nullopt;
    const auto after = argc == 2 ? parseNumber(words[2], 1000000) : std::optional<unsigned long>(0);
    if (!seconds || !after) return error("swap SECONDS [AFTER]");
    result.kind = CommandResult::Swap;
    result.seconds = *seconds;
    result.requests = unsigned(*after);
  } else if (name == "talk") {
    if (argc != 0) return error("talk");
    setSilent(false);
    result.kind = CommandResult::Talk;
  } else if (name == "quit") {
    result.kind = CommandResult::Quit;
  } else if (name == "noise") {
    const auto n = count(1000);
    if (!n) return error("noise RATE, RATE = 0..1000 bytes per reply");
    noisePerReply_ = unsigned(*n);
  } else if (name == "badcheck" || name == "overlong" || name == "cut" || name == "drop" || name == "double") {
    const auto n = count(1000000);
    if (!n) return error(std::string(name) + " N");
    unsigned& pending = name == "badcheck"   ? badCheck_
                        : name == "overlong" ? overlong_
                        : name == "cut"      ? cut_
                        : name == "drop"     ? drop_
                                             : double_;
    pending = unsigned(*n);
  } else if (name == "delay") {
    const auto ms = count(60000);
    if (!ms) return error("delay MS, MS = 0..60000");
    replyDelayMs_ = unsigned(*ms);
  } else if (name == "late") {
    const auto ms = count(60000);
    if (!ms) return error("late MS, MS = 0..60000");
    lateMs_ = unsigned(*ms);
  } else if (name == "beambyte") {
    if (argc == 1 && words[1] == "off") {
      beamByte_.reset();
    } else {
      const auto value = count(255);
      if (!value) return error("beambyte V|off, V = 0..255");
      beamByte_ = std::uint8_t(*value);
    }
  } else if (name == "clear") {
    noisePerReply_ = badCheck_ = overlong_ = cut_ = drop_ = double_ = replyDelayMs_ = lateMs_ = 0;
    beamByte_.reset();
  } else if (name == "help") {
    result.message = commandHelp();
  } else {
    return error("unknown command: " + std::string(name) + " (help lists them)");
  }
  return result;
}
