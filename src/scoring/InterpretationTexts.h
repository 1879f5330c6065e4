#pragma once

// The texts of the profile chart, the interpretation indices, the answer-quality notes and
// the group summary report.
namespace InterpretationTexts {
inline constexpr char ChartCaption[] = "نیم‌رخ رغبت‌ها";
inline constexpr char ConsistencyLabel[] = "همسانی: ";
inline constexpr char ConsistencyHigh[] = "زیاد (دو تیپ نخست همسايه‌اند)";
inline constexpr char ConsistencyMedium[] = "متوسط (دو تیپ نخست یک تیپ فاصله دارند)";
inline constexpr char ConsistencyLow[] = "کم (دو تیپ نخست روبه‌روی هم‌اند)";
inline constexpr char DifferentiationLabel[] = "تمایز: ";
// %1: the differentiation; the words follow from it.
inline constexpr char DifferentiationValue[] = "%1 از 50";
inline constexpr char DifferentiationLowWords[] = "نیم‌رخ کم‌تمایز";
inline constexpr char DifferentiationMiddleWords[] = "تمایز متوسط";
inline constexpr char DifferentiationHighWords[] = "نیم‌رخ متمایز";
inline constexpr char PairLabel[] = "دو تیپ نخست: ";
inline constexpr char QualityNoteTitle[] = "توجه: ";
inline constexpr char FlagNoRatings[] =
    "هیچ‌یک از دوازده خودسنجی بخش چهارم پاسخ داده نشده است.";
inline constexpr char FlagEqualRatings[] = "همه خودسنجی‌های داده‌شده یکسان‌اند.";
inline constexpr char FlagFewTicks[] =
    "در بخش‌های اول تا سوم کمتر از 20 مورد علامت خورده است.";
inline constexpr char FlagFlatProfile[] =
    "نیم‌رخ هموار است: فاصله بیشترین و کمترین نمره کمتر از 5 است.";

inline constexpr char GroupButton[] = "گزارش گروه";
inline constexpr char GroupTitle[] = "گزارش گروه";
inline constexpr char GroupSubjects[] = "تعداد آزمودنی‌ها: ";
inline constexpr char GroupAnswered[] = "پاسخ داده: ";
inline constexpr char GroupNotAnswered[] = "پاسخ نداده: ";
inline constexpr char GroupSelection[] = "انتخاب: ";
inline constexpr char GroupAll[] = "همه آزمودنی‌ها";
inline constexpr char GroupFilterGroup[] = "گروه ";
inline constexpr char GroupFilterClass[] = "کلاس ";
inline constexpr char GroupFilterFrom[] = "از ";
inline constexpr char GroupFilterTo[] = "تا ";
inline constexpr char GroupFilterFirstName[] = "نام ";
inline constexpr char GroupFilterLastName[] = "نام خانوادگی ";
inline constexpr char GroupFilterCode[] = "کد ";
inline constexpr char GroupLeading[] = "تیپ نخست آزمودنی‌ها";
inline constexpr char GroupCodes[] = "ده کد سه‌حرفی پرتکرار";
inline constexpr char GroupCodeHeading[] = "کد";
inline constexpr char GroupCountHeading[] = "تعداد";
inline constexpr char GroupPercentHeading[] = "درصد";
inline constexpr char GroupRankHeading[] = "ردیف";
inline constexpr char GroupTotals[] = "نمره‌های رغبت";
inline constexpr char GroupMean[] = "میانگین";
inline constexpr char GroupSd[] = "انحراف معیار";
inline constexpr char GroupStreams[] = "میانگین نمره رشته‌ها";
inline constexpr char GroupConsistency[] = "همسانی دو تیپ نخست";
inline constexpr char GroupHigh[] = "زیاد";
inline constexpr char GroupMedium[] = "متوسط";
inline constexpr char GroupLow[] = "کم";
inline constexpr char GroupNone[] =
    "هیچ آزمودنی پاسخ‌داده‌ای در این انتخاب نیست.";
} // namespace InterpretationTexts
