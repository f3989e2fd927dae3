# Front door: make test | make demo | make dist DIST=<dir> | make fuzz
BUILD ?= build
JOBS ?= $(shell nproc)
DIST ?=
RSP ?=
export QV_WINEPREFIX := $(abspath $(BUILD))/wineprefix

.PHONY: all deps configure build test demo dist bench fuzz clean

all: build

deps:
	@tools/ensure-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

# One test at a time: every Windows test process reads the machine's trace
# configuration when it starts, so a test that sets it must be alone.
test: build
	cd $(BUILD) && ctest --output-on-failure $(CTEST_ARGS)

demo: build
	@tools/ensure-deps demo
	@tools/demo $(BUILD)

dist: build
	@test -n "$(DIST)" || { echo "usage: make dist DIST=<dir> [RSP=<response file>]"; exit 2; }
	@tools/dist $(BUILD) "$(DIST)" "$(RSP)"

bench: build
	cmake --build $(BUILD) --target bench

# Every fuzz target for FUZZ_SECONDS each (FUZZ_TARGETS: a few of them), in
# its own tree $(BUILD)-fuzz.
export FUZZ_SECONDS FUZZ_TARGETS
fuzz:
	@tools/fuzz $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-fuzz
