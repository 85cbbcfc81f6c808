# Thin wrapper over CMake: `make demo` and `make test` do all the set-up.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PSGC = $(BUILD)/psgc
DEMO = $(BUILD)/demo

.PHONY: all build demo test clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@mkdir -p $(DEMO)
	@echo "== PCM pack of the bundled drum hit"
	$(PSGC) -pcm $(DEMO)/drums.pcm examples/pcm/kick.raw examples/pcm/snare.raw

clean:
	rm -rf $(BUILD)
