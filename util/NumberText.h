#pragma once
// Numbers typed by the user.
#include <QString>
#include <cstdint>

// The leading number of a typed text: blanks skipped, optional sign, "$", "x"
// or "0x" for hexadecimal; what follows the digits is ignored. Never
// negative; saturates at 2147483647. Not a number gives 0.
std::int32_t textToNum(const QString& text);
