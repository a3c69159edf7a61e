# The two commands of the README. Everything else lives in CMake and scripts/.
PRESET ?= default
ROOT ?= $(CURDIR)/build/device
ARGS ?=
BOOT ?= cold

.PHONY: run test deps configure build device image asan tsan clean

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

# Everything: programs, tests and benchmarks.
build: configure
	@cmake --build --preset $(PRESET)

# Only what the device image holds and `make run` starts.
device: configure
	@cmake --build --preset $(PRESET) --target device -- --quiet

image: device
	@scripts/make-device-root build/$(PRESET)/bin "$(ROOT)"

run: image
	@BOOT="$(BOOT)" scripts/run-instrument build/$(PRESET)/bin "$(ROOT)" $(ARGS)

test: build
	@ctest --preset $(PRESET)

asan:
	@$(MAKE) --no-print-directory test PRESET=asan

tsan:
	@$(MAKE) --no-print-directory test PRESET=tsan

clean:
	rm -rf build
