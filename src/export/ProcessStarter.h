#pragma once
// Starting the processing program: without a shell, so that no file name can
// become a command, and without waiting for it.

#include <QString>

// The start result in the platform's convention: above 32 the program started;
// otherwise 2 (the program is not there), 3 (the work folder is not there),
// 5 (the program may not be run) or 11 (it could not be started as a program).
int StartProcessing(const QString& program, const QString& parameter, const QString& workFolder);
