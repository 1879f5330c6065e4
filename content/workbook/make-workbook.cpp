// Writes the blank answer workbook the program ships: the sheet the import reads, the marker
// in Z3, each questionnaire item's text beside its answer cell in column C, headings in the
// rows the import skips, and data validation that keeps tick cells to 0/1 and ratings to 1-7.
//
//   make-workbook OUT.xlsx [questionnaire.json]
//
// The item texts come from the questionnaire content; without it the text cells stay empty.
#include "questionnaire/AnswerColumns.h"
#include "records/WorkbookImport.h"
#include "records/WorkbookReader.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <xlsxwriter.h>

namespace {
const char* const TypeCaption[6] = {"و", "ج", "ه", "الف", "م", "ق"};
// The workbook's own captions, in standard Persian ("\u200c" is the half-space); the digits
// are the ones typed into the cells.
const char* const Title = "پاسخ\u200cنامه\u200cی پرسشنامه\u200cی رغبت\u200cسنج تحصیلی - شغلی مراول";
const char* const HowTo = "در ستون C برای هر گزینه\u200cای که درباره\u200cی شما درست است عدد 1 و در غیر این صورت 0 "
                          "بنویسید؛ در خودسنجی\u200cها عددی از 1 تا 7 بنویسید.";
const char* const TickError = "فقط 0 یا 1";
const char* const RatingError = "فقط عددی از 1 تا 7";
const char* const SkillsHeading = "مهارت\u200cها";

struct Formats {
    lxw_format* title;
    lxw_format* heading;
    lxw_format* text;
    lxw_format* answer;
    lxw_format* number;
    lxw_format* marker;
};

lxw_format* font(lxw_workbook* wb)
{
    lxw_format* f = workbook_add_format(wb);
    format_set_font_name(f, "B Nazanin");
    format_set_font_size(f, 12);
    format_set_reading_order(f, 2); // right to left
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    return f;
}

void validate(lxw_worksheet* ws, int firstRow, int lastRow, double min, double max, const char* error)
{
    lxw_data_validation v = {};
    v.validate = LXW_VALIDATION_TYPE_INTEGER;
    v.criteria = LXW_VALIDATION_CRITERIA_BETWEEN;
    v.minimum_number = min;
    v.maximum_number = max;
    v.error_title = const_cast<char*>("Meravel");
    v.error_message = const_cast<char*>(error);
    v.input_message = const_cast<char*>(error);
    worksheet_data_validation_range(ws, lxw_row_t(firstRow - 1), 2, lxw_row_t(lastRow - 1), 2, &v);
}

QByteArray text(const QJsonObject& object, const QString& key) { return object.value(key).toString().toUtf8(); }
} // namespace

