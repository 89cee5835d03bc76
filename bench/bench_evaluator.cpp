// Evaluator throughput against muParser in the same process: each formula is parsed
// once and evaluated for values that change on every iteration. Time per iteration
// is the time per evaluation.
#include "dulo/DuloModelDataLib.h"
#include "formulas/ExpEval.h"
#include "formulas/PropertyCalculation.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

struct Formula {
    const char* text;
    int arguments;  // in order of first occurrence in the text
    const char* names[6];
};

const Formula kFormulas[] = {
    {"(VIS+A)/B-VIS", 3, {"VIS", "A", "B"}},
    {"sqrt(X)*ln(Y)+exp(Z/10)", 3, {"X", "Y", "Z"}},
    {"A*B+C*D-E/F", 6, {"A", "B", "C", "D", "E", "F"}},
    {"2^X+abs(Y-3)", 2, {"X", "Y"}},
};

constexpr int kIterations = 10000000;
// Value sets cycled through, so that every evaluation sees new values.
constexpr size_t kSets = 1024;

// kSets rows of positive values in [1, 5), all formulas defined for them.
const std::vector<double>& Values() {
    static const std::vector<double> values = [] {
        std::mt19937_64 random(42);
        std::uniform_real_distribution<double> dist(1.0, 5.0);
        std::vector<double> v(kSets * 6);
        for (double& x : v) x = dist(random);
        return v;
    }();
    return values;
}

void Check(bool ok, const char* what, const char* formula) {
    if (ok) return;
    std::fprintf(stderr, "bench_evaluator: %s failed for %s\n", what, formula);
    std::abort();
}

void BM_Evaluate(benchmark::State& state) {
    const Formula& f = kFormulas[state.range(0)];
    dulo::CPropertyCalculation eval("P", f.text);
    int position = 0;
    Check(eval.ParseArguments(position) && eval.GetVariableCount() == f.arguments, "parse", f.text);
    std::vector<dulo::CExpVariable*> vars;
    for (int i = 0; i < f.arguments; ++i) vars.push_back(eval.GetVariable(i));
    const double* values = Values().data();
    size_t set = 0;
    for (auto _ : state) {
        const double* row = values + set * 6;
        for (int i = 0; i < f.arguments; ++i) vars[size_t(i)]->value = row[i];
        double result = 0;
        const int status = eval.Evaluate(result);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(result);
        set = (set + 1) % kSets;
    }
    state.SetLabel(f.text);
}

void BM_CalcPropertyResult(benchmark::State& state) {
    const Formula& f = kFormulas[state.range(0)];
    DuloPropertyCalculator handle = nullptr;
    const double* values = Values().data();
    size_t set = 0;
    VARIANT result;
    VariantInit(&result);
    for (auto _ : state) {
        CalcPropertyResult(&handle, "P", f.text, const_cast<double*>(values + set * 6), &result);
        benchmark::DoNotOptimize(result.dblVal);
        set = (set + 1) % kSets;
    }
    Check(handle != nullptr && result.vt == VT_R8 && result.dblVal != 1e30, "CalcPropertyResult", f.text);
    ReleasePropertyCalculator(handle);
    state.SetLabel(f.text);
}

void BM_MuParser(benchmark::State& state) {
    const Formula& f = kFormulas[state.range(0)];
    mu::Parser parser;
    double vars[6] = {};
    for (int i = 0; i < f.arguments; ++i) parser.DefineVar(f.names[i], &vars[i]);
    parser.SetExpr(f.text);
    parser.Eval();  // compiles the bytecode
    const double* values = Values().data();
    size_t set = 0;
    for (auto _ : state) {
        const double* row = values + set * 6;
        for (int i = 0; i < f.arguments; ++i) vars[i] = row[i];
        double result = parser.Eval();
        benchmark::DoNotOptimize(result);
        set = (set + 1) % kSets;
    }
    state.SetLabel(f.text);
}

// Both evaluators must agree before their speed means anything.
void CheckAgreement() {
    for (const Formula& f : kFormulas) {
        dulo::CPropertyCalculation eval("P", f.text);
        int position = 0;
        Check(eval.ParseArguments(position), "parse", f.text);
        mu::Parser parser;
        double vars[6] = {};
        for (int i = 0; i < f.arguments; ++i) parser.DefineVar(f.names[i], &vars[i]);
        parser.SetExpr(f.text);
        for (size_t set = 0; set < kSets; ++set) {
            const double* row = Values().data() + set * 6;
            for (int i = 0; i < f.arguments; ++i) vars[i] = row[i];
            double ours = 0;
            Check(eval.Calculate(row, ours) == 0, "Calculate", f.text);
            const double theirs = parser.Eval();
            Check(std::fabs(ours - theirs) <= 1e-12 * std::fmax(1.0, std::fabs(theirs)), "agreement", f.text);
        }
    }
}

void Formulas(benchmark::internal::Benchmark* b) {
    for (int i = 0; i < int(std::size(kFormulas)); ++i) b->Arg(i);
    b->Iterations(kIterations);
}

BENCHMARK(BM_Evaluate)->Apply(Formulas);
BENCHMARK(BM_CalcPropertyResult)->Apply(Formulas);
BENCHMARK(BM_MuParser)->Apply(Formulas);

}  // namespace

int main(int argc, char** argv) {
    CheckAgreement();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
