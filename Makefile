# Bexlo's two commands on a fresh Debian 12 machine:
#   make demo   installs what is missing, builds what the demo runs (DEMO_TARGETS), and runs it
#   make test   installs what is missing, builds, and runs the whole test suite
# CI (.ci/run) adds `make sanitize`: an ASan+UBSan clang build of the tests plus a short fuzz run.

BUILD     ?= build
SAN_BUILD ?= build-asan
JOBS      ?= $(shell nproc)
FUZZ_SECONDS ?= 20
# What `make demo` builds: only the programs the demo runs (tests and benchmarks are `make test`'s).
DEMO_TARGETS ?= bexlo-report

.PHONY: all deps configure build test demo sanitize fuzz clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(DEMO_TARGETS)
	scripts/run-demo $(BUILD)

sanitize: deps
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DBEXLO_SANITIZE=ON -DBEXLO_FUZZ=ON -DBEXLO_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -LE slow
	scripts/run-fuzzers $(SAN_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-bench
