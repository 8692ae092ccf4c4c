# Front door: `make` builds into build/, `make check` installs what is missing, builds and tests.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
WERROR ?= OFF
CONFIGURE = cmake -S . -DPIDORV_WERROR=$(WERROR) $(CMAKE_FLAGS)

.PHONY: all build configure check deps demo clean check-sanitize stress fuzz bench package install lint tidy

all: build

deps:
	scripts/install-deps

# The benchmarks are built with everything else so that CI keeps them compiling; `make bench` runs
# them from an optimised build of its own.
configure:
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIDORV_BENCH=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

check: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300 -LE stress-long

# What a tool can check of the house conventions (docs/conventions.md): the clang-format layout
# (includes sorted within their blocks included) and, once a build has written its compile commands,
# braces around every statement body (clang-tidy).
lint:
	git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

TIDY_CHECKS = -*,readability-braces-around-statements
tidy: configure
	git ls-files '*.cpp' | grep -v '^fuzz/' | sed 's|^|$(CURDIR)/|' | \
	  xargs run-clang-tidy -p $(BUILD) -quiet -j $(JOBS) -checks='$(TIDY_CHECKS)' \
	  -header-filter='^$(CURDIR)/(piDorv|host|orm|tools|bench|tests)/' > $(BUILD)/tidy.log 2>&1
	@! grep -E -A3 '(warning|error):' $(BUILD)/tidy.log

# The pihost demo on the emulator's built-in sample, with an SQLite file in build/demo.
demo: deps build
	mkdir -p $(BUILD)/demo
	cd $(BUILD)/demo && ../tools/pihost/pihost --db demo.db --config-dir . topology
	cd $(BUILD)/demo && printf 'run adapter SCAN_CONFIGURATION\nrun plugin GET_EVENTS\n' | ../tools/pihost/pihost --db demo.db --config-dir . shell

# All tests under AddressSanitizer + UndefinedBehaviorSanitizer; concurrency tests under ThreadSanitizer.
# Each sanitizer has its own build directory; the ThreadSanitizer build makes only the concurrency tests.
STRESS_SECONDS ?= 300
FUZZ_SECONDS ?= 60
SANITIZE_JOBS ?= $(JOBS)
check-sanitize: deps
	$(CONFIGURE) -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIDORV_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(SANITIZE_JOBS) --timeout 600 -LE stress-long
	$(CONFIGURE) -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DPIDORV_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS) --target test_reliability_concurrency test_reliability_stress
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --output-on-failure --timeout 900 -L concurrency

# The stress test alone, for longer (STRESS_SECONDS).
stress: build
	cd $(BUILD) && PIDORV_STRESS_SECONDS=$(STRESS_SECONDS) ctest --output-on-failure -L stress

# Every fuzz target for FUZZ_SECONDS each, from its seed corpus (optimised: many more executions).
fuzz: deps
	CC=clang CXX=clang++ $(CONFIGURE) -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIDORV_FUZZ=ON -DPIDORV_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS) --target fuzz_all
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzzers build-fuzz

bench: deps
	$(CONFIGURE) -B build-bench -DCMAKE_BUILD_TYPE=Release -DPIDORV_BENCH=ON -DPIDORV_TESTS=OFF
	cmake --build build-bench -j $(JOBS) --target bench_report bench_loadonly bench_profile pihost piDorv
	@# BENCH_RUN=no only builds (CI); BENCH_ARGS go to Google Benchmark, e.g. --benchmark_filter=B4
	if [ "$(BENCH_RUN)" != "no" ]; then build-bench/bench/bench_report $(BENCH_ARGS); fi

package: build
	cd $(BUILD) && cpack -G DEB

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-bench
