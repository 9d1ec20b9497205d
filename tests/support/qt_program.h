// Runs a program to its end, as another program would, for the editor's Qt Test programs.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace kv::test {

struct ProgramRun {
  int status = -1;  // -1 when the program crashed or did not end
  QString out;
  QString err;
};

inline ProgramRun RunProgram(
    const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
  constexpr int kProgramTimeoutMs = 60000;
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  ProgramRun run;
  if (!process.waitForFinished(kProgramTimeoutMs)) return run;
  if (process.exitStatus() == QProcess::NormalExit) run.status = process.exitCode();
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

}  // namespace kv::test
