#pragma once

#include <string>

#include "core/BiasPoint.h"
#include "core/LoadLine.h"

namespace core {

// The material chosen in the main window; None when neither option is set.
enum class Material { None, Silicon, Germanium };

// The base-emitter drop the calculation takes for a material (0 for None).
inline double VbeOf(Material material) {
    if (material == Material::Silicon) return kVbeSilicon;
    if (material == Material::Germanium) return kVbeGermanium;
    return 0;
}

// The six inputs of a Calculate as the numbers it read, and the material.
struct Stage {
    double Vcc = 0;
    double Beta = 0;
    double R1 = 0;
    double R2 = 0;
    double Rc = 0;
    double Re = 0;
    Material material = Material::None;

    double Vbe() const { return VbeOf(material); }
};

// One Calculate as the other windows see it: what it read and what came of
// it. The main window hands these on only for a Calculate that showed line 1.
struct Calculation {
    Stage stage;
    BiasOutcome outcome;
};

// The six texts and the material that another window writes into the main
// window's boxes; None leaves the material as it is.
struct StageTexts {
    std::string Vcc;
    std::string Beta;
    std::string R1;
    std::string R2;
    std::string Rc;
    std::string Re;
    Material material = Material::Silicon;
};

// What the load line takes of a stage.
inline StageInputs LoadLineInputs(const Stage& stage) {
    return {stage.Vcc, stage.Beta, stage.Rc, stage.Re, stage.Vbe()};
}

inline LoadLine MakeLoadLine(const Calculation& calculation) {
    return MakeLoadLine(LoadLineInputs(calculation.stage), calculation.outcome);
}

}  // namespace core
