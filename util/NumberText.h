#pragma once
// Numbers typed by the user, and numbers in the interface's prose.
#include <QString>
#include <cstdint>

// The leading number of a typed text: blanks skipped, optional sign, "$", "x"
// or "0x" for hexadecimal; what follows the digits is ignored. Never
// negative; saturates at 2147483647. Not a number gives 0.
std::int32_t textToNum(const QString& text);

// `value` with `decimals` decimals and a decimal comma, as the interface's
// texts write numbers ("12,2"); no group separator.
QString decimalText(double value, int decimals);
