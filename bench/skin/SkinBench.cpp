// Cost of the skin against its baseline, a plain parse of the same bytes
// (the shipped skin file, resource 3002):
//   - the public load: parse, every colour, font, icon, image and menu, and
//     the one decode of the 1200 x 1400 atlas;
//   - one window skin Load (evd_export, the largest frame skin), which parses
//     the whole file again, as every Load does;
//   - the same Load for a skin near the end of the file (optionctrl).
// Each is reported as a multiple of the plain parse's time.

#include "evidence/skin/ZBSkinBase.h"
#include "evidence/skin/ZBSkinLoader.h"
#include "evidence/skin/ZBXMLElement.h"
#include "platform/gfx/Drawing.h"
#include "platform/res/Resources.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

using namespace vel;

namespace {

const void* Module()
{
    return VEL_RES_THIS_MODULE();
}

size_t SkinBytes()
{
    auto r = res::Find(Module(), "xml", 3002);
    return r ? r->size() : 0;
}

// A frame-class skin that reads nothing beyond the common children: what
// every Load costs before a class adds its own reading.
class FrameProbe : public ZBSkinBase
{
public:
    explicit FrameProbe(std::u16string cls) : ZBSkinBase(std::move(cls)) {}
    bool ParseSkin(const ZBXMLElement& ws, std::u16string_view name) override
    {
        if (!ZBSkinBase::ParseSkin(ws, name))
            return false;
        if (const ZBXMLElement* p = MatchedSkin()->FindChild(u"Parts"))
            return ReadParts(*GetLoader(), *p, parts);
        return true;
    }
    void Reset() override
    {
        parts.clear();
        ZBSkinBase::Reset();
    }
    ZBPartMap parts;
};

void BM_PlainParse(benchmark::State& state)
{
    for (auto _ : state) {
        auto root = ZBXMLElement::LoadResource(Module(), 3002);
        benchmark::DoNotOptimize(root.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SkinBytes()));
}

void BM_PublicLoad(benchmark::State& state)
{
    ZBSkinLoader loader;
    for (auto _ : state) {
        if (!loader.LoadPublicFromResource(Module(), 3002))
            state.SkipWithError("public load failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SkinBytes()));
}

void SkinLoad(benchmark::State& state, const char16_t* name, const char16_t* cls)
{
    ZBSkinLoader loader;
    if (!loader.LoadPublicFromResource(Module(), 3002)) {
        state.SkipWithError("public load failed");
        return;
    }
    FrameProbe skin(cls);
    for (auto _ : state) {
        if (!skin.Load(&loader, name))
            state.SkipWithError("skin load failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SkinBytes()));
}

void BM_SkinLoad_evd_export(benchmark::State& state)
{
    SkinLoad(state, u"evd_export", u"ZBFrame");
}
void BM_SkinLoad_optionctrl(benchmark::State& state)
{
    SkinLoad(state, u"optionctrl", u"ZBOptionCtrl");
}

BENCHMARK(BM_PlainParse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PublicLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkinLoad_evd_export)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SkinLoad_optionctrl)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            auto it = r.counters.find("bytes_per_second");
            if (it == r.counters.end() || r.error_occurred ||
                !(r.aggregate_name.empty() || r.aggregate_name == "median"))
                continue;
            rates[r.run_name.function_name] = it->second.value;
        }
    }
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv)
{
    if (!SkinBytes()) {
        std::fprintf(stderr, "the skin file is not embedded\n");
        return 1;
    }
    gfx::StartDrawing();
    std::printf("skin file: %zu bytes\n", SkinBytes());
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto base = reporter.rates.find("BM_PlainParse");
    if (base != reporter.rates.end())
        for (const char* name : {"BM_PublicLoad", "BM_SkinLoad_evd_export", "BM_SkinLoad_optionctrl"}) {
            auto it = reporter.rates.find(name);
            if (it != reporter.rates.end())
                std::printf("%-24s %8.2f x the time of a plain parse\n", name, base->second / it->second);
        }
    benchmark::Shutdown();
    return 0;
}
