#include "Report.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace torvik::render {

namespace {

std::string Fixed(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string LoudnessLine(const char* label, const LoudnessFigures& f) {
    return std::string(label) + "integrated " +
           (f.hasIntegrated ? Fixed("%6.1f LUFS", f.integratedLufs) : std::string("silent")) +
           "  range " + Fixed("%5.1f LU", f.rangeLu) + "  true peak " +
           Fixed("%6.1f dBTP", f.truePeakDbtp) + "  max momentary " +
           Fixed("%6.1f LUFS", f.maxMomentaryLufs) + "  max short-term " +
           Fixed("%6.1f LUFS", f.maxShortTermLufs) + "\n";
}

// JSON has no infinity; levels of silence are the floor value, loudness of silence is null.
nlohmann::json LoudnessJson(const std::optional<LoudnessFigures>& f) {
    if (!f)
        return nullptr;
    nlohmann::json j;
    j["integrated_lufs"] = f->hasIntegrated ? nlohmann::json(f->integratedLufs) : nullptr;
    j["loudness_range_lu"] = f->rangeLu;
    j["true_peak_dbtp"] = f->truePeakDbtp;
    j["max_momentary_lufs"] = f->maxMomentaryLufs;
    j["max_short_term_lufs"] = f->maxShortTermLufs;
    return j;
}

} // namespace

std::string FormatSummaryLine(const FileResult& r) {
    std::string line = r.input + " -> " + r.output + ": ";
    if (!r.ok) {
        line += "FAILED: " + r.error;
        return line;
    }
    if (r.kept)
        return line + "kept (exists)";
    line += "peak " + Fixed("%.1f dBFS", r.outputLevels.peakDb);
    if (r.outputLoudness && r.outputLoudness->hasIntegrated)
        line += ", " + Fixed("%.1f LUFS", r.outputLoudness->integratedLufs);
    if (r.outputLoudness && r.outputLoudness->hasTruePeak)
        line += ", " + Fixed("%.1f dBTP", r.outputLoudness->truePeakDbtp);
    if (r.gainAppliedDb != 0)
        line += ", gain " + Fixed("%+.2f dB", r.gainAppliedDb);
    if (r.clippedSamples > 0)
        line += ", " + std::to_string(r.clippedSamples) + " clipped";
    line += ", " + Fixed("%.2f s", r.seconds);
    return line;
}

std::string FormatFileReport(const FileResult& r) {
    std::string text;
    text += "input:  peak " + Fixed("%7.2f dBFS", r.inputLevels.peakDb) + "  RMS " +
            Fixed("%7.2f dBFS", r.inputLevels.rmsDb) + "\n";
    text += "output (" + r.outputFormat + ", " + std::to_string(r.outputRate) +
            " Hz, as written): peak " + Fixed("%7.2f dBFS", r.outputLevels.peakDb) + "  RMS " +
            Fixed("%7.2f dBFS", r.outputLevels.rmsDb) + "  samples above full scale " +
            std::to_string(r.outputLevels.overFullScale) + "  clipped " +
            std::to_string(r.clippedSamples) + "\n";
    const GainReductionFigures& gr = r.gainReduction;
    if (gr.windows == 0) {
        text += "gain reduction: input too quiet to measure\n";
    } else {
        char buf[256];
        std::snprintf(buf, sizeof buf,
                      "gain reduction (input minus output, 50 ms RMS where the input is above "
                      "%.0f dBFS, %zu windows): max %.2f dB  mean %.2f dB  median %.2f dB\n",
                      kQuietWindowDb, gr.windows, gr.maxDb, gr.meanDb, gr.medianDb);
        text += buf;
    }
    if (r.inputLoudness)
        text += LoudnessLine("input loudness:  ", *r.inputLoudness);
    if (r.outputLoudness)
        text += LoudnessLine("output loudness: ", *r.outputLoudness);
    if (r.gainAppliedDb != 0)
        text += "normalisation gain: " + Fixed("%+.2f dB", r.gainAppliedDb) + "\n";
    if (r.limiterSeconds > 0)
        text += "limiter: reduced by up to " + Fixed("%.2f dB", r.limiterReductionDb) + " for " +
                Fixed("%.2f s", r.limiterSeconds) + "\n";
    if (r.fold.checked && r.fold.identical)
        text += "mono input: output channels identical bit for bit\n";
    else if (r.fold.checked)
        text += "mono input: output channels differ by at most " +
                Fixed("%.3g", r.fold.maxDifference) + " (" +
                Fixed("%.1f dBFS", 20.0 * std::log10(r.fold.maxDifference)) + ") until " +
                Fixed("%.3f s", static_cast<double>(r.fold.differentThrough) / r.sampleRate) +
                "; wrote their average\n";
    return text;
}

std::string FormatJsonReport(const RunDescription& run, const std::vector<FileResult>& files) {
    nlohmann::json settings = nlohmann::json::array();
    for (const ResolvedSetting& s : run.settings)
        settings.push_back({{"id", s.id},
                            {"parameter", s.title},
                            {"value", s.plain},
                            {"normalized", s.normalized}});
    nlohmann::json automation = nlohmann::json::array();
    for (const ResolvedAutomation& a : run.automation)
        automation.push_back({{a.entry.inSeconds ? "seconds" : "samples", a.entry.time},
                              {"id", a.setting.id},
                              {"parameter", a.setting.title},
                              {"value", a.setting.plain}});
    nlohmann::json doc;
    doc["plugin"] = run.plugin;
    doc["preset"] = run.preset.empty() ? nlohmann::json(nullptr) : nlohmann::json(run.preset);
    doc["settings"] = settings;
    doc["automation"] = automation;
    doc["block_size"] = run.blockSize;
    doc["precision"] = run.precision;
    doc["normalize_lufs"] =
        run.normalizeLufs ? nlohmann::json(*run.normalizeLufs) : nlohmann::json(nullptr);
    doc["true_peak_limit_dbtp"] = run.truePeakLimitDbtp;
    doc["jobs"] = run.jobs;
    doc["seconds"] = run.seconds;
    nlohmann::json list = nlohmann::json::array();
    std::size_t failed = 0;
    for (const FileResult& r : files) {
        nlohmann::json f;
        f["input"] = r.input;
        f["output"] = r.output;
        f["ok"] = r.ok;
        f["written"] = r.written;
        f["error"] = r.ok ? nlohmann::json(nullptr) : nlohmann::json(r.error);
        f["warnings"] = r.warnings;
        f["sample_rate"] = r.sampleRate;
        f["channels"] = r.channels;
        f["frames"] = r.frames;
        f["seconds"] = r.seconds;
        // Each file carries the settings it was rendered with, so one entry stands alone.
        f["settings"] = settings;
        f["automation"] = automation;
        f["block_size"] = run.blockSize;
        f["precision"] = run.precision;
        f["normalize_lufs"] = doc["normalize_lufs"];
        f["true_peak_limit_dbtp"] = run.truePeakLimitDbtp;
        if (r.written) {
            f["input_levels"] = {{"peak_dbfs", r.inputLevels.peakDb},
                                 {"rms_dbfs", r.inputLevels.rmsDb}};
            f["output_levels"] = {{"peak_dbfs", r.outputLevels.peakDb},
                                  {"rms_dbfs", r.outputLevels.rmsDb},
                                  {"samples_above_full_scale", r.outputLevels.overFullScale}};
            f["input_loudness"] = LoudnessJson(r.inputLoudness);
            f["output_loudness"] = LoudnessJson(r.outputLoudness);
            f["gain_applied_db"] = r.gainAppliedDb;
            f["output_format"] = r.outputFormat;
            f["output_sample_rate"] = r.outputRate;
            f["clipped_samples"] = r.clippedSamples;
            f["limiter"] = run.limit ? nlohmann::json{{"max_reduction_db", r.limiterReductionDb},
                                                      {"seconds_reducing", r.limiterSeconds}}
                                     : nlohmann::json(nullptr);
            f["automation_changes"] = r.automationChanges;
        }
        failed += r.ok ? 0 : 1;
        list.push_back(f);
    }
    doc["files"] = list;
    doc["rendered"] = files.size() - failed;
    doc["failed"] = failed;
    return doc.dump(2) + "\n";
}

} // namespace torvik::render
