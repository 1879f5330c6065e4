#pragma once
// The messages of the main database (UTF-8), most of them about a server.
namespace DatabaseText {
// Start-up or an action could not reach the server: this text, CR LF, the server, CR LF, the reason.
inline constexpr const char* ServerFailed = "اتصال به پايگاه داده سرور برقرار نشد";
// The reason when the server's database lacks the program's tables.
inline constexpr const char* NoTables = "جدولهاي برنامه در اين پايگاه داده ساخته نشده است";
// database.conf names no usable server: this text, CR LF, the file, CR LF, the reason.
inline constexpr const char* ConfigUnusable = "پرونده تنظيم پايگاه داده قابل استفاده نيست";
// A subject's test is open on another seat.
inline constexpr const char* TestOpenElsewhere = "آزمون اين آزمودني در رايانه ديگري باز است";
// The database file stayed locked by another seat for the whole busy time-out.
inline constexpr const char* FileBusy = "پايگاه داده در دست رايانه ديگري است؛ چند لحظه بعد دوباره امتحان کنيد";
// The server gave no answer within the client's limit; the action was abandoned.
inline constexpr const char* ServerSilent = "سرور پاسخ نداد؛ کار انجام نشد و چيزي نيمه کاره نماند";
} // namespace DatabaseText
