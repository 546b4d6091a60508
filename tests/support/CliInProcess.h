#pragma once

#include "cli/Commands.h"
#include "support/CliRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>

// Runs a lexitally-cli command in this process, as the program would in folder: its standard
// input reads input, its standard output and error go to files read back afterwards. Exit
// statuses, signals and streams are left to runs of the built program (RunCli).
inline Outcome RunCliHere(const QStringList& arguments, const QString& folder, const QByteArray& input = {}) {
    Outcome outcome;
    QTemporaryDir streams;
    const QString names[3] = {streams.filePath(QStringLiteral("in")), streams.filePath(QStringLiteral("out")),
                              streams.filePath(QStringLiteral("err"))};
    QFile in(names[0]);
    if (!streams.isValid() || !in.open(QIODevice::WriteOnly) || in.write(input) != input.size()) {
        return outcome;
    }
    in.close();
    std::fflush(stdout);
    std::fflush(stderr);
    int saved[3];
    for (int fd = 0; fd < 3; ++fd) {
        saved[fd] = ::dup(fd);
        const int file =
            ::open(QFile::encodeName(names[fd]).constData(), fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT, 0600);
        ::dup2(file, fd);
        ::close(file);
    }
    __fpurge(stdin);
    std::clearerr(stdin);
    const QString before = QDir::currentPath();
    QDir::setCurrent(folder);
    outcome.exitCode = RunCommand(QStringList{QStringLiteral("lexitally-cli")} + arguments);
    std::fflush(stdout);
    std::fflush(stderr);
    QDir::setCurrent(before);
    for (int fd = 0; fd < 3; ++fd) {
        ::dup2(saved[fd], fd);
        ::close(saved[fd]);
    }
    __fpurge(stdin);
    std::clearerr(stdin);
    std::clearerr(stdout);
    QFile out(names[1]);
    QFile err(names[2]);
    if (out.open(QIODevice::ReadOnly) && err.open(QIODevice::ReadOnly)) {
        outcome.out = out.readAll();
        outcome.err = err.readAll();
    }
    return outcome;
}
