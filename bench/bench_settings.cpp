// Settings: setting every value by name in catalogue order (one remembered position,
// one step per lookup, against a search from the head each time), and the three
// settings exports end to end.
#include "dulo/DuloModelDataLib.h"
#include "settings/SettingCatalogue.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> CatalogueNames() {
    std::vector<std::string> names;
    for (const CSettingItem* item : dulo::DefaultSettingsCatalogue()) names.push_back(item->GetName());
    return names;
}

void BM_SetAllInOrderRemembered(benchmark::State& state) {
    CSettingCatalogue catalogue;
    const std::vector<std::string> names = CatalogueNames();
    for (auto _ : state) {
        SettingPosition position = kNoSettingPosition;
        for (const std::string& name : names) catalogue.SetSettingValue(name, "1", position);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(names.size()));
}
BENCHMARK(BM_SetAllInOrderRemembered);

void BM_SetAllInOrderFromHead(benchmark::State& state) {
    CSettingCatalogue catalogue;
    const std::vector<std::string> names = CatalogueNames();
    for (auto _ : state) {
        for (const std::string& name : names)
            if (CSettingItem* item = catalogue.FindSetting(name)) item->SetValueString("1");
    }
    state.SetItemsProcessed(state.iterations() * int64_t(names.size()));
}
BENCHMARK(BM_SetAllInOrderFromHead);

// A model file with every setting (or with count unknown names) in a temporary file.
class ModelFile {
public:
    explicit ModelFile(int unknown) {
        char templ[] = "/tmp/dulo-bench-settings-XXXXXX";
        int fd = mkstemp(templ);
        if (fd >= 0) close(fd);
        m_path = templ;
        std::string text = "<DuloConfiguration><Settings>";
        if (unknown == 0)
            for (const std::string& name : CatalogueNames())
                text += "<Setting><Name>" + name + "</Name><Value>1</Value></Setting>";
        for (int i = 0; i < unknown; ++i)
            text += "<Setting><Name>Unknown" + std::to_string(i) + "</Name><Value>1</Value></Setting>";
        text += "</Settings></DuloConfiguration>";
        std::ofstream(m_path, std::ios::binary) << text;
    }
    ~ModelFile() { std::remove(m_path.c_str()); }
    const char* Path() const { return m_path.c_str(); }

private:
    std::string m_path;
};

void BM_GetNonDefaultModelSettings(benchmark::State& state) {
    ModelFile model(int(state.range(0)));
    for (auto _ : state) {
        VARIANT result;
        VariantInit(&result);
        benchmark::DoNotOptimize(GetNonDefaultModelSettings(model.Path(), nullptr, &result));
        VariantClear(&result);
    }
}
// 0: every catalogue setting changed; otherwise that many unknown names.
BENCHMARK(BM_GetNonDefaultModelSettings)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoadModelSettings(benchmark::State& state) {
    for (auto _ : state) {
        VARIANT result;
        VariantInit(&result);
        benchmark::DoNotOptimize(LoadModelSettings("", &result));
        VariantClear(&result);
    }
}
BENCHMARK(BM_LoadModelSettings)->Unit(benchmark::kMillisecond);

void BM_LoadSettingValue(benchmark::State& state) {
    for (auto _ : state) {
        VARIANT value;
        VariantInit(&value);
        benchmark::DoNotOptimize(LoadSettingValue("", "VAROPTCRRATIO", &value));
        VariantClear(&value);
    }
}
BENCHMARK(BM_LoadSettingValue);

}  // namespace

BENCHMARK_MAIN();
