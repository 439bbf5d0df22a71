#pragma once
#include <QString>

// Where the journal lives: $ORVITA_JOURNAL when set (tests, a technician who
// keeps it elsewhere), else journal.sqlite in the per-user state folder
// beside the log files.
QString journalPath();
