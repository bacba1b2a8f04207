# Builds and tests TelmMedTool on Debian 12: the Windows exe with MinGW-w64,
# the engine and its unit tests natively (plain and with ASan+UBSan), and
# the end-to-end tests of the exe under Wine on an Xvfb display.
BUILD ?= build
JOBS ?= $(shell nproc)
WIN := $(BUILD)/win64
NATIVE := $(BUILD)/native
SANITIZE := $(BUILD)/asan
EXE := $(WIN)/TelmMedTool.exe

# Debian packages the build and the tests need.
PACKAGES := cmake make g++ googletest libgtest-dev python3 \
	g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 \
	xvfb xdotool xclip x11-utils imagemagick fonts-wqy-microhei fonts-dejavu-core nsis \
	clang libclang-rt-14-dev clang-tidy cppcheck valgrind

.PHONY: all deps build build-win build-native build-asan test run clean bench bench-check \
	fuzz fuzz-smoke build-fuzz memcheck lint

all: build

# Installs only what is missing, so repeated runs stay offline and fast.
deps:
	@missing=""; for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		apt-get update && DEBIAN_FRONTEND=noninteractive \
			apt-get install -y --no-install-recommends $$missing; \
	fi

build: build-win build-native

build-win: deps
	cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN) -j $(JOBS)

build-native: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
	cmake --build $(NATIVE) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DTELM_SANITIZE=ON
	cmake --build $(SANITIZE) -j $(JOBS)

test: build build-asan
	cd $(NATIVE) && ctest --output-on-failure
	cd $(SANITIZE) && ctest --output-on-failure
	cd $(WIN) && ctest --output-on-failure
	$(MAKE) --no-print-directory lint memcheck fuzz-smoke

# Hardening: fuzzing with libFuzzer, ASan and UBSan (native clang), valgrind's
# memcheck of the native unit tests, and static analysis of engine/ and app/.
FUZZ := $(BUILD)/fuzz
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 20
# The portable sources; the Windows-only ones need windows.h (cppcheck only).
LINT_SOURCES := $(wildcard engine/*.cpp) app/command_line.cpp app/self_test.cpp

build-fuzz: deps
	CC=clang CXX=clang++ cmake -S tests/fuzz -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ) -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS each, e.g. make fuzz FUZZ_SECONDS=3600.
fuzz: build-fuzz
	tests/fuzz/run.sh $(FUZZ) $(FUZZ_SECONDS)

fuzz-smoke: build-fuzz
	tests/fuzz/run.sh $(FUZZ) $(FUZZ_SMOKE_SECONDS)

memcheck: build-native
	valgrind --quiet --error-exitcode=1 --leak-check=full --suppressions=tests/memcheck.supp \
		--errors-for-leak-kinds=definite,indirect $(NATIVE)/tests/unit_tests --gtest_brief=1
	valgrind --quiet --error-exitcode=1 $(NATIVE)/tests/diff_driver tests/diff/corpus.txt \
		$(NATIVE)/memcheck-diff-output.txt

# Checks and the ones left out: .clang-tidy. cppcheck's unusedStructMember
# misses members read through aggregate initialisation and range loops.
lint: build-native
	clang-tidy -p $(NATIVE) --quiet $(LINT_SOURCES)
	cppcheck --std=c++20 --language=c++ --enable=warning,style,performance,portability \
		--suppress=unusedStructMember --error-exitcode=1 --inline-suppr --quiet -I . engine app

# Opens the window under Wine in its own prefix; without a display it runs
# the self-test and prints the report instead.
run: build-win
	@if [ -n "$$DISPLAY" ]; then \
		tests/wine/session.sh start $(BUILD)/run --no-display && \
		TELM_WINE_DIR=$(abspath $(BUILD)/run) cmake/wine-run.sh $(EXE); \
		status=$$?; tests/wine/session.sh stop $(BUILD)/run; exit $$status; \
	else \
		tests/wine/session.sh start $(BUILD)/run --no-display && \
		TELM_WINE_DIR=$(abspath $(BUILD)/run) cmake/wine-run.sh $(EXE) --selftest $(abspath $(BUILD)/run/selftest.txt); \
		status=$$?; tests/wine/session.sh stop $(BUILD)/run; \
		cat $(BUILD)/run/selftest.txt; echo "exit code $$status"; exit $$status; \
	fi

# The portable ZIP and the per-user installer, copied to $(DIST). The user
# guide in them shows screenshots that an end-to-end test takes of this build,
# so ctest runs that test (in its Wine session) before CPack; `make test` makes
# and tests the packages the same way.
DIST ?= dist
.PHONY: package
package: build-win
	cd $(WIN) && ctest -R '^package_build$$' --output-on-failure
	mkdir -p $(DIST)
	cp $(WIN)/packages/*.zip $(WIN)/packages/*-setup.exe $(DIST)/
	@ls -l $(DIST)

# Benchmarks, not part of `test`: the engine natively in Release against the
# peer libraries (installed for the benchmark only) and strtod, then the exe's
# size, imports and start-up under Wine beside a do-nothing exe.
BENCH := $(BUILD)/bench
BENCH_PACKAGES := libbenchmark-dev libmuparser-dev libmatheval-dev
BENCH_FLAGS := --benchmark_repetitions=5 --benchmark_min_time=0.05 \
	--benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true

bench: deps
	@$(MAKE) --no-print-directory deps PACKAGES="$(BENCH_PACKAGES)"
	cmake -S bench -B $(BENCH)/native -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH)/native -j $(JOBS)
	cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN) -j $(JOBS) --target TelmMedTool
	cmake -S bench/startup -B $(BENCH)/startup \
		-DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/mingw-w64-x86_64.cmake) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH)/startup
	$(BENCH)/native/engine_bench $(BENCH_FLAGS) --benchmark_out=$(BENCH)/engine.json \
		--benchmark_out_format=json >$(BENCH)/engine.txt 2>&1 || { cat $(BENCH)/engine.txt; exit 1; }
	python3 bench/startup.py $(EXE) $(BENCH)/startup/DoNothing.exe $(BENCH)/wine $(BENCH)/startup.json
	@python3 bench/report.py $(BENCH)/engine.json $(BENCH)/startup.json | tee $(BENCH)/table.txt

# Checks the goals on the last `make bench` (running it first if there is none).
bench-check:
	@[ -f $(BENCH)/engine.json ] && [ -f $(BENCH)/startup.json ] || $(MAKE) --no-print-directory bench
	python3 bench/report.py --check $(BENCH)/engine.json $(BENCH)/startup.json

clean:
	rm -rf $(BUILD)
