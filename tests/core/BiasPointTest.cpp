#include "core/BiasPoint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using core::BiasOutcome;
using core::BuildResultLines;
using core::ComputeBiasPoint;
using core::kVbeGermanium;
using core::kVbeSilicon;
using platform::FpFault;
using Lines = std::vector<std::string>;

struct Inputs {
    double Vcc = 12, Beta = 100, R1 = 22000, R2 = 4700, Rc = 2200, Re = 470;
    double Vbe = kVbeSilicon;
};

BiasOutcome Compute(const Inputs& in) {
    return ComputeBiasPoint(in.Vcc, in.Beta, in.R1, in.R2, in.Rc, in.Re, in.Vbe);
}

TEST(BiasPointTest, SiliconExampleGivesTheSixLines) {
    const BiasOutcome outcome = Compute({});
    ASSERT_TRUE(outcome.ok());
    EXPECT_NEAR(outcome.point.Vth, 2.112, 5e-4);
    EXPECT_NEAR(outcome.point.Rth, 3873, 0.5);
    EXPECT_EQ(BuildResultLines(outcome),
              (Lines{
                  "Ic = 2.946 mA  Ve = 1.398 Volts  Vc = 5.520 Volts",
                  "R1 Power = 4.547e-3 Watts   R2 Power = 849.6e-6 Watts",
                  "Re Power = 4.160e-3 Watts   Rc Power = 19.09e-3 Watts",
                  "            Collector Dissipation = 12.14e-3 Watts",
                  "For Rc = 0, Collector Dissipation = 31.23e-3 Watts",
                  "                 Stability Factor = 8.240",
              }));
}

TEST(BiasPointTest, GermaniumKeepsTheFixedDropInThePowersOfR1AndR2) {
    Inputs in;
    in.Vbe = kVbeGermanium;
    EXPECT_EQ(BuildResultLines(Compute(in)),
              (Lines{
                  "Ic = 3.919 mA  Ve = 1.861 Volts  Vc = 3.377 Volts",
                  "R1 Power = 4.136e-3 Watts   R2 Power = 1.288e-3 Watts",
                  "Re Power = 7.365e-3 Watts   Rc Power = 33.80e-3 Watts",
                  "            Collector Dissipation = 5.944e-3 Watts",
                  "For Rc = 0, Collector Dissipation = 39.74e-3 Watts",
                  "                 Stability Factor = 8.240",
              }));
}

TEST(BiasPointTest, NoMaterialComputesWithZeroDrop) {
    Inputs in;
    in.Vbe = 0;
    const Lines lines = BuildResultLines(Compute(in));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Ic = 4.114 mA  Ve = 1.953 Volts  Vc = 2.949 Volts");
    EXPECT_EQ(lines[5], "                 Stability Factor = 8.240");
}

TEST(BiasPointTest, NegativeResultsAreShownWithTheirSign) {
    const BiasOutcome outcome = Compute({1, 1, 1, 1, 1, 1, kVbeSilicon});
    ASSERT_TRUE(outcome.ok());
    EXPECT_NEAR(outcome.point.Ic, -40.0, 1e-9);  // mA, not clamped
    EXPECT_EQ(BuildResultLines(outcome),
              (Lines{
                  "Ic = -40.00 mA  Ve = -80.00e-3 Volts  Vc = 1.040 Volts",
                  "R1 Power = 230.4e-3 Watts   R2 Power = 270.4e-3 Watts",
                  "Re Power = 6.400e-3 Watts   Rc Power = 1.600e-3 Watts",
                  "            Collector Dissipation = -44.80e-3 Watts",
                  "For Rc = 0, Collector Dissipation = -43.20e-3 Watts",
                  "                 Stability Factor = 500.0e-3",
              }));
}

TEST(BiasPointTest, LabelsOfTheLastThreeLinesLineUp) {
    const Lines lines = BuildResultLines(Compute({}));
    ASSERT_EQ(lines.size(), 6u);
    for (std::size_t i = 3; i < 6; ++i) {
        EXPECT_EQ(lines[i].find_first_of("0123456789-", 35), 36u) << lines[i];
    }
}

struct FaultRow {
    const char* what;
    Inputs inputs;
    int step;
    FpFault fault;
    std::size_t linesShown;  // 0: the list is left as it was
};

