#pragma once

// User messages shown by more than one window or command, each written once.
namespace Messages {
// A key other than a digit in a number field.
inline constexpr char DigitsOnly[] = "شما بايد عدد وارد كنيد";
// An empty subject code where one is needed.
inline constexpr char NoCode[] = "شما بايد شماره آزمودني مورد نظر را وارد كنيد";
// The prompt of the box that asks for a subject code.
inline constexpr char CodePrompt[] = " كد آزمودني را وارد كنيد ";
// A subject code that is not registered.
inline constexpr char SubjectNotFound[] = "فردي با اين مشخصات وجود ندارد";
} // namespace Messages
