#pragma once
// Tests that run once for each kind of network port, each on a ser2net of its
// own: ser2net lets one client at a time use the terminal behind it, and a
// connection just closed may hold it a moment longer.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/Ser2NetServer.h"

enum class Scheme { Raw, Rfc2217 };

inline QString portNameFor(const Ser2NetServer& server, Scheme scheme) {
  return scheme == Scheme::Raw ? server.rawName() : server.rfc2217Name();
}

inline void PrintTo(Scheme scheme, std::ostream* out) { *out << (scheme == Scheme::Raw ? "socket://" : "rfc2217://"); }

inline std::string schemeTestName(const ::testing::TestParamInfo<Scheme>& info) {
  return info.param == Scheme::Raw ? "socket" : "rfc2217";
}
