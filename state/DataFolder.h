#pragma once

#include <QString>

// The folder that holds buzzer.wav, horn.wav and courtvanehelpfile.rtf. In the build tree they lie
// beside the executable; installed, they live in share/courtvane beside bin/, as packages require.
// The folder is returned without a trailing separator.
QString dataFolder();

// The same rule for a program whose executable lies in programFolder: that folder when either
// file is there, else ../share/courtvane relative to it (even when that is missing too, so that
// whoever opens a file there reports it missing as usual).
QString dataFolderFor(const QString& programFolder);
