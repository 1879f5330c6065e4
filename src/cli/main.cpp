#include "cli/Cli.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // Reports are painted with Qt's GUI classes; the tool needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    in.setEncoding(QStringConverter::Utf8);
    Cli::Io io{out, err, &in};
    return Cli::run(app.arguments().mid(1), io);
}
