#pragma once

// The texts of the backup and exit windows and of the copy routine, exactly as users know
// them (mixed Arabic and Persian letters and the blanks are deliberate).
namespace BackupText {
// backup window title
inline constexpr char BackupCaption[] = "Back up ...  Reastor";
// default backup name, in order
inline constexpr char NamePrefix[] = "meravel";
inline constexpr char NameDate[] = "در تاريخ";
inline constexpr char NameHour[] = " ساعت)";
inline constexpr char NameClose[] = ")";
inline constexpr char NameExtension[] = ".mdbB";
// buttons and captions of the backup window
inline constexpr char PathButton[] = "---";
inline constexpr char BackupButton[] = "BACKUP";
inline constexpr char RestoreButton[] = "REASTOR";
inline constexpr char HelpButton[] = "راهنما";
inline constexpr char ExitButton[] = "خروج";
// file dialogs
inline constexpr char FileFilter[] = "Database Backup |*.mdbB";
// captions
inline constexpr char ErrorCaption[] = "Error";
inline constexpr char Khata[] = "خطا";
// backup
inline constexpr char BackupPathEmpty[] = "لطفا مسير تهيه نسخه پشتيبان را وارد کنيد";
inline constexpr char OverwriteQuestion[] = "فايل پشتيباني با اين نام قبلا ايجاد شده آيا ميخواهيد اين فايل را جايگزين کنيد؟";
inline constexpr char OverwriteRefused[] = "عدم موفقيت در تهيه نسخه پشتيبان";
inline constexpr char BackupDone[] = "نسخه پشتيبان تهيه گرديد";
// restore
inline constexpr char RestorePathEmpty[] = "لطفا مسير فايل مربوطه را وارد کنيد";
inline constexpr char RestoreQuestion[] = "آيا ميخواهيد اطلاعات را بازيابي کنيد؟";
inline constexpr char RestoreDeclined[] = "عدم موفقيت در بازيابي اطلاعات ";
inline constexpr char RestoreDone[] = "بازيابي اطلاعات انجام شد";
inline constexpr char RestoreOtherFailure[] = "تمامي فرم ها را ببندبد به جز فرم اصلي و اين پنجره";
inline constexpr char NotABackup[] = "فایل انتخاب\u200cشده نسخه\u200cی پشتیبان معتبر نیست";
// the copy routine
inline constexpr char CopyFailed[] = "اشکال در ايجاد نسخه پشتيباني";
// exit window
inline constexpr char ExitQuestion[] = "آيا براي خروج از برنامه اطمينان داريد";
inline constexpr char ExitCheck[] = "تهيه نسخه پشتيبان";
inline constexpr char BlinkFirst[] = " تهيه نسخه پشتيبان";
inline constexpr char BlinkSecond[] = "پشتيبان گيري";
} // namespace BackupText
