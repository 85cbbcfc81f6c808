# Thin wrapper over CMake: `make demo` and `make test` do all the set-up.
# Both use one build directory, configured with the tests on: `make demo`
# compiles psgc there, and `make test` compiles only the tests beside it.
SHELL := /bin/bash
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PSGC = $(BUILD)/psgc
DEMO = $(BUILD)/demo
# WERROR=ON turns compiler warnings into errors (CI and the sanitizer build
# do); the default leaves them warnings, so that a newer compiler's new
# warning does not stop a user's build.
WERROR ?= OFF
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPSGC_TESTS=ON -DPSGC_WERROR=$(WERROR)

PREFIX ?= /usr/local

.PHONY: all help install uninstall deps test-deps build demo test test-sanitize bench fuzz man clean

all: build

help:
	@echo "make demo           build psgc and compile the bundled examples into $(DEMO)/"
	@echo "make test           build the tests beside psgc in $(BUILD)/ and run every test"
	@echo "make install        install psgc, its man pages and documentation under PREFIX (now $(PREFIX))"
	@echo "make uninstall      remove every file the last make install installed"
	@echo "make build          build psgc alone into $(BUILD)/"
	@echo "make test-sanitize  the whole suite again under ASan, UBSan and LSan"
	@echo "make fuzz           run the libFuzzer targets, FUZZ_SECONDS each (needs clang)"
	@echo "make bench          Release build; timing and memory against baselines"
	@echo "make man            write doc/psgc-scripts.5 again from doc/scripts.md"
	@echo "make clean          remove every build directory"
	@echo "WERROR=ON           (with build, demo or test) compiler warnings are errors, as in CI"

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what CMake's install manifest ($(BUILD)/install_manifest.txt) lists.
uninstall:
	cmake --build $(BUILD) --target uninstall

# psgc needs a C++17 compiler, CMake, pkg-config, libsndfile and
# libsoxr; the tests also need GoogleTest, Python 3, groff and cc65.
# tools/install-deps checks for them and installs what is missing where
# apt-get exists.
deps:
	@tools/install-deps

test-deps:
	@tools/install-deps --test

build: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target psgc

test: test-deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

demo: build
	@mkdir -p $(DEMO)
	@echo "== PCM pack of the bundled drums: two WAV files and one raw sample"
	$(PSGC) -pcm $(DEMO)/drums.pcm examples/pcm/kick.wav examples/pcm/snare.wav examples/pcm/hat.raw
	@echo "== Sound effects, and the equates file written beside them"
	$(PSGC) -sfx $(DEMO)/effects.sfx examples/sfx/effects.txt
	@cat $(DEMO)/effects.equ
	@echo "== Two songs, then a track pack of both, with a C header naming them"
	$(PSGC) -mus $(DEMO)/song1.mus examples/music/instruments.txt $(sort $(wildcard examples/music/song1/ch*.txt))
	$(PSGC) -mus $(DEMO)/song2.mus examples/music/instruments.txt $(sort $(wildcard examples/music/song2/ch*.txt))
	$(PSGC) --symbols c -pak $(DEMO)/songs.trk $(DEMO)/song1.mus $(DEMO)/song2.mus
	@cat $(DEMO)/songs.h

# The whole suite again under AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer; any report fails a test.
test-sanitize: test-deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DPSGC_SANITIZE=ON -DPSGC_WERROR=ON
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	cd $(BUILD)-sanitize && ctest --output-on-failure -j $(JOBS)

# Release build, generated large inputs under $(BUILD)-release/bench, and a
# table of timings and peak memory against wc -w and cat baselines.
bench:
	cmake -S . -B $(BUILD)-release -DCMAKE_BUILD_TYPE=Release -DPSGC_TESTS=OFF
	cmake --build $(BUILD)-release -j $(JOBS) --target psgc gen_inputs measure
	python3 tools/bench/run_bench.py --psgc $(BUILD)-release/psgc --gen $(BUILD)-release/gen_inputs \
	  --measure $(BUILD)-release/measure \
	  --dir $(BUILD)-release/bench \
	  --example examples/music/instruments.txt $(sort $(wildcard examples/music/song1/ch*.txt))

# libFuzzer targets (clang) seeded from the golden cases and examples (and
# fuzz_audio from small audio files written for it); each runs
# FUZZ_SECONDS. Findings land in $(BUILD)-fuzz/findings.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = fuzz_sfx fuzz_mus fuzz_literals fuzz_packs fuzz_dump fuzz_audio
fuzz:
	cmake -S . -B $(BUILD)-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPSGC_FUZZ=ON -DPSGC_TESTS=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target $(FUZZ_TARGETS) make_audio_seeds
	python3 tools/fuzz/seed_corpus.py $(BUILD)-fuzz/corpus --audio-seeds $(BUILD)-fuzz/make_audio_seeds
	@mkdir -p $(BUILD)-fuzz/findings
	@for t in $(FUZZ_TARGETS); do \
	  echo "== $$t for $(FUZZ_SECONDS) s"; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/fuzz/lsan.supp \
	  $(BUILD)-fuzz/tests/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=30 -rss_limit_mb=4096 \
	    -print_final_stats=1 -artifact_prefix=$(BUILD)-fuzz/findings/$$t- $(BUILD)-fuzz/corpus/$$t \
	    2>&1 | grep -E '^(INFO: seed|#[0-9]+.*DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' ; \
	  test $${PIPESTATUS[0]} -eq 0 || exit 1; \
	done

# psgc-scripts(5) is made from doc/scripts.md, so that the two say the same;
# the man-page test fails when it is out of date.
man:
	python3 tools/md2man.py doc/scripts.md psgc-scripts 5 \
	  "psgc's sound-effect, instrument and music script languages" > doc/psgc-scripts.5

clean:
	rm -rf $(BUILD) $(BUILD)-test $(BUILD)-ci $(BUILD)-sanitize $(BUILD)-release $(BUILD)-fuzz
