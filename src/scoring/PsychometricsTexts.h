#pragma once

// The texts of the item analysis, the norm tables, the retest comparison and the aspiration
// code, in the windows, the reports and the companion tool.
namespace PsychometricsTexts {
inline constexpr char Boy[] = "پسر";
inline constexpr char Girl[] = "دختر";

inline constexpr char FlagEasy[] = "آسان";
inline constexpr char FlagHard[] = "دشوار";
inline constexpr char FlagWeak[] = "ضعیف";

inline constexpr char CongruenceLow[] = "کم";
inline constexpr char CongruenceMedium[] = "متوسط";
inline constexpr char CongruenceHigh[] = "زیاد";
inline constexpr char BadCode[] = "کد را با سه حرف متفاوت از «و ج ه الف م ق» بنویسید";

// Why a value is missing.
inline constexpr char FewForPercentile[] =
    "کمتر از 30 نفر در این گروه هنجاری؛ رتبه درصدی داده نمی‌شود";
inline constexpr char NoCell[] = "جدول هنجار گروهی برای جنس و کلاس این آزمودنی ندارد";
inline constexpr char TooFewSubjects[] =
    "برای این محاسبه دست‌کم دو آزمودنی پاسخ‌داده لازم است";
inline constexpr char NoVariance[] =
    "نمره‌ها در این گروه تغییری ندارند؛ همبستگی تعریف نمی‌شود";

// The norm table file.
inline constexpr char NotANormTable[] = "این پرونده جدول هنجار مراول نیست";
inline constexpr char NormTableVersion[] = "نسخه‌ی این جدول هنجار شناخته نیست";
inline constexpr char NormTableDamaged[] = "جدول هنجار آسیب دیده است";
inline constexpr char AllSubjects[] = "همه";

// The item report.
inline constexpr char ItemReportTitle[] = "تحلیل گویه‌ها";
inline constexpr char ItemButton[] = "تحلیل گویه‌ها";
inline constexpr char ItemReportN[] = "تعداد آزمودنی‌های پاسخ‌داده: ";
inline constexpr char ItemReportAlpha[] = "ضریب آلفا: ";
inline constexpr char ItemColumnKey[] = "گویه";
inline constexpr char ItemColumnPart[] = "بخش";
inline constexpr char ItemColumnText[] = "متن";
inline constexpr char ItemColumnP[] = "p";
inline constexpr char ItemColumnR[] = "r";
inline constexpr char ItemColumnAlphaIfDeleted[] = "آلفا بدون گویه";
inline constexpr char ItemColumnBoys[] = "p پسران";
inline constexpr char ItemColumnGirls[] = "p دختران";
inline constexpr char ItemColumnFlags[] = "نشانه";
inline constexpr char HexagonTitle[] = "ترتیب شش‌ضلعی";
// %1 %2 %3: the means of the adjacent, alternate and opposite pairs; %4 the index.
inline constexpr char HexagonWords[] =
    "میانگین همبستگی تیپ‌های همسایه %1، یک‌درمیان %2 و روبه‌رو %3 "
    "است؛ "
    "شاخص "
    "هم‌خوانی ترتیب دایره‌ای %4.";
inline constexpr char HexagonHolds[] = "ترتیب دایره‌ای در این داده‌ها برقرار است.";
inline constexpr char HexagonWeak[] = "ترتیب دایره‌ای در این داده‌ها ضعیف است.";
inline constexpr char Undefined[] = "تعریف نشده";

// The scoring window and the result report.
inline constexpr char NormLabel[] = "جدول هنجار: ";
inline constexpr char NormNone[] = "بدون جدول هنجار";
inline constexpr char NormButton[] = "جدول هنجار";
// %1: the table's file name, %2: the cell, %3: its N.
inline constexpr char NormCell[] = "هنجار: %1، گروه %2 (N = %3)";
inline constexpr char PercentileRow[] = "رتبه درصدی";
inline constexpr char TRow[] = "نمره T";
inline constexpr char SemRow[] = "دامنه ±1 خطای معیار";
inline constexpr char AspirationLabel[] = "کد شغل آرمانی: ";
// %1: the code, %2: M, %3: its words.
inline constexpr char AspirationResult[] = "هم‌خوانی با کد %1: M = %2 از 28 (%3)";
inline constexpr char CompareButton[] = "مقایسه";
inline constexpr char CompareTitle[] = "مقایسه‌ی دو اجرا";
inline constexpr char CompareSecondPrompt[] = " كد آزمودني اجرای دوم را وارد كنيد ";
inline constexpr char CompareDiff[] = "تفاوت";
inline constexpr char CompareRci[] = "RCI";
inline constexpr char CompareReliable[] = "تغییر معنادار";
inline constexpr char CompareFirstLetter[] = "حرف نخست دو کد: ";
inline constexpr char CompareSet[] = "سه حرف دو کد: ";
inline constexpr char Agrees[] = "یکسان";
inline constexpr char Differs[] = "متفاوت";
inline constexpr char CompareFirstRow[] = "اجرای نخست";
inline constexpr char CompareSecondRow[] = "اجرای دوم";
inline constexpr char CompareYes[] = "بله";
// %1: the cell whose SEMs were used.
inline constexpr char CompareSemFrom[] = "خطای معیار از گروه %1";
// %1: M, %2: its words.
inline constexpr char CompareIachan[] = "هم‌خوانی دو کد: M = %1 از 28 (%2)";
// %1, %2: the codes of the first and the second administration.
inline constexpr char CompareCodes[] = "کد اجرای نخست %1؛ کد اجرای دوم %2";
// %1, %2: the subject codes, %3, %4: their dates.
inline constexpr char CompareSubjects[] = "اجرای نخست: آزمودنی %1 (%3)؛ اجرای دوم: آزمودنی %2 (%4)";
inline constexpr char CompareFirstSubject[] = "ابتدا آزمودنی اجرای نخست را انتخاب کنید";
inline constexpr char ComparePrint[] = "چاپ مقایسه";
inline constexpr char PercentileChart[] = "شش‌ضلعی با رتبه درصدی";
inline constexpr char PercentileChartCaption[] = "نیم‌رخ رغبت‌ها (رتبه درصدی)";
} // namespace PsychometricsTexts
