#include "platform/FpCheck.h"

#include <cmath>

namespace platform {

std::string_view FpFaultName(FpFault fault) {
    switch (fault) {
        case FpFault::InvalidOperation:
            return "Invalid operation";
        case FpFault::DivisionByZero:
            return "Division by zero";
        case FpFault::Overflow:
            return "Overflow";
        case FpFault::None:
            break;
    }
    return "No fault";
}

double FpStep::Note(double result, double a, double b) {
    if (fault_ != FpFault::None) return result;
    if (std::isnan(result) && !std::isnan(a) && !std::isnan(b)) {
        fault_ = FpFault::InvalidOperation;
    } else if (std::isinf(result) && std::isfinite(a) && std::isfinite(b)) {
        fault_ = FpFault::Overflow;
    }
    return result;
}

double FpStep::Div(double a, double b) {
    const double result = a / b;
    if (fault_ == FpFault::None && b == 0.0 && std::isfinite(a) && a != 0.0) {
        fault_ = FpFault::DivisionByZero;
        return result;
    }
    return Note(result, a, b);
}

}  // namespace platform
