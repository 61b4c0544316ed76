# Front door: every target installs the Debian packages it needs first, then
# drives the CMake presets. "app" (build/app) is the program alone; "default"
# (build/default) adds the tests and benchmarks.
JOBS ?= $(shell nproc)
# Where make install puts the program; a folder the user may write in, so that
# the last run can be saved beside the program.
PREFIX ?= $(HOME)/.local
# Where make run keeps the program and its last run; make clean leaves it.
RUN_DIR := run

.PHONY: all deps-run deps deps-chroot app run install uninstall configure build test asan bench \
        bench-startup fuzz fuzz-ci deb test-deb test-pristine clean

all: build

deps-run:
	@tools/install-deps.sh run

deps:
	@tools/install-deps.sh run test

deps-chroot:
	@tools/install-deps.sh run test chroot

# The program alone, for the prefix it is to be installed under (the desktop
# entry names the installed command by its full path).
app: deps-run
	@cmake --preset app -DCMAKE_INSTALL_PREFIX="$(abspath $(PREFIX))" >/dev/null
	@cmake --build --preset app -j $(JOBS)

run: app
	@install -D -m 755 build/app/app/tindrel $(RUN_DIR)/tindrel
	@install -D -m 755 build/app/app/tindrel-spice $(RUN_DIR)/tindrel-spice
	@$(RUN_DIR)/tindrel

install: app
	@cmake --install build/app --strip
	@echo "Installed under $(abspath $(PREFIX)); start it from the application menu or with $(abspath $(PREFIX))/bin/tindrel"

uninstall: app
	@tools/uninstall.sh build/app "$(abspath $(PREFIX))"

configure: deps
	@cmake --preset default >/dev/null

build: configure
	@cmake --build --preset default -j $(JOBS)

test: build
	@ctest --preset default -j $(JOBS)

# The README's two commands as a newcomer runs them, on a pristine Debian 12
# made in a chroot from the committed HEAD (needs root or sudo, and network).
# Not part of make test, which it runs inside.
test-pristine: deps-chroot
	@tests/pristine/readme_commands.sh

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

# The readers under libFuzzer: the last-run file, model cards, CSV batches,
# the helper protocol's lines (both directions) and the boxes. New inputs
# they find go under build/fuzz, the committed seeds stay as they are.
FUZZ_SECONDS ?= 300
FUZZ_MODEL_CARD_SECONDS ?= $(FUZZ_SECONDS)
FUZZ_CSV_SECONDS ?= $(FUZZ_SECONDS)
FUZZ_PROTOCOL_SECONDS ?= $(FUZZ_SECONDS)
FUZZ_BOX_READER_SECONDS ?= $(FUZZ_SECONDS)
FUZZ_FLAGS := -timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@mkdir -p build/fuzz/corpus
	@build/fuzz/fuzz/fuzz_last_run -max_total_time=$(FUZZ_SECONDS) -max_len=16384 $(FUZZ_FLAGS) \
	    build/fuzz/corpus fuzz/corpus/last_run
	@mkdir -p build/fuzz/corpus-model-cards
	@build/fuzz/fuzz/fuzz_model_cards -max_total_time=$(FUZZ_MODEL_CARD_SECONDS) -max_len=65536 \
	    $(FUZZ_FLAGS) build/fuzz/corpus-model-cards fuzz/corpus/model_cards
	@mkdir -p build/fuzz/corpus-csv
	@build/fuzz/fuzz/fuzz_csv -max_total_time=$(FUZZ_CSV_SECONDS) -max_len=16384 $(FUZZ_FLAGS) \
	    build/fuzz/corpus-csv fuzz/corpus/csv
	@mkdir -p build/fuzz/corpus-protocol
	@build/fuzz/fuzz/fuzz_protocol -max_total_time=$(FUZZ_PROTOCOL_SECONDS) -max_len=8192 \
	    $(FUZZ_FLAGS) build/fuzz/corpus-protocol fuzz/corpus/protocol
	@mkdir -p build/fuzz/corpus-box-reader
	@build/fuzz/fuzz/fuzz_box_reader -max_total_time=$(FUZZ_BOX_READER_SECONDS) -max_len=512 \
	    $(FUZZ_FLAGS) build/fuzz/corpus-box-reader fuzz/corpus/box_reader

fuzz-ci:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=30 FUZZ_MODEL_CARD_SECONDS=20 \
	    FUZZ_CSV_SECONDS=15 FUZZ_PROTOCOL_SECONDS=15 FUZZ_BOX_READER_SECONDS=15

# The Debian package, build/deb/tindrel_<version>_<arch>.deb, built by
# debhelper from a copy of the sources in build/deb.
deb: deps-chroot
	@tools/build-deb.sh $(JOBS)

# The package checked by lintian, then installed, run and removed in a
# pristine Debian 12 (as root: it makes a chroot). Not part of make test.
test-deb: deb
	@tests/packaging/deb_test.sh build/deb

clean:
	rm -rf build
