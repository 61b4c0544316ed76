# Front door: every target installs what it needs first, then drives the CMake presets.
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test asan bench bench-startup fuzz fuzz-ci clean

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake --preset default >/dev/null

build: configure
	@cmake --build --preset default -j $(JOBS)

run: build
	@if [ -x build/default/app/tindrel ]; then build/default/app/tindrel; \
	 else echo "The window is not built yet: nothing to start."; fi

test: build
	@ctest --preset default -j $(JOBS)

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

# Every benchmark program, and only those: CMake keeps folders of its own
# (bench_core_autogen) beside them.
bench: build
	@for b in $$(find build/default/bench -maxdepth 1 -type f -name 'bench_*' -perm -u+x | sort); do \
	    "$$b" || exit 1; done

# Start-up time and peak memory of the program against a bare Qt window, under
# a private X server (RUNS=15 starts each by default).
bench-startup: build
	@bench/startup.sh build/default

# The reader of the last-run file under libFuzzer; new inputs it finds go to
# build/fuzz/corpus, the committed seeds stay as they are.
FUZZ_SECONDS ?= 300
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@mkdir -p build/fuzz/corpus
	@build/fuzz/fuzz/fuzz_last_run -max_total_time=$(FUZZ_SECONDS) -max_len=16384 -timeout=10 \
	    -print_final_stats=1 build/fuzz/corpus fuzz/corpus/last_run

fuzz-ci:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=30

clean:
	rm -rf build
