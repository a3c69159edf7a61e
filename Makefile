# The two commands of the README. Everything else lives in CMake and scripts/.
PRESET ?= default
ROOT ?= $(CURDIR)/build/device
ARGS ?=
BOOT ?= cold

.PHONY: run test deps build image asan tsan clean

deps:
	@scripts/install-deps

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

image: build
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
