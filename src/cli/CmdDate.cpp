#include "calendar/SolarCalendar.h"
#include "cli/Cli.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {
// YYYY-MM-DD, optionally followed by THH:MM[:SS]
QDateTime parseDate(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})(?:T(\d{2}):(\d{2})(?::(\d{2}))?)?$)"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return QDateTime();
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    QTime time(0, 0);
    if (!m.captured(4).isEmpty())
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

int runDate(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--form"}, {});
    if (!a.error.isEmpty()) {
        io.err << a.error << "\n";
        return Cli::Usage;
    }
    bool ok = true;
    const int form = a.options.value("--form", "0").toInt(&ok);
    if (!ok) {
        io.err << "malformed form: " << a.options.value("--form") << "\n";
        return Cli::Usage;
    }
    auto convert = [&](const QString& text) {
        const QDateTime when = parseDate(text);
        if (!when.isValid()) {
            io.err << "malformed date: " << text << "\n";
            return false;
        }
        io.out << SolarCalendar::solarDate(when, form) << "\n";
        return true;
    };
    if (!a.positional.isEmpty()) {
        for (const QString& d : a.positional)
            if (!convert(d))
                return Cli::Usage;
        return Cli::Success;
    }
    if (!io.in)
        return Cli::Success;
    QString line;
    while (io.in->readLineInto(&line)) {
        if (line.trimmed().isEmpty())
            continue;
        if (!convert(line))
            return Cli::Usage;
    }
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "date", "date [--form F] [DATE ...]",
    "Writes the Solar Hijri text of form F (0 to 4, default 0) for each DATE, one line each.\n"
    "DATE is a Gregorian date YYYY-MM-DD, optionally followed by THH:MM[:SS]. Without DATE\n"
    "arguments the dates are read from standard input, one per line. A form other than 0 to 4\n"
    "prints an empty line; a malformed date is named on standard error (exit 2).",
    runDate});
