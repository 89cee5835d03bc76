#pragma once
// Every export runs its body inside ExportGuard: nothing throws across the
// boundary, any exception becomes the export's documented failure value, and
// an automation error is reported first. Bodies write the caller's VARIANTs
// only at their end (see ScopedVariant), so a failure leaves them untouched.
#include "platform/xml/ComError.h"

#include <utility>

namespace dulo {

template <class Result, class Body>
Result ExportGuard(Result failure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (const CComError& error) {
        try {
            ReportComError(error);
        } catch (...) {
        }
    } catch (...) {
    }
    return failure;
}

}  // namespace dulo
