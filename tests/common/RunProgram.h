#pragma once
// Running a program of the suite or of the system to its end, for tests
// that look at a whole process: its exit status and what it printed.

#include <QProcessEnvironment>
#include <QStringList>
#include <string>

struct CProgramResult {
    int nExitCode = -1;    // -1: it did not end normally within the deadline
    std::string strOutput; // stdout and stderr together
};

CProgramResult
RunProgram(const QString& program, const QStringList& args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// True when name is found on PATH.
bool HasProgram(const char* name);

// The whole content of a file, empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
