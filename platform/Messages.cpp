#include "platform/Messages.h"

#include "dulo/DuloModelDataLib.h"

#include <cstdio>

namespace dulo {

namespace {

struct Sink {
    MessageSinkFn fn = nullptr;
    void* context = nullptr;
    bool enabled = true;
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

}  // namespace dulo

extern "C" void DuloSetMessageSink(DuloMessageSink sink, void* context, int enabled) {
    dulo::SetMessageSink(sink, context, enabled != 0);
}
