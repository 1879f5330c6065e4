#pragma once
#include "data/Messages.h"

// The texts of the scoring window, exactly as its users know them (blanks included).
namespace ScoringTexts {
inline constexpr char Title[] = "کليد گذاري";
inline constexpr char LabelCode[] = " :کدآزمودني";
inline constexpr char LabelFirstName[] = " :نام";
inline constexpr char LabelLastName[] = " :نام خانوادگي";
inline constexpr char LabelSex[] = " :جنس";
inline constexpr char LabelAge[] = " :سن";
inline constexpr char LabelGrade[] = " :كلاس";
inline constexpr char LabelDate[] = " :تاريخ";
// Captions of the group and time columns of the exported workbook (as the look-up grid and the
// registration form name them).
inline constexpr char ColumnGroup[] = "گروه";
inline constexpr char ColumnTime[] = "ساعت";
inline constexpr char SelectSubject[] = "انتخاب آزمودني";
inline constexpr char PrintSelected[] = "پرينت آزمودني انتخاب شده";
inline constexpr char PrintAll[] = "پرينت کل  آزمودني ها ";
inline constexpr char Help[] = "راهنما";
inline constexpr char Exit[] = " خروج";
inline constexpr char HelpExit[] = "خروج";
inline constexpr char Letters[] = "حروف";
inline constexpr char RawTotals[] = "نمرات رغبت";
inline constexpr char Ranks[] = "رتبه";
inline constexpr char Weights[] = "نمره همخواني";
inline constexpr char Adjusted[] = "نمرات ميزان شده";
inline constexpr char StreamsPanel[] = "نمره رشته هاي تحصيلي";
inline constexpr char StreamMath[] = "نمره رشته علوم رياضي";
inline constexpr char StreamExperimental[] = "نمره رشته علوم تجربي";
inline constexpr char StreamHumanities[] = "نمره رشته علوم انساني";
inline constexpr char StreamServices[] = "نمره رشته  خدمات";
inline constexpr char StreamIndustry[] = "نمره رشته صنعت";
inline constexpr char StreamAgriculture[] = "نمره رشته کشاورزي";
inline constexpr char CodePanel[] = "کد اختصاري";
inline constexpr char CodeFirst[] = "اولين";
inline constexpr char CodeSecond[] = "دومين";
inline constexpr char CodeThird[] = "سومين";
inline constexpr char DescriptionPanel[] = "تيپ شخصيتي";
inline constexpr char HeadingSefat[] = "صفات";
inline constexpr char Heading1[] = "توانايي ها";
inline constexpr char Heading2[] = "نيازمنديها براي کسب مهارت هاي شغلي";
inline constexpr char Heading3[] = "درخواست ها و ارج گذاري ها";
inline constexpr char Heading4[] = "روشهاي شخصي و نحوه خود ابزاري";
inline constexpr char Heading5[] = "نمونه اي از مشاغل";
inline constexpr char PairJoin[] = " و ";
inline constexpr const char* InputPrompt = Messages::CodePrompt;
inline constexpr char InputTitle[] = " کد آزمودني را وارد کنيد";
inline constexpr const char* NoCode = Messages::NoCode;
inline constexpr const char* NotFound = Messages::SubjectNotFound;
inline constexpr char NotAnswered[] = "آزمودني به سوالات پاسخ نداده است";
inline constexpr char PrintFirst[] = "ابتدا روي جستجو کليک کرده سپس کد آزمودني را وارد کنيد بعد روي پرينت کليک کنيد ";
inline constexpr char HelpLine1[] = "در اين قسمت از نرم افزار ابتدا روي انتخاب آزمودني ";
inline constexpr char HelpLine2[] = "کليک کرده سپس کد آزمودني را وارد کنيد و دکمه ";
inline constexpr char HelpLine3[] = "اينتر را فشار دهيد نتيجه آزمون نمايش داده و ذخيره ";
inline constexpr char HelpLine4[] = "خواهد شد در صورتيکه تمايل داريد نتيجه آزمون را ";
inline constexpr char HelpLine5[] = "پرينت بگيريد رو دکمه پرينت آزمودني انتخاب شده ";
inline constexpr char HelpLine6[] = "کليک کنيد و در صورتيکه تمايل به پرينت نتيجه آزمون";
inline constexpr char HelpLine7[] = "کل آزمودنيها را داريد روي دکمه پرينت کل آزمودنيها ";
inline constexpr char HelpLine8[] = "کليک کنيد";
} // namespace ScoringTexts
