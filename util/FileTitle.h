#pragma once
#include <QString>

// File name without folder and without its last extension.
QString fileTitle(const QString& path);
