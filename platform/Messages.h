#pragma once
// The message switch, the process-wide message sink and the formatting of messages.
#include <initializer_list>
#include <string>
#include <string_view>

namespace dulo {

// One message of the library: its id and its text, with "%1"-style placeholders.
// Each area names its messages beside their texts (see DULO_MESSAGES); the
// library's one table of them all is put together where the library is.
struct Message {
    int id;
    const char* text;
};

// Declares the messages of a list as named constants and as the table `table`.
// A list is a macro that calls its argument once per message:
//   #define AREA_MESSAGES(M) M(kIdSomething, 10500, "Something went wrong.")
#define DULO_MESSAGE_CONSTANT(name, id, text) inline constexpr ::dulo::Message name{id, text};
#define DULO_MESSAGE_ENTRY(name, id, text) name,
#define DULO_MESSAGES(table, LIST) \
    LIST(DULO_MESSAGE_CONSTANT)    \
    inline constexpr ::dulo::Message table[] = {LIST(DULO_MESSAGE_ENTRY)};

// The caption of every message box, and the platform's share of the table.
#define DULO_PLATFORM_MESSAGES(M) M(kIdErrorCaption, 10001, "Error")
DULO_MESSAGES(kPlatformMessages, DULO_PLATFORM_MESSAGES)

// True while messages may be shown (on from load).
bool MessagesOn();
// Shows a message with the caption kIdErrorCaption when the switch is on.
void ShowMessage(const std::string& text);

using MessageSinkFn = void (*)(const char* caption, const char* text, void* context);
// A null sink restores the default (standard error).
void SetMessageSink(MessageSinkFn sink, void* context, bool enabled);

// How much of what the library records on its reading paths a host asked to see:
// 0 nothing beyond the usual messages, 1 also the errors, 2 also the warnings.
void SetReportLevel(int level);
// True when the host asked for reports of this kind (warning or error).
bool ReportsShown(bool warning);

// The text of a message with "%1", "%2", ... replaced by the arguments in order.
std::string FormatString(const Message& message, std::initializer_list<std::string_view> args);
// The same replacement on any text.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace dulo
