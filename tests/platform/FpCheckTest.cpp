#include "platform/FpCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using platform::FpFault;
using platform::FpStep;

// Operands pass through a volatile so the optimiser cannot fold the
// arithmetic away: the checks must hold in the build that ships.
double Opaque(double v) {
    volatile double held = v;
    return held;
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();

FpFault FaultOf(double (FpStep::*op)(double, double), double a, double b) {
    FpStep step;
    (step.*op)(Opaque(a), Opaque(b));
    return step.Fault();
}

TEST(FpStepTest, DetectsTheThreeFaultKinds) {
    EXPECT_EQ(FaultOf(&FpStep::Div, 1.0, 0.0), FpFault::DivisionByZero);
    EXPECT_EQ(FaultOf(&FpStep::Div, -3.5, -0.0), FpFault::DivisionByZero);
    EXPECT_EQ(FaultOf(&FpStep::Div, 0.0, 0.0), FpFault::InvalidOperation);
    EXPECT_EQ(FaultOf(&FpStep::Sub, kInf, kInf), FpFault::InvalidOperation);
    EXPECT_EQ(FaultOf(&FpStep::Mul, kInf, 0.0), FpFault::InvalidOperation);
    EXPECT_EQ(FaultOf(&FpStep::Mul, kMax, 2.0), FpFault::Overflow);
    EXPECT_EQ(FaultOf(&FpStep::Add, kMax, kMax), FpFault::Overflow);
    EXPECT_EQ(FaultOf(&FpStep::Sub, -kMax, kMax), FpFault::Overflow);
    // A tiny divisor overflows; it is not a division by zero.
    EXPECT_EQ(FaultOf(&FpStep::Div, 1e300, 1e-300), FpFault::Overflow);
}

TEST(FpStepTest, UnderflowDenormalAndInexactPass) {
    EXPECT_EQ(FaultOf(&FpStep::Mul, 1e-200, 1e-200), FpFault::None);  // underflow to 0
    EXPECT_EQ(FaultOf(&FpStep::Div, 1e-300, 1e10), FpFault::None);    // denormal
    EXPECT_EQ(FaultOf(&FpStep::Div, 1.0, 3.0), FpFault::None);         // inexact
    EXPECT_EQ(FaultOf(&FpStep::Mul, kMax, 1.0), FpFault::None);
}

TEST(FpStepTest, NonFiniteOperandsRaiseNothingNew) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(FaultOf(&FpStep::Add, nan, 1.0), FpFault::None);
    EXPECT_EQ(FaultOf(&FpStep::Mul, kInf, 2.0), FpFault::None);
    EXPECT_EQ(FaultOf(&FpStep::Div, kInf, 0.0), FpFault::None);
}

TEST(FpStepTest, KeepsTheFirstFaultUntilCleared) {
    FpStep step;
    const double inf = step.Mul(Opaque(kMax), Opaque(10.0));
    const double nan = step.Sub(inf, inf);  // invalid on its own, but overflow came first
    EXPECT_TRUE(std::isnan(nan));
    EXPECT_EQ(step.Fault(), FpFault::Overflow);
    step.Clear();
    EXPECT_FALSE(step.Failed());
    step.Div(Opaque(0.0), Opaque(0.0));
    EXPECT_EQ(step.Fault(), FpFault::InvalidOperation);
}

TEST(FpStepTest, ResultsAreTheOrdinaryRoundedOperations) {
    FpStep step;
    EXPECT_EQ(step.Add(Opaque(0.1), Opaque(0.2)), 0.1 + 0.2);
    EXPECT_EQ(step.Div(Opaque(2.0), Opaque(3.0)), 2.0 / 3.0);
    EXPECT_EQ(step.Square(Opaque(-1.5)), 2.25);
    EXPECT_FALSE(step.Failed());
}

}  // namespace
