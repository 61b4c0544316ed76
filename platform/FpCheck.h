#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

enum class FpFault { None, InvalidOperation, DivisionByZero, Overflow };

// Plain words for a fault, e.g. "Division by zero".
std::string_view FpFaultName(FpFault fault);

// An arithmetic error raised by a computation step; `kind` is never None.
class ArithmeticError : public std::runtime_error {
public:
    ArithmeticError(FpFault kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    FpFault kind() const { return kind_; }

private:
    FpFault kind_;
};

// One computation step whose operations are checked for the faults that the
// processor's sticky exception flags would report: invalid operation, division
// by zero and overflow. Underflow, denormal and inexact results pass.
//
// The flags themselves (feclearexcept/fetestexcept) are not used: g++ and clang
// move the arithmetic across the flag test at -O2, so a fault would go unseen
// in the shipped build. Deciding from operands and result is exact instead:
//  - a NaN from operands that are not NaN is an invalid operation,
//  - an infinity from a finite dividend and a zero divisor is a division by zero,
//  - any other infinity from finite operands is an overflow.
// Like the hardware flags, the first fault of a step is kept until Clear().
class FpStep {
public:
    double Add(double a, double b) { return Note(a + b, a, b); }
    double Sub(double a, double b) { return Note(a - b, a, b); }
    double Mul(double a, double b) { return Note(a * b, a, b); }
    double Div(double a, double b);
    double Square(double base) { return Mul(base, base); }

    FpFault Fault() const { return fault_; }
    bool Failed() const { return fault_ != FpFault::None; }
    void Clear() { fault_ = FpFault::None; }

private:
    double Note(double result, double a, double b);

    FpFault fault_ = FpFault::None;
};

}  // namespace platform
