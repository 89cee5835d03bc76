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
    std::string caption = LoadString(kIdErrorCaption);
    if (sink.fn) {
        sink.fn(caption.c_str(), text.c_str(), sink.context);
    } else {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
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

}  // namespace dulo

extern "C" void DuloSetMessageSink(DuloMessageSink sink, void* context, int enabled) {
    dulo::SetMessageSink(sink, context, enabled != 0);
}

extern "C" void DuloSetReportLevel(int level) { dulo::SetReportLevel(level); }