int main(int argc, char** argv)
{
    QTextStream err(stderr);
    if (argc < 2) {
        err << "usage: make-workbook OUT.xlsx [questionnaire.json]\n";
        return 2;
    }
    QJsonObject content;
    if (argc > 2) {
        QFile f(QString::fromLocal8Bit(argv[2]));
        if (f.open(QIODevice::ReadOnly))
            content = QJsonDocument::fromJson(f.readAll()).object();
    }
    const QJsonObject items = content.value("items").toObject();
    const QJsonObject ratings = content.value("ratings").toObject();
    const QJsonObject instructions = content.value("instructions").toObject();

    lxw_workbook* wb = workbook_new(argv[1]);
    if (!wb) {
        err << "cannot create " << argv[1] << "\n";
        return 1;
    }
    lxw_doc_properties props = {};
    props.title = const_cast<char*>(Title);
    workbook_set_properties(wb, &props);

    lxw_worksheet* ws = workbook_add_worksheet(wb, WorkbookImport::SheetName);
    worksheet_right_to_left(ws);
    worksheet_activate(ws);

    Formats f;
    f.title = font(wb);
    format_set_bold(f.title);
    format_set_font_size(f.title, 14);
    f.heading = font(wb);
    format_set_bold(f.heading);
    format_set_text_wrap(f.heading);
    format_set_bg_color(f.heading, 0xD9E1F2);
    f.text = font(wb);
    format_set_text_wrap(f.text);
    format_set_align(f.text, LXW_ALIGN_RIGHT);
    f.answer = font(wb);
    format_set_align(f.answer, LXW_ALIGN_CENTER);
    format_set_border(f.answer, LXW_BORDER_THIN);
    format_set_bg_color(f.answer, 0xFFF2CC);
    format_set_unlocked(f.answer);
    f.number = font(wb);
    format_set_align(f.number, LXW_ALIGN_CENTER);
    format_set_font_color(f.number, 0x808080);
    f.marker = workbook_add_format(wb);
    format_set_font_color(f.marker, 0xBFBFBF);

    worksheet_set_column(ws, 0, 0, 6, nullptr);
    worksheet_set_column(ws, 1, 1, 70, nullptr);
    worksheet_set_column(ws, 2, 2, 10, nullptr);
    // The marker column stays out of the way; the import only checks its text.
    lxw_row_col_options hidden = {};
    hidden.hidden = 1;
    worksheet_set_column_opt(ws, 25, 25, 10, f.marker, &hidden);

    worksheet_write_string(ws, 0, 1, Title, f.title);
    worksheet_write_string(ws, 0, 2, "", f.title);
    int r = 0, c = 0;
    WorkbookReader::parseAddress(WorkbookImport::MarkerCell, &r, &c);
    worksheet_write_string(ws, lxw_row_t(r - 1), lxw_col_t(c - 1), WorkbookImport::MarkerText, f.marker);

    const char* const partKey[3] = {"1", "2", "3"};
    for (int table = 1; table <= 3; ++table) {
        const QJsonObject tableItems = items.value(AnswerColumns::tableName(table)).toObject();
        int number = 0;
        for (int t = 0; t < AnswerColumns::TypeCount; ++t) {
            const int first = WorkbookImport::answerRow(table, t, 1);
            const int last = WorkbookImport::answerRow(table, t, AnswerColumns::itemsPerType(table));
            // The row above each block (row 2 before the first) is skipped by the import.
            QByteArray heading = QByteArray(TypeCaption[t]);
            if (t == 0 && instructions.contains(partKey[table - 1]))
                heading = text(instructions, partKey[table - 1]) + "  (" + TypeCaption[t] + ")";
            worksheet_write_string(ws, lxw_row_t(first - 2), 1, heading.constData(), f.heading);
            worksheet_write_string(ws, lxw_row_t(first - 2), 2, "", f.heading);
            worksheet_set_row(ws, lxw_row_t(first - 2), t == 0 ? 48 : 20, nullptr);
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k) {
                const lxw_row_t row = lxw_row_t(WorkbookImport::answerRow(table, t, k) - 1);
                worksheet_write_number(ws, row, 0, ++number, f.number);
                worksheet_write_string(ws, row, 1, text(tableItems, AnswerColumns::column(table, t, k)).constData(),
                                       f.text);
                worksheet_write_blank(ws, row, 2, f.answer);
            }
            validate(ws, first, last, 0, 1, TickError);
        }
    }
    // How to fill it in, as a note on the first heading's answer cell.
    worksheet_write_comment(ws, 1, 2, HowTo);

    for (int k = 1; k <= 2; ++k) {
        const int first = WorkbookImport::answerRow(4, 0, k);
        const QByteArray heading = k == 1 && instructions.contains("4") ? text(instructions, "4") : QByteArray(SkillsHeading);
        worksheet_write_string(ws, lxw_row_t(first - 2), 1, heading.constData(), f.heading);
        worksheet_write_string(ws, lxw_row_t(first - 2), 2, "", f.heading);
        worksheet_set_row(ws, lxw_row_t(first - 2), k == 1 ? 110 : 20, nullptr);
        for (int t = 0; t < AnswerColumns::TypeCount; ++t) {
            const lxw_row_t row = lxw_row_t(WorkbookImport::answerRow(4, t, k) - 1);
            worksheet_write_number(ws, row, 0, t + 1 + 6 * (k - 1), f.number);
            worksheet_write_string(ws, row, 1, text(ratings, AnswerColumns::column(4, t, k)).constData(), f.text);
            worksheet_write_blank(ws, row, 2, f.answer);
        }
        validate(ws, first, WorkbookImport::answerRow(4, 5, k), 1, 7, RatingError);
    }
    worksheet_freeze_panes(ws, 1, 0);

    const lxw_error rc = workbook_close(wb);
    if (rc != LXW_NO_ERROR) {
        err << "cannot write " << argv[1] << ": " << lxw_strerror(rc) << "\n";
        return 1;
    }
    return 0;
}
