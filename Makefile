# Front door: make test | make demo | make dist DIST=<dir> | make bench | make fuzz
#             | make reproducible
BUILD ?= build
JOBS ?= $(shell nproc)
DIST ?=
RSP ?=
# Signing (tools/sign): the certificate, the file that holds its password, and
# a time-stamp server.
SIGN_PFX ?=
SIGN_PASSWORD_FILE ?=
SIGN_TIMESTAMP_URL ?=
# The distribution's own build tree: release configuration, shipped modules only.
RELEASE_BUILD ?= build-release
SHIPPED_TARGETS := QvSetup QvInstMain QvInstAgent QvError QvSrvApi QvClientPackage
export QV_WINEPREFIX := $(abspath $(BUILD))/wineprefix

.PHONY: all deps configure build release test demo dist bench fuzz reproducible clean

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

$(RELEASE_BUILD)/build.ninja: | deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DQV_RELEASE=ON

release: $(RELEASE_BUILD)/build.ninja
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target $(SHIPPED_TARGETS)

dist: release
	@test -n "$(DIST)" || { echo "usage: make dist DIST=<dir> [RSP=<response file>]" \
	    "[SIGN_PFX=<certificate.pfx> SIGN_PASSWORD_FILE=<file> [SIGN_TIMESTAMP_URL=<url>]]"; \
	    exit 2; }
	@SIGN_PFX="$(SIGN_PFX)" SIGN_PASSWORD_FILE="$(SIGN_PASSWORD_FILE)" \
	    SIGN_TIMESTAMP_URL="$(SIGN_TIMESTAMP_URL)" tools/dist $(RELEASE_BUILD) "$(DIST)" "$(RSP)"

# The run-time figures come from the test build; the shipped size from the
# release distribution, laid out in the release tree.
bench: build release
	cmake --build $(BUILD) --target bench
	@SIGN_PFX= SIGN_PASSWORD_FILE= SIGN_TIMESTAMP_URL= \
	    tools/dist $(RELEASE_BUILD) $(RELEASE_BUILD)/dist >/dev/null
	@bench/shipped-size $(RELEASE_BUILD)/dist

# Two distributions of this commit, each built in a clone of its own at
# another path and another time, compared file by file (tools/reproducible).
reproducible: deps
	@JOBS=$(JOBS) tools/reproducible

# Every fuzz target for FUZZ_SECONDS each (FUZZ_TARGETS: a few of them), in
# its own tree $(BUILD)-fuzz.
export FUZZ_SECONDS FUZZ_TARGETS
fuzz:
	@tools/fuzz $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-fuzz $(RELEASE_BUILD)
