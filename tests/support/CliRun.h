#pragma once
#include "cli/Cli.h"

#include <QStringList>
#include <QTextStream>

// Runs meravel-cli in-process and keeps what it printed.
struct CliRun {
    int exit = -1;
    QString out, err;

    static CliRun run(const QStringList& args, const QString& input = QString())
    {
        CliRun r;
        QTextStream out(&r.out), err(&r.err);
        QString inputText = input;
        QTextStream in(&inputText);
        Cli::Io io{out, err, &in};
        r.exit = Cli::run(args, io);
        out.flush();
        err.flush();
        return r;
    }
};
