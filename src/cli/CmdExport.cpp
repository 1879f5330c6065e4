#include "cli/Cli.h"
#include "data/PrivateFile.h"
#include "report/ReportFonts.h"
#include "scoring/CsvWriter.h"
#include "scoring/Export.h"
#include "scoring/XlsxExport.h"

#include <QBuffer>

namespace {
int runExport(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--out", "--format"}, {});
    if (!a.error.isEmpty() || !a.positional.isEmpty()) {
        io.err << (a.error.isEmpty() ? "unexpected argument " + a.positional.first() : a.error) << "\n";
        return Cli::Usage;
    }
    const QString format = a.options.value("--format", "csv");
    if (format != "csv" && format != "xlsx") {
        io.err << "unknown format " << format << " (csv or xlsx)\n";
        return Cli::Usage;
    }
    QString error;
    if (format == "xlsx") {
        // A workbook is binary: it goes to a file only.
        if (!a.options.contains("--out")) {
            io.err << "--format xlsx needs --out FILE\n";
            return Cli::Usage;
        }
        Scoring::XlsxOptions options;
        options.fontName = QString::fromUtf8(Report::fontFamilies()[0]);
        if (Scoring::exportXlsx(a.options.value("--out"), options, &error) != Scoring::ExportOutcome::Written) {
            io.err << error.replace('\n', ' ') << "\n";
            return Cli::Failed;
        }
        return Cli::Success;
    }
    if (a.options.contains("--out")) {
        // Written beside the target and renamed at the end: a failed export leaves no half file,
        // and the export holds personal data: its owner's alone, also when it replaces a file
        // others could read.
        PrivateFile::Replacement file(a.options.value("--out"));
        if (!file.open(&error) || !Scoring::exportCsv(file.file(), &error) || !file.commit(&error)) {
            io.err << error << "\n";
            return Cli::Failed;
        }
        return Cli::Success;
    }
    io.out.flush();
    if (QIODevice* device = io.out.device()) {
        if (!Scoring::exportCsv(device, &error)) {
            io.err << error << "\n";
            return Cli::Failed;
        }
        return Cli::Success;
    }
    // A stream over a string (in-process use): export into memory, then append the text.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!Scoring::exportCsv(&buffer, &error)) {
        io.err << error << "\n";
        return Cli::Failed;
    }
    io.out << QString::fromUtf8(buffer.data());
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "export", "export [--format csv|xlsx] [--out FILE]",
    "Writes all subjects, in table order, as CSV (RFC 4180, UTF-8 with a byte-order mark, CR LF\n"
    "line ends) to FILE or standard output: Code, FName, LName, Jens, Sen, Tahsil, Group, Date,\n"
    "Time, V, J, H, A, M, GH, then rank_v..rank_g, weight_v..weight_g, adjusted_v..adjusted_g,\n"
    "code1, code2, code3, math, experimental, humanities, services, industry, agriculture,\n"
    "consistency, differentiation. The result columns hold the texts the scoring window shows;\n"
    "they are empty for a subject without six whole-number totals.\n"
    "--format xlsx writes the same subjects as the look-up window's spreadsheet export (one\n"
    "right-to-left sheet, Persian captions, codes and dates as text, scores as numbers) to FILE;\n"
    "--out is then required. csv is the default.",
    runExport});
