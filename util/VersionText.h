#pragma once
#include <QString>

// Version text: major "." minor release "." build in three digits (2.00.000).
QString versionText(int major, int minor, int release, int build);
// The program's own version, as compiled in.
QString versionText();
// The program's own version as its package and --version give it (2.0.0.0).
QString packageVersion();
