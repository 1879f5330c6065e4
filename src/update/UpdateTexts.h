#pragma once
#include <QString>

// The texts of the update and download windows.
namespace UpdateTexts {
inline const QString NoConnection = QStringLiteral("ارتباط شما با اينترنت برقرار نمي باشد ");
inline const QString LatestVersion = QStringLiteral("شما آخرين ورژن نرم افزار را داريد  ");
inline const QString Instruction = QStringLiteral("جهت به روز رساني نرم افزار ابتدا اتصال به اينترنت را چک کنيد سپس روي دکمه آپديت کليک کنيد");
inline const QString CheckButton = QStringLiteral("بررسي آپديت جديد");
inline const QString ExitButton = QStringLiteral("خروج");
inline const QString MessageCaption = QStringLiteral("پيام");
inline const QString PleaseWait = QStringLiteral("Please wait...");
inline const QString ProgressCaption = QStringLiteral("Downloading File ... ");
inline const QString DownloadButton = QStringLiteral("دانلود");
inline const QString CancelButton = QStringLiteral("انصراف");
inline const QString CloseButton = QStringLiteral("بستن");
inline const QString Downloaded = QStringLiteral("دانلود فايل با موفقيت به پايان رسيد ");
inline const QString AddressLabel = QStringLiteral("Address File :");
inline const QString NotConfigured = QStringLiteral(
    "سرور به‌روزرسانی برای این نسخه تعیین نشده است.");
inline const QString BadSignature = QStringLiteral("امضای فایل دانلودشده معتبر نیست");
} // namespace UpdateTexts
