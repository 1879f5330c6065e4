#pragma once
// The messages of the main database on a server (UTF-8).
namespace DatabaseText {
// Start-up or an action could not reach the server: this text, CR LF, the server, CR LF, the reason.
inline constexpr const char* ServerFailed = "اتصال به پايگاه داده سرور برقرار نشد";
// The reason when the server's database lacks the program's tables.
inline constexpr const char* NoTables = "جدولهاي برنامه در اين پايگاه داده ساخته نشده است";
// database.conf names no usable server: this text, CR LF, the file, CR LF, the reason.
inline constexpr const char* ConfigUnusable = "پرونده تنظيم پايگاه داده قابل استفاده نيست";
// A subject's test is open on another seat.
inline constexpr const char* TestOpenElsewhere = "آزمون اين آزمودني در رايانه ديگري باز است";
} // namespace DatabaseText
