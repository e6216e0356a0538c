# The workbench's two everyday commands: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
SAMPLE ?= data/samples/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml
export QT_QPA_PLATFORM ?= offscreen

.PHONY: all deps configure build run test test-asan fuzz bench clean format format-check package

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@./scripts/run.sh $(BUILD) $(SAMPLE)

test: format-check build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-asan:
	@ASAN_OPTIONS=allocator_may_return_null=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 $(MAKE) --no-print-directory test BUILD=build-asan BUILD_TYPE=Debug \
		CMAKE_FLAGS="-DTREVASC_SANITIZE=ON -DTREVASC_BENCH=OFF -DTREVASC_GUI=OFF"

fuzz:
	@WITH_FUZZ=1 ./scripts/install-deps.sh
	@./scripts/fuzz.sh $(FUZZ_SECONDS)

# The Debian package (trevasc_<version>_<arch>.deb in the build folder).
package: build
	@cmake --build $(BUILD) --target package

bench: build
	@./scripts/bench.sh $(BUILD)

# The sources under src/ stay formatted with the project's .clang-format.
FORMAT_FILES = $(shell find src tests bench -name '*.cpp' -o -name '*.h' | sort)

format:
	@clang-format -i $(FORMAT_FILES)

format-check: deps
	@clang-format --dry-run --Werror $(FORMAT_FILES) || \
		{ echo "Unformatted sources: run 'make format'." >&2; exit 1; }

clean:
	rm -rf build build-asan build-fuzz
