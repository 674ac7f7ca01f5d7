#include "export/ProcessStarter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

int StartProcessing(const QString& program, const QString& parameter, const QString& workFolder) {
  // Relative names mean the working folder, as they did when the configuration was read.
  const QFileInfo exe(QDir::current().absoluteFilePath(program));
  if (!exe.exists() || exe.isDir()) return 2;
  if (!QFileInfo(QDir::current().absoluteFilePath(workFolder)).isDir()) return 3;
  if (!exe.isExecutable()) return 5;
  if (!QProcess::startDetached(exe.absoluteFilePath(), {parameter}, workFolder)) return 11;
  return 33;
}
