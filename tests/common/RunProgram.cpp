#include "tests/common/RunProgram.h"

#include <QProcess>
#include <QStandardPaths>
#include <fstream>
#include <iterator>

CProgramResult RunProgram(const QString& program, const QStringList& args,
                          const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    CProgramResult result;
    // A deadline only to tell a hung program from a finished one.
    if (process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit)
        result.nExitCode = process.exitCode();
    result.strOutput = process.readAll().toStdString();
    return result;
}

bool HasProgram(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromUtf8(name)).isEmpty();
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
