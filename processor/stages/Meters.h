#pragma once
// Ballistics of the five meters and the hand-off of their values to the
// editor's meter controls.
#include "processor/dsp/CachedMath.h"
#include "processor/stages/OutputStage.h"

#include <cmath>

namespace torvik {

class IEditorGraphics;

struct Meters {
    // Meter states, following their sources; 1.0 at construction, so a fresh
    // meter falls from full scale.
    double meterPre = 1.0;
    double meterMain = 1.0;
    double meterDeEss = 1.0;
    double meterGate = 1.0;
    double meterComp = 1.0;

    // Editor control indices of the meters, stored when the editor attaches
    // them; an index outside the editor's control list is skipped.
    int meterPreControl = -1;
    int meterMainControl = -1;
    int meterDeEssControl = -1;
    int meterGateControl = -1;
    int meterCompControl = -1;

    // Moves each state toward its source and hands it to its control, in
    // meter order. graphics() gives the attached editor context or null; it
    // is asked before every meter, and the update stops once it is null.
    template <typename GraphicsSource>
    void Update(const MeterSources& sources, double fs, GraphicsSource graphics) {
        // One-pole that covers 99 % of a step in 0.3 s.
        const double k = coefficientExp(-4.60517018599 / (0.3 * fs));
        const Entry entries[5] = {
            {&meterPre, meterPreControl, sources.pre},
            {&meterMain, meterMainControl, sources.main},
            {&meterDeEss, meterDeEssControl, sources.deEss},
            {&meterGate, meterGateControl, sources.gate},
            {&meterComp, meterCompControl, sources.comp},
        };
        for (const Entry& e : entries) {
            IEditorGraphics* context = graphics();
            if (!context)
                return;
            *e.state = Follow(*e.state, e.source, k);
            HandOff(*context, e.control, *e.state);
        }
    }

    // One ballistic step: a rising meter aims 1.25 % above the level, a
    // falling one 1.25 % below it.
    static double Follow(double state, double v, double k) {
        const double t = v > state ? v * 1.0125 : v * 0.9875;
        return t + k * (state - t);
    }

private:
    dsp::CachedExp coefficientExp; // the ballistic coefficient from the sample rate

    struct Entry {
        double* state; // the meter's state
        int control;   // its editor control index
        double source; // its source value for this sample
    };
    static void HandOff(IEditorGraphics& context, int control, double value);
};

} // namespace torvik
