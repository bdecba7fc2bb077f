// The scenario table: every stage alone with its switches both ways, the
// combinations that interact, the whole strip, sidechains, signals, block
// splits, changes between blocks and sample rates.
#include "reference/Scenario.h"
#include "support/EngagedSettings.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace torvik::reference {

namespace {

// Parameter indices, named as the strip names them.
enum Param : int {
    kPreampGain = 0,
    kPreampHpf = 1,
    kMainInput = 2,
    kMainOutput = 3,
    kDeEssRelease = 4,
    kDeEssThreshold = 5,
    kDeEssMix = 6,
    kGateMix = 7,
    kGateRelease = 8,
    kGateThreshold = 9,
    kLowGain = 10,
    kLowMidFreq = 11,
    kLowMidGain = 12,
    kHighMidFreq = 13,
    kHighMidGain = 14,
    kHighGain = 15,
    kCompThreshold = 16,
    kCompRatio = 17,
    kCompMix = 18,
    kPreampBypass = 20,
    kPad = 21,
    kPhase = 22,
    kHpfSwitch = 23,
    kMic = 24,
    kLowBoost = 25,
    kHighBoost = 26,
    kTransformer = 27,
    kMainBypass = 28,
    kDeEssBypass = 29,
    kDeEssBand = 30,
    kDeEssSoft = 31,
    kGateBypass = 32,
    kGateFast = 33,
    kEqBypass = 34,
    kCompBypass = 35,
    kCompFast = 36,
    kCompAutoRelease = 37,
    kExternalSidechain = 38,
    kSidechainHpf = 39,
};

using Settings = std::vector<ParamSetting>;

Settings Join(std::initializer_list<Settings> parts) {
    Settings all;
    for (const Settings& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Scenario Make(std::string name, Settings settings, Signal main = Signal::Voice,
              double level = 0.5) {
    Scenario s;
    s.name = std::move(name);
    s.settings = std::move(settings);
    s.main = main;
    s.level = level;
    return s;
}

// Every stage in the path with settings a vocal would get, the compressor keyed
// from the equaliser.
const Settings& AllStages() {
    static const Settings all = {
        {kPreampGain, 12.0},    {kPreampHpf, 90.0},     {kHpfSwitch, 1},
        {kTransformer, 1},      {kLowBoost, 1},         {kDeEssBypass, 1},
        {kDeEssThreshold, -45}, {kDeEssMix, 0.8},       {kGateBypass, 1},
        {kGateThreshold, 40.0}, {kGateRelease, 60.0},   {kGateMix, 0.9},
        {kEqBypass, 1},         {kLowGain, 4.0},        {kLowMidFreq, 500.0},
        {kLowMidGain, -6.0},    {kHighMidFreq, 3500.0}, {kHighMidGain, 5.0},
        {kHighGain, -3.0},      {kCompBypass, 1},       {kCompThreshold, -24.0},
        {kCompRatio, 6.0},      {kCompMix, 0.85},       {kMainOutput, -2.0},
    };
    return all;
}

// Every stage and every switch in, the compressor keyed from the external sidechain.
const Settings& Engaged() {
    static const Settings all = [] {
        Settings table;
        for (const testing::EngagedSetting& e : testing::kEngagedSettings)
            table.push_back({e.index, e.value});
        return table;
    }();
    return all;
}

// The setting a scenario gives a switch, or the switch's default.
double SwitchSetting(const Settings& settings, int index) {
    double value = (index == kPreampBypass || index == kMainBypass) ? 1.0 : 0.0;
    for (const ParamSetting& p : settings)
        if (p.index == index)
            value = p.value;
    return value;
}

// Automation over a programme: every seventh block moves the compressor threshold,
// the low mid gain, the de-esser threshold and the preamp's high-pass corner; every
// fourth block flips one switch of a cycle of nine (settings other than the defaults
// only), so stopped filters resume and the output glide holds while the main section
// is off.
std::vector<BlockChange> ProgrammeAutomation(const Settings& settings, int blocks) {
    constexpr int kMoveEvery = 7, kMoveAt = 3, kMoveSteps = 5;
    constexpr int kFlipEvery = 4, kFlipAt = 2;
    const int flips[] = {kEqBypass,     kDeEssBypass, kHpfSwitch,  kTransformer, kMainBypass,
                         kSidechainHpf, kPhase,       kGateBypass, kLowBoost};
    std::vector<BlockChange> changes;
    std::vector<double> switches(kSidechainHpf + 1);
    for (int index : flips)
        switches[static_cast<std::size_t>(index)] = SwitchSetting(settings, index);
    for (int block = 0; block < blocks; ++block) {
        if (block % kMoveEvery == kMoveAt) {
            const double t = block % kMoveSteps;
            changes.push_back({block, kCompThreshold, -10.0 - 4.0 * t});
            changes.push_back({block, kLowMidGain, 3.0 - 2.0 * t});
            changes.push_back({block, kDeEssThreshold, -20.0 - 7.0 * t});
            changes.push_back({block, kPreampHpf, 20.0 + 40.0 * t});
        }
        if (block % kFlipEvery == kFlipAt && !settings.empty()) {
            const int flip = flips[static_cast<std::size_t>(block / kFlipEvery) % std::size(flips)];
            double& value = switches[static_cast<std::size_t>(flip)];
            value = 1.0 - value;
            changes.push_back({block, flip, value});
        }
    }
    return changes;
}

// A preamp out of the path passes the main input through a plain gain, so nothing of
// its waveshaper reaches the output.
const Settings kPreampSkipped = {{kPreampBypass, 0}};

// The whole strip with every switch in, over signals, levels, block sizes and lengths.
void AddEngagedRows(std::vector<Scenario>& list) {
    for (double fs : {44100.0, 48000.0, 96000.0, 192000.0}) {
        Scenario s =
            Make("engaged @" + std::to_string(static_cast<int>(fs)), Engaged(), Signal::Voice, 0.7);
        s.sampleRate = fs;
        s.sidechain = Signal::Bass;
        list.push_back(s);
    }
    struct Row {
        const char* name;
        Signal main;
        double level;
        Signal sidechain;
        std::vector<int> blocks;
        double seconds;
    };
    const Row rows[] = {
        {"engaged, silence", Signal::Silence, 0.0, Signal::Silence, {512}, 0.25},
        {"engaged, very quiet voice (-100 dB)", Signal::Voice, 1e-5, Signal::Bass, {512}, 0.5},
        {"engaged, full-scale sine", Signal::Sine, 1.0, Signal::Bass, {512}, 0.25},
        {"engaged, near full scale", Signal::NearFull, 0.0, Signal::Voice, {37}, 0.25},
        {"engaged, sibilant, 37-frame blocks", Signal::Sibilant, 0.6, Signal::Bass, {37}, 0.25},
        {"engaged, single-sample blocks", Signal::Voice, 0.7, Signal::Bass, {1}, 0.05},
        {"engaged, 4096-frame blocks, three seconds",
         Signal::Voice,
         0.7,
         Signal::Bass,
         {4096},
         3.0},
        {"engaged, silent sidechain bus", Signal::Voice, 0.7, Signal::Silence, {512}, 0.25},
    };
    for (const Row& row : rows) {
        Scenario s = Make(row.name, Engaged(), row.main, row.level);
        s.sidechain = row.sidechain;
        s.blockSizes = row.blocks;
        s.seconds = row.seconds;
        list.push_back(s);
    }
    Scenario internal =
        Make("engaged, internal sidechain, four seconds", Engaged(), Signal::Programme, 0.7);
    internal.settings.push_back({kExternalSidechain, 0});
    internal.seconds = 4.0;
    internal.blockSizes = {4096, 512};
    list.push_back(internal);
}

// A low rate, where the de-esser's 15 and 16 kHz corners, the equaliser's 15 kHz shelf
// and the high boost's 12 kHz shelf reach half the sample rate.
void AddLowRateRows(std::vector<Scenario>& list) {
    constexpr double kLowRate = 22050.0;
    const std::pair<const char*, Settings> rows[] = {
        {"defaults", {}},
        {"all stages", AllStages()},
        {"engaged", Engaged()},
        {"preamp high boost", {{kPreampGain, 18.0}, {kHighBoost, 1}}},
        {"de-esser", {{kDeEssBypass, 1}, {kDeEssThreshold, -50.0}}},
        {"eq all bands",
         {{kEqBypass, 1},
          {kLowGain, -7.0},
          {kLowMidGain, 9.0},
          {kHighMidGain, -4.0},
          {kHighMidFreq, 8200.0},
          {kHighGain, 11.0}}},
        {"compressor", {{kCompBypass, 1}, {kCompThreshold, -30.0}, {kCompRatio, 4.0}}},
    };
    for (const auto& [label, settings] : rows) {
        Scenario s = Make(std::string(label) + " @22050", settings, Signal::Sibilant, 0.6);
        s.sampleRate = kLowRate;
        s.sidechain = Signal::Bass;
        s.blockSizes = {37, 512};
        s.seconds = 0.5;
        list.push_back(s);
    }
}

// A vocal programme with automation and switch flips between blocks of changing size,
// over settings that engage each stage and each switch, at the supported rates.
void AddProgrammeRows(std::vector<Scenario>& list) {
    const std::pair<const char*, Settings> cases[] = {
        {"defaults", {}},
        {"all stages", AllStages()},
        {"every switch on", Engaged()},
        {"preamp colour only",
         {{kPreampGain, 24.0},
          {kTransformer, 1},
          {kLowBoost, 1},
          {kHighBoost, 1},
          {kHpfSwitch, 1},
          {kPreampHpf, 250}}},
        {"preamp skipped, main input acts",
         Join({AllStages(), {{kPreampBypass, 0}, {kMainInput, 1.0}}})},
        {"de-esser alone",
         {{kDeEssBypass, 1}, {kDeEssThreshold, -60}, {kDeEssRelease, 5}, {kPreampGain, 0}}},
        {"gate alone", {{kGateBypass, 1}, {kGateThreshold, 20}, {kGateRelease, 1}, {kGateMix, 1}}},
        {"equaliser extremes",
         {{kEqBypass, 1},
          {kLowGain, 15},
          {kLowMidGain, 15},
          {kLowMidFreq, 1200},
          {kHighMidGain, -15},
          {kHighMidFreq, 1500},
          {kHighGain, 15}}},
        {"compressor external filtered",
         {{kCompBypass, 1},
          {kCompThreshold, -40},
          {kCompRatio, 20},
          {kExternalSidechain, 1},
          {kSidechainHpf, 1},
          {kCompAutoRelease, 1}}},
        {"compressor internal fast",
         {{kCompBypass, 1},
          {kCompThreshold, -30},
          {kCompRatio, 1.5},
          {kCompFast, 1},
          {kCompMix, 0.5}}},
        {"main section off", Join({AllStages(), {{kMainBypass, 0}}})},
    };
    // Cases also run just at 32 kHz, where the de-esser's shelf sits at half the rate.
    const char* const at32k[] = {"defaults",           "preamp colour only",
                                 "de-esser alone",     "gate alone",
                                 "equaliser extremes", "compressor external filtered"};
    constexpr double kSeconds = 0.35;
    auto add = [&list](const char* label, const Settings& settings, double fs) {
        Scenario s =
            Make(std::string("programme, ") + label + " @" + std::to_string(static_cast<int>(fs)),
                 settings, Signal::Programme, 0.6);
        s.sampleRate = fs;
        s.sidechain = Signal::Programme;
        s.seconds = kSeconds;
        s.blockSizes = {512, 1, 37, 1024, 300};
        s.changes = ProgrammeAutomation(settings, static_cast<int>(kSeconds * fs));
        list.push_back(s);
    };
    for (const auto& [label, settings] : cases)
        for (double fs : {44100.0, 48000.0, 88200.0, 96000.0, 192000.0})
            add(label, settings, fs);
    for (const char* label : at32k)
        for (const auto& [name, settings] : cases)
            if (std::string(name) == label)
                add(label, settings, 32000.0);
}

// Rows where only filters, envelopes and gains reach the outputs and meters: the
// preamp is out of the path, the signals stay below the de-esser's threshold and
// the compressor sits at its inactive 0 dB threshold. They must agree to the bit.
void AddExactRows(std::vector<Scenario>& list) {
    // Low enough that even the onsets of the bass bursts stay below the de-esser's
    // highest threshold.
    constexpr double kExactLevel = 0.05;
    struct Row {
        const char* name;
        Settings settings;
        Signal main;
        std::vector<int> blocks;
    };
    const Row rows[] = {
        {"exact: main input +6, output -12 dB",
         {{kMainInput, 6.0}, {kMainOutput, -12.0}},
         Signal::Sine,
         {512}},
        {"exact: main section off", {{kMainBypass, 0}, {kMainInput, 6.0}}, Signal::Sine, {37}},
        {"exact: gate",
         {{kGateBypass, 1}, {kGateThreshold, 30.0}, {kGateRelease, 60.0}, {kGateMix, 0.7}},
         Signal::Bass,
         {512, 1, 4096}},
        {"exact: gate fast attack, 1 ms release",
         {{kGateBypass, 1}, {kGateThreshold, 20.0}, {kGateRelease, 1.0}, {kGateFast, 1}},
         Signal::Bass,
         {37}},
        {"exact: compressor in at 0 dB threshold",
         {{kCompBypass, 1}, {kCompMix, 0.6}},
         Signal::Bass,
         {512}},
    };
    for (const Row& row : rows) {
        Scenario s = Make(row.name, Join({kPreampSkipped, row.settings}), row.main, kExactLevel);
        s.blockSizes = row.blocks;
        s.seconds = 0.5;
        s.bitExact = true;
        list.push_back(s);
    }
    // Gliding gains: the output and input gains automated between blocks.
    Scenario glide =
        Make("exact: gains automated between blocks", kPreampSkipped, Signal::Sine, kExactLevel);
    glide.blockSizes = {256};
    glide.changes = {{4, kMainOutput, -20.0}, {9, kMainOutput, 8.0}, {12, kMainInput, -6.0},
                     {30, kMainOutput, 0.0},  {31, kMainBypass, 0},  {36, kMainBypass, 1}};
    glide.seconds = 0.5;
    glide.bitExact = true;
    list.push_back(glide);
}

// What starting to process does: every glide at its target from the first sample, and
// a second start clears the filters and envelopes while the meters carry on.
void AddActivationRows(std::vector<Scenario>& list) {
    {
        Scenario s = Make("activation: gains stand at their targets",
                          Join({kPreampSkipped, {{kMainInput, 6.0}, {kMainOutput, -12.0}}}),
                          Signal::Sine, 0.3);
        s.blockSizes = {64};
        s.seconds = 0.05;
        s.bitExact = true;
        list.push_back(s);
    }
    {
        Scenario s = Make("activation: engaged, restarted mid-run", Engaged(), Signal::Voice, 0.7);
        s.sidechain = Signal::Bass;
        s.blockSizes = {512};
        s.changes = {{10, kReactivate, 0.0}, {12, kMainOutput, -8.0}, {20, kReactivate, 0.0}};
        s.seconds = 0.5;
        list.push_back(s);
    }
    {
        Scenario s = Make("activation: restarted at a new rate", AllStages(), Signal::Voice, 0.6);
        s.blockSizes = {480};
        s.changes = {{10, kNewSampleRate, 96000.0}, {10, kReactivate, 0.0}};
        list.push_back(s);
    }
    // A plug-in driven without activation starts from construction: every glide from 0.
    for (const auto& [label, settings] :
         {std::pair<const char*, Settings>{"defaults", {}}, {"engaged", Engaged()}}) {
        Scenario s = Make(std::string("never activated: ") + label + ", glides in from 0", settings,
                          Signal::Voice, 0.6);
        s.sidechain = Signal::Bass;
        s.activate = false;
        list.push_back(s);
    }
}

} // namespace

std::vector<Scenario> AllScenarios() {
    std::vector<Scenario> list;
    const Settings drive = {{kPreampGain, 18.0}};

    // Defaults at every sample rate.
    for (double fs : {44100.0, 48000.0, 96000.0, 192000.0}) {
        Scenario s = Make("defaults @" + std::to_string(static_cast<int>(fs)), {});
        s.sampleRate = fs;
        list.push_back(s);
    }

    // Preamp, driven, with each switch flipped alone.
    list.push_back(Make("preamp driven", drive));
    list.push_back(Make("preamp pad", Join({drive, {{kPad, 1}}})));
    list.push_back(Make("preamp phase", Join({drive, {{kPhase, 1}}})));
    list.push_back(Make("preamp hpf 180 Hz", Join({drive, {{kHpfSwitch, 1}, {kPreampHpf, 180}}})));
    list.push_back(Make("preamp hpf off, corner moved", Join({drive, {{kPreampHpf, 180}}})));
    list.push_back(Make("preamp mic", Join({drive, {{kMic, 1}}})));
    list.push_back(Make("preamp low boost", Join({drive, {{kLowBoost, 1}}})));
    list.push_back(Make("preamp high boost", Join({drive, {{kHighBoost, 1}}})));
    list.push_back(Make("preamp transformer", Join({drive, {{kTransformer, 1}}}), Signal::Loud));
    list.push_back(Make("preamp bypassed, input +6 dB",
                        Join({drive, {{kPreampBypass, 0}, {kMainInput, 6.0}}})));
    list.push_back(Make("preamp all switches",
                        Join({drive,
                              {{kPad, 1},
                               {kPhase, 1},
                               {kHpfSwitch, 1},
                               {kPreampHpf, 120},
                               {kMic, 1},
                               {kLowBoost, 1},
                               {kHighBoost, 1},
                               {kTransformer, 1}}}),
                        Signal::Loud));
    list.push_back(
        Make("preamp max drive, near full scale", {{kPreampGain, 30.0}}, Signal::NearFull));

    // Main section.
    list.push_back(Make("main bypassed", Join({drive, {{kMainBypass, 0}}})));
    list.push_back(Make("main input +12, output -12", {{kMainInput, 12.0}, {kMainOutput, -12.0}}));

    // De-esser with its switches, engaged and skipped.
    const Settings deEss = {{kDeEssBypass, 1}, {kDeEssThreshold, -50.0}};
    list.push_back(Make("de-esser", deEss, Signal::Sibilant, 0.6));
    list.push_back(Make("de-esser soft", Join({deEss, {{kDeEssSoft, 1}}}), Signal::Sibilant, 0.6));
    list.push_back(Make("de-esser band", Join({deEss, {{kDeEssBand, 1}}}), Signal::Sibilant, 0.6));
    list.push_back(Make("de-esser mix 0.4, release 5 ms",
                        Join({deEss, {{kDeEssMix, 0.4}, {kDeEssRelease, 5.0}}}), Signal::Voice));
    list.push_back(
        Make("de-esser skipped, detecting", {{kDeEssThreshold, -50.0}}, Signal::Sibilant, 0.6));

    // Gate.
    const Settings gate = {{kGateBypass, 1}, {kGateThreshold, 30.0}};
    list.push_back(Make("gate", gate));
    list.push_back(Make("gate fast attack", Join({gate, {{kGateFast, 1}}})));
    list.push_back(
        Make("gate mix 0.5, release 1 ms", Join({gate, {{kGateMix, 0.5}, {kGateRelease, 1.0}}})));
    list.push_back(Make("gate threshold 0 (closes)", {{kGateBypass, 1}, {kGateThreshold, 0.0}}));
    list.push_back(Make("gate skipped, keyed", {{kGateThreshold, 30.0}}));

    // Equaliser (inputs kept within full scale).
    list.push_back(Make("eq flat", {{kEqBypass, 1}}));
    list.push_back(Make("eq low shelf +12", {{kEqBypass, 1}, {kLowGain, 12.0}}));
    list.push_back(
        Make("eq low mid -12 @ 300", {{kEqBypass, 1}, {kLowMidGain, -12.0}, {kLowMidFreq, 300.0}}));
    list.push_back(Make("eq high mid +15 @ 6000",
                        {{kEqBypass, 1}, {kHighMidGain, 15.0}, {kHighMidFreq, 6000.0}}));
    list.push_back(Make("eq high shelf -15", {{kEqBypass, 1}, {kHighGain, -15.0}}));
    list.push_back(Make("eq all bands",
                        {{kEqBypass, 1},
                         {kLowGain, -7.0},
                         {kLowMidGain, 9.0},
                         {kHighMidGain, -4.0},
                         {kHighGain, 11.0}},
                        Signal::Noise, 0.4));

    // Compressor.
    const Settings comp = {{kCompBypass, 1}, {kCompThreshold, -30.0}, {kCompRatio, 4.0}};
    list.push_back(Make("compressor", comp));
    list.push_back(Make("compressor fast attack", Join({comp, {{kCompFast, 1}}})));
    list.push_back(Make("compressor auto release", Join({comp, {{kCompAutoRelease, 1}}})));
    list.push_back(Make("compressor mix 0.3", Join({comp, {{kCompMix, 0.3}}})));
    list.push_back(Make("compressor threshold -60, ratio 20",
                        {{kCompBypass, 1}, {kCompThreshold, -60.0}, {kCompRatio, 20.0}}));
    list.push_back(Make("compressor skipped, detecting", {{kCompThreshold, -30.0}}));
    list.push_back(Make("compressor internal sidechain hpf", Join({comp, {{kSidechainHpf, 1}}})));
    {
        Scenario s = Make("compressor external sidechain", Join({comp, {{kExternalSidechain, 1}}}));
        s.sidechain = Signal::Bass;
        list.push_back(s);
        s.name = "compressor external sidechain + hpf";
        s.settings.push_back({kSidechainHpf, 1});
        list.push_back(s);
        s.name = "compressor external sidechain, silent bus";
        s.sidechain = Signal::Silence;
        list.push_back(s);
        s.name = "compressor external + hpf + auto release + fast";
        s.sidechain = Signal::Voice;
        s.settings.push_back({kCompAutoRelease, 1});
        s.settings.push_back({kCompFast, 1});
        list.push_back(s);
    }

    // The whole strip, over signals and sample rates.
    for (double fs : {44100.0, 48000.0, 96000.0, 192000.0}) {
        Scenario s = Make("all stages @" + std::to_string(static_cast<int>(fs)), AllStages());
        s.sampleRate = fs;
        list.push_back(s);
    }
    list.push_back(Make("all stages, loud", AllStages(), Signal::Loud));
    list.push_back(Make("all stages, sibilant", AllStages(), Signal::Sibilant, 0.6));
    list.push_back(Make("all stages, noise", AllStages(), Signal::Noise, 0.5));
    list.push_back(Make("all stages, silence", AllStages(), Signal::Silence));
    list.push_back(Make("all stages, near full scale", AllStages(), Signal::NearFull));
    list.push_back(Make("all stages, sine", AllStages(), Signal::Sine, 0.7));
    {
        Scenario s = Make("all stages, external sidechain", AllStages());
        s.settings.push_back({kExternalSidechain, 1});
        s.settings.push_back({kSidechainHpf, 1});
        s.sidechain = Signal::Bass;
        list.push_back(s);
    }

    // Long runs: a difference below the 32-bit rounding of a filter's output can take
    // many thousands of samples to surface.
    {
        Scenario s = Make("all stages, four seconds", AllStages());
        s.seconds = 4.0;
        s.sidechain = Signal::Bass;
        list.push_back(s);
        s = Make("preamp all switches, four seconds",
                 {{kPreampGain, 6.0},
                  {kHpfSwitch, 1},
                  {kPreampHpf, 140},
                  {kMic, 1},
                  {kLowBoost, 1},
                  {kHighBoost, 1},
                  {kTransformer, 1}},
                 Signal::Noise, 0.7);
        s.seconds = 4.0;
        list.push_back(s);
    }

    // Block splits, empty blocks included.
    {
        Scenario s = Make("all stages, ragged blocks", AllStages());
        s.blockSizes = {1, 7, 64, 333, 0, 1024, 2};
        list.push_back(s);
        // Single-sample blocks also compare the meter states at every sample.
        s.name = "all stages, single-sample blocks";
        s.blockSizes = {1};
        s.seconds = 0.05;
        s.main = Signal::Sibilant;
        list.push_back(s);
        s.name = "defaults, single-sample blocks";
        s.settings = {};
        s.blockSizes = {1};
        s.seconds = 0.05;
        list.push_back(s);
    }

    // Changes between blocks: glides, per-block set-up and instant values.
    {
        Scenario s = Make("all stages, changes between blocks", AllStages());
        s.blockSizes = {256};
        s.changes = {
            {3, kPreampGain, -6.0},     {3, kPreampHpf, 200.0},    {5, kMainInput, 8.0},
            {6, kMainOutput, -10.0},    {8, kDeEssThreshold, -20}, {9, kDeEssRelease, 150.0},
            {10, kGateThreshold, 10.0}, {11, kLowGain, -9.0},      {12, kLowMidFreq, 1000.0},
            {13, kHighMidGain, -12.0},  {14, kHighGain, 8.0},      {15, kCompThreshold, -40.0},
            {16, kCompRatio, 2.0},      {17, kCompMix, 0.5},       {18, kGateMix, 0.3},
            {19, kDeEssMix, 0.2},       {20, kCompThreshold, 0.0},
        };
        list.push_back(s);
    }
    // Each switch flipped away from its setting and back between blocks: a filter that
    // stopped resumes from its old state, a glide continues from where it stood.
    const std::pair<int, const char*> switches[] = {
        {kPreampBypass, "preamp bypass"},
        {kPad, "pad"},
        {kPhase, "phase"},
        {kHpfSwitch, "hpf switch"},
        {kMic, "mic"},
        {kLowBoost, "low boost"},
        {kHighBoost, "high boost"},
        {kTransformer, "transformer"},
        {kMainBypass, "main bypass"},
        {kDeEssBypass, "de-esser bypass"},
        {kDeEssBand, "de-esser band"},
        {kDeEssSoft, "de-esser soft"},
        {kGateBypass, "gate bypass"},
        {kGateFast, "gate fast attack"},
        {kEqBypass, "eq bypass"},
        {kCompBypass, "compressor bypass"},
        {kCompFast, "compressor fast attack"},
        {kCompAutoRelease, "compressor auto release"},
        {kExternalSidechain, "external sidechain"},
        {kSidechainHpf, "sidechain hpf"},
    };
    for (const auto& [index, label] : switches) {
        Scenario s = Make(std::string("flip ") + label + " between blocks", AllStages());
        s.blockSizes = {200};
        const double setting = SwitchSetting(AllStages(), index);
        s.changes = {{5, index, 1.0 - setting}, {20, index, setting}};
        s.sidechain = Signal::Bass;
        s.seconds = 0.5;
        list.push_back(s);
    }
    {
        // All switches in turn, each away from its setting for two blocks.
        Scenario s = Make("switches flipped in turn", AllStages());
        s.blockSizes = {200};
        int block = 1;
        for (const auto& [index, label] : switches) {
            const double setting = SwitchSetting(AllStages(), index);
            s.changes.push_back({block, index, 1.0 - setting});
            s.changes.push_back({block + 2, index, setting});
            block += 3;
        }
        s.sidechain = Signal::Bass;
        s.seconds = 0.4;
        list.push_back(s);
    }
    {
        Scenario s = Make("sample rate changed 48k -> 96k mid-run", AllStages());
        s.blockSizes = {480};
        s.changes = {{10, -1, 96000.0}};
        list.push_back(s);
    }
    // Every continuous parameter at the bottom, then at the top of its range, all stages on
    // (the main input kept at 0 dB so that the equaliser sees no more than full scale).
    {
        Settings low = AllStages(), high = AllStages();
        for (int index = kPreampGain; index <= kCompMix; ++index) {
            if (index == kMainInput)
                continue;
            low.push_back({index, -1e9}); // clamped to the minimum
            high.push_back({index, 1e9}); // clamped to the maximum
        }
        list.push_back(Make("every value at its minimum", low, Signal::Voice, 0.9));
        list.push_back(Make("every value at its maximum", high, Signal::Voice, 0.9));
        Scenario s =
            Make("main input +30 into the de-esser, gate and compressor", {{kMainInput, 30.0},
                                                                           {kDeEssBypass, 1},
                                                                           {kGateBypass, 1},
                                                                           {kCompBypass, 1},
                                                                           {kCompThreshold, -10.0},
                                                                           {kPreampBypass, 0}});
        list.push_back(s);
    }

    // Seeded random settings: every switch and value drawn afresh, over the four rates and
    // the signals; the main input stays at or below 0 dB so the equaliser sees no more
    // than full scale.
    {
        std::uint32_t seed = 20261210u;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<double>(seed >> 8) / 16777216.0; // 0 to 1
        };
        const Signal signals[] = {Signal::Voice, Signal::Sibilant, Signal::Noise,
                                  Signal::Sine,  Signal::Loud,     Signal::NearFull};
        const double rates[] = {44100.0, 48000.0, 96000.0, 192000.0};
        for (int n = 0; n < 32; ++n) {
            Scenario s = Make("random settings #" + std::to_string(n), {});
            s.normalisedSettings = true;
            for (int index = kPreampGain; index <= kCompMix; ++index)
                s.settings.push_back({index, next()});
            for (int index = kPreampBypass; index <= kSidechainHpf; ++index)
                s.settings.push_back({index, next() < 0.5 ? 0.0 : 1.0});
            s.settings.push_back({kMainInput, 0.5 * next()}); // -30 to 0 dB
            s.main = signals[n % 6];
            s.sidechain = n % 3 == 0 ? Signal::Bass : Signal::Voice;
            s.sampleRate = rates[(n / 6) % 4];
            s.seconds = 0.1;
            s.blockSizes = {static_cast<int>(1 + next() * 700), static_cast<int>(next() * 64)};
            list.push_back(s);
        }
    }

    // An unusual rate just above 32 kHz, where every corner is still below half the rate.
    {
        Scenario s = Make("all stages @32500", AllStages(), Signal::Sibilant, 0.6);
        s.sampleRate = 32500.0;
        list.push_back(s);
    }
    AddEngagedRows(list);
    AddLowRateRows(list);
    AddProgrammeRows(list);
    AddExactRows(list);
    AddActivationRows(list);
    return list;
}

} // namespace torvik::reference
