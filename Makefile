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
	xvfb xdotool xclip imagemagick fonts-wqy-microhei fonts-dejavu-core

.PHONY: all deps build build-win build-native build-asan test run clean bench bench-check

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
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DTELM_SANITIZE=ON
	cmake --build $(SANITIZE) -j $(JOBS)

test: build build-asan
	cd $(NATIVE) && ctest --output-on-failure
	cd $(SANITIZE) && ctest --output-on-failure
	cd $(WIN) && ctest --output-on-failure

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
		--benchmark_out_format=json >$(BENCH)/engine.txt
	python3 bench/startup.py $(EXE) $(BENCH)/startup/DoNothing.exe $(BENCH)/wine $(BENCH)/startup.json
	@python3 bench/report.py $(BENCH)/engine.json $(BENCH)/startup.json | tee $(BENCH)/table.txt

# Checks the goals on the last `make bench` (running it first if there is none).
bench-check:
	@[ -f $(BENCH)/engine.json ] && [ -f $(BENCH)/startup.json ] || $(MAKE) --no-print-directory bench
	python3 bench/report.py --check $(BENCH)/engine.json $(BENCH)/startup.json

clean:
	rm -rf $(BUILD)
