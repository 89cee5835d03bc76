#pragma once
// The message switch, the process-wide message sink and the library's string table.
#include <initializer_list>
#include <string>
#include <string_view>

namespace dulo {

// True while messages may be shown (on from load).
bool MessagesOn();
// Shows a message with the caption "Error" (id 10001) when the switch is on.
void ShowMessage(const std::string& text);

using MessageSinkFn = void (*)(const char* caption, const char* text, void* context);
// A null sink restores the default (standard error).
void SetMessageSink(MessageSinkFn sink, void* context, bool enabled);

// How much of what the library records on its reading paths a host asked to see:
// 0 nothing beyond the usual messages, 1 also the errors, 2 also the warnings.
void SetReportLevel(int level);
// True when the host asked for reports of this kind (warning or error).
bool ReportsShown(bool warning);

// The text of a message id; empty when the id is unknown.
std::string LoadString(int id);
// The text of id with "%1", "%2", ... replaced by the arguments in order.
std::string FormatString(int id, std::initializer_list<std::string_view> args);
// The same replacement on any text.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args);

constexpr int kIdErrorCaption = 10001;

}  // namespace dulo