TEST(BiasPointTest, StopsAtTheFirstFaultingStep) {
    const double big = 1e200;
    const FaultRow rows[] = {
        {"all boxes empty", {0, 0, 0, 0, 0, 0, 0}, 1, FpFault::InvalidOperation, 0},
        {"R1 + R2 = 0", {12, 100, 1000, -1000, 2200, 470}, 1, FpFault::DivisionByZero, 0},
        {"Rth overflows", {12, 100, big, big, 2200, 470}, 2, FpFault::Overflow, 0},
        {"Re = 0 and R1 = 0", {12, 100, 0, 4700, 2200, 0}, 3, FpFault::DivisionByZero, 0},
        {"Beta = 0", {12, 0, 22000, 4700, 2200, 470}, 4, FpFault::InvalidOperation, 0},
        {"Vc overflows", {1e300, 1, 1, 1, 1e10, 1}, 5, FpFault::Overflow, 0},
        {"Ic in mA overflows", {1e308, 1, 1, 1, 1, 1}, 6, FpFault::Overflow, 0},
        {"R1 = 0", {12, 100, 0, 4700, 2200, 470}, 7, FpFault::DivisionByZero, 1},
        {"Re = 0", {12, 100, 22000, 4700, 2200, 0}, 9, FpFault::InvalidOperation, 1},
        {"Rc = 0", {12, 100, 22000, 4700, 0, 470}, 10, FpFault::InvalidOperation, 1},
        {"Pc overflows", {1e153, 1, 1, 1, 1e-200, 1e-200}, 11, FpFault::Overflow, 1},
        {"Pc0 overflows", {2e153, 1, 1, 1, 1, 1e-200}, 12, FpFault::Overflow, 1},
    };
    for (const FaultRow& row : rows) {
        const BiasOutcome outcome = Compute(row.inputs);
        EXPECT_EQ(outcome.faultStep, row.step) << row.what;
        EXPECT_EQ(outcome.fault, row.fault) << row.what;
        EXPECT_EQ(BuildResultLines(outcome).size(), row.linesShown) << row.what;
    }
}

TEST(BiasPointTest, EarlierStepsStayFilledWhenAStepFaults) {
    Inputs in;
    in.Rc = 0;
    const BiasOutcome outcome = Compute(in);
    ASSERT_EQ(outcome.faultStep, 10);
    EXPECT_EQ(outcome.point.Vc, 12.0);
    EXPECT_GT(outcome.point.PR2, 0.0);
    EXPECT_EQ(BuildResultLines(outcome),
              Lines{"Ic = 2.946 mA  Ve = 1.398 Volts  Vc = 12.00 Volts"});
}

// With R1 = 0 or R2 = 0 the base of the square is nearly zero; whether it is
// exactly zero (0/0) or not (x/0) depends on the last bit of Ve.
TEST(BiasPointTest, ZeroDividerResistorFaultFollowsTheBase) {
    for (double Vcc : {12.0, 5.0, 9.0, 15.0, 24.0, 1.0, 3.3}) {
        Inputs in;
        in.Vcc = Vcc;
        in.R1 = 0;
        BiasOutcome outcome = Compute(in);
        EXPECT_EQ(outcome.faultStep, 7);
        const double baseR1 = Vcc - (outcome.point.Ve + 0.6);
        EXPECT_EQ(outcome.fault,
                  baseR1 == 0 ? FpFault::InvalidOperation : FpFault::DivisionByZero);

        in.R1 = 22000;
        in.R2 = 0;
        outcome = Compute(in);
        EXPECT_EQ(outcome.faultStep, 8);
        const double baseR2 = outcome.point.Ve + 0.6;
        EXPECT_EQ(outcome.fault,
                  baseR2 == 0 ? FpFault::InvalidOperation : FpFault::DivisionByZero);
    }
}

TEST(BiasPointTest, DescribesTheFaultInPlainWords) {
    Inputs in;
    in.R1 = 0;
    const BiasOutcome outcome = Compute(in);
    EXPECT_EQ(core::DescribeFault(outcome, in.Beta, in.R1, in.R2, in.Rc, in.Re),
              "Division by zero while computing the power in R1 (R1 is 0).");
    in = Inputs{};
    in.Beta = 0;
    EXPECT_EQ(core::DescribeFault(Compute(in), in.Beta, in.R1, in.R2, in.Rc, in.Re),
              "Invalid operation while computing the emitter voltage (Beta is 0).");
    in = Inputs{1e308, 1, 1, 1, 1, 1};
    EXPECT_EQ(core::DescribeFault(Compute(in), in.Beta, in.R1, in.R2, in.Rc, in.Re),
              "Overflow while computing the collector current in mA.");
}

}  // namespace
