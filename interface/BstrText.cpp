// The UTF-8 form of a BSTR, for hosts that read the texts the exports hand over.
#include "dulo/DuloModelDataLib.h"
#include "interface/ExportGuard.h"
#include "platform/TextConv.h"

#include <climits>
#include <string>

extern "C" int DuloUtf8FromBstr(BSTR text, char* buffer, int size) {
    // A failure leaves an empty text, never a half-written one.
    if (buffer && size > 0) *buffer = '\0';
    return dulo::ExportGuard(-1, [&] {
        const std::string utf8 = dulo::Utf8FromBstr(text);
        dulo::CopyUtf8(buffer, size > 0 ? size_t(size) : 0, utf8);
        return utf8.size() > size_t(INT_MAX) ? INT_MAX : int(utf8.size());
    });
}
