#include "platform/Messages.h"

#include "dulo/DuloModelDataLib.h"

#include <cstdio>

namespace dulo {

namespace {

struct Sink {
    MessageSinkFn fn = nullptr;
    void* context = nullptr;
    bool enabled = true;
    int reportLevel = 0;  // hosts other than dulo keep the reading paths silent
};

Sink& TheSink() {
    static Sink sink;
    return sink;
}

}  // namespace

bool MessagesOn() { return TheSink().enabled; }

void ShowMessage(const std::string& text) {
    Sink& sink = TheSink();
    if (!sink.enabled) return;
    const char* caption = kIdErrorCaption.text;
    if (sink.fn) {
        sink.fn(caption, text.c_str(), sink.context);
    } else {
        std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
    }
}

void SetMessageSink(MessageSinkFn fn, void* context, bool enabled) {
    Sink& sink = TheSink();
    sink.fn = fn;
    sink.context = context;
    sink.enabled = enabled;
}

void SetReportLevel(int level) { TheSink().reportLevel = level < 0 ? 0 : level; }

bool ReportsShown(bool warning) { return TheSink().reportLevel >= (warning ? 2 : 1); }

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            size_t n = size_t(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string FormatString(const Message& message, std::initializer_list<std::string_view> args) {
    return FormatText(message.text, args);
}

}  // namespace dulo

extern "C" void DuloSetMessageSink(DuloMessageSink sink, void* context, int enabled) {
    dulo::SetMessageSink(sink, context, enabled != 0);
}

extern "C" void DuloSetReportLevel(int level) { dulo::SetReportLevel(level); }
