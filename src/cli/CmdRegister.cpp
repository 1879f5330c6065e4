#include "calendar/SolarCalendar.h"
#include "cli/Cli.h"
#include "data/Clock.h"
#include "data/Messages.h"
#include "data/SubjectStore.h"

#include <QRegularExpression>

namespace {
int runRegister(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(
        args, {"--code", "--first", "--last", "--sex", "--age", "--class", "--group", "--date", "--time"}, {});
    if (!a.error.isEmpty() || !a.positional.isEmpty()) {
        io.err << (a.error.isEmpty() ? "unexpected argument " + a.positional.first() : a.error) << "\n";
        return Cli::Usage;
    }
    const QDateTime now = Clock::now();
    Registration::Subject s;
    s.code = a.options.value("--code");
    s.firstName = a.options.value("--first");
    s.lastName = a.options.value("--last");
    s.sex = a.options.value("--sex");
    s.age = a.options.value("--age");
    s.schoolClass = a.options.value("--class");
    s.group = a.options.value("--group");
    s.date = a.options.value("--date", SolarCalendar::solarDate(now, 0));
    s.time = a.options.value("--time", Registration::timeText(now.time()));

    // The panel's key filters keep codes and ages to digits; the tool checks the same.
    static const QRegularExpression digits(QStringLiteral("^[0-9]*$"));
    if (!digits.match(s.code).hasMatch() || !digits.match(s.age).hasMatch() || s.age.size() > 2) {
        io.err << QString::fromUtf8(Messages::DigitsOnly) << "\n";
        return Cli::Failed;
    }
    const SubjectStore::Registered r = SubjectStore().registerSubject(s);
    if (!r.ok) {
        io.err << r.message << "\n";
        return Cli::Failed;
    }
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "register", "register --code C --first F --last L --sex S --age A --class T --group G [--date D] [--time T]",
    "Registers a subject as the registration panel's Save does: the same checks in the same order\n"
    "with the same messages, one row in IDE and one row with only Code in each of S1 to S4.\n"
    "--date and --time default to now (Solar Hijri year/month/day; HH:MM:SS). A date that is no\n"
    "Solar Hijri date (Persian digits are read as digits) is refused, as the panel refuses it.\n"
    "An option left out counts as an empty field. A code already registered is refused.",
    runRegister});
