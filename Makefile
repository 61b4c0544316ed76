# Front door: every target installs what it needs first, then drives the CMake presets.
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test asan bench clean

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

bench: build
	@for b in build/default/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

clean:
	rm -rf build
