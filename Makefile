# Bexlo's two commands on a fresh Debian 12 machine:
#   make demo   installs what is missing, builds what the demo runs (DEMO_TARGETS), and runs it
#   make test   installs what is missing, builds, and runs the whole test suite
# CI (.ci/run) adds `make sanitize`: an ASan+UBSan clang build of the tests plus a short fuzz run,
# and `make tsan`: the background print thread's test built with ThreadSanitizer.

BUILD     ?= build
SAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS      ?= $(shell nproc)
FUZZ_SECONDS ?= 20

.PHONY: all deps configure build test demo sanitize tsan fuzz clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The programs the demo runs; it builds only these (each part of the library that adds a program
# to the demo appends its own line).
DEMO_TARGETS += bexlo-report
DEMO_TARGETS += bexlo-preview
DEMO_TARGETS += bexlo-demo

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(DEMO_TARGETS)
	scripts/run-demo $(BUILD)

# The sanitizer build is optimised with -O1 (as sanitizers are usually run): it compiles in about
# half the time of -O3 and still finds what the sanitizers find.
sanitize: deps
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O1 -DNDEBUG" \
	  -DBEXLO_SANITIZE=ON -DBEXLO_FUZZ=ON -DBEXLO_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -LE slow
	scripts/run-fuzzers $(SAN_BUILD) $(FUZZ_SECONDS)

tsan: deps
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DBEXLO_TSAN=ON -DBEXLO_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_core_output_thread
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" $(TSAN_BUILD)/tests/test_core_output_thread

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) build-bench
