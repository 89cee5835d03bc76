# make demo   installs what is missing, builds, runs dulo on the example model
# make test   installs what is missing, builds, runs every test twice (normal and ASan+UBSan)
# make bench  builds in Release and runs the benchmarks against their peers
# make fuzz   builds the fuzz targets with clang and runs each for FUZZ_SECONDS (60) or FUZZ_RUNS executions, FUZZ_JOBS (1) at a time
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build build-asan build-fuzz test fuzz demo bench install clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j$(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDULO_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j$(JOBS)

test: build build-asan
	ctest --test-dir build --output-on-failure -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-asan --output-on-failure -j$(JOBS)

demo: build
	@scripts/demo build/cli/dulo

bench:
	@scripts/install-deps --bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DDULO_BENCH=ON -DDULO_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build-bench -j$(JOBS)
	@scripts/run-benchmarks build-bench

FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1
FUZZ_RUNS ?=

build-fuzz:
	@scripts/install-deps --fuzz
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDULO_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build build-fuzz -j$(JOBS)

fuzz: build-fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_RUNS=$(FUZZ_RUNS) FUZZ_JOBS=$(FUZZ_JOBS) scripts/run-fuzz build-fuzz

install: build
	cmake --install build

clean:
	rm -rf build build-asan build-bench build-fuzz
