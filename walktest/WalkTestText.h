#pragma once
// The walk test in the program's words, for the window, the shell and the record.
#include <QString>
#include <QStringList>

#include "walktest/WalkTest.h"

// "Wiązka 3", "Styk sabotażowy nadajnika", ...
QString walkItemName(const WalkItem& item);
// "pozytywny", "negatywny", "nie testowano".
QString walkOutcomeText(WalkOutcome outcome);
// A moment of the test as its tables show it: the local time of day.
QString walkTimeText(qint64 ms);
// The supply line ("Napięcie zasilania w czasie testu: min. 12,1 V, maks. 12,2 V"),
// empty when no status came.
QString walkSupplyLine(const WalkTestResult& result);
// One line per warning; "Brak uwag." when there are none.
QStringList walkWarningLines(const WalkTestResult& result);
