# The two commands of the quick start, and the steps behind them.
#   make run    install what is missing, build, start the saver
#   make test   install what is missing, build both builds, run every test
JOBS ?= 2

.PHONY: all deps native win32 win64 wine-build asan tsan fuzz-build build test run package fuzz soak clean

all: build

deps:
	@bash tools/install-deps.sh

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

win32 win64: deps
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

# The Windows build the Wine tests run: the product under 32-bit Wine, or,
# on a kernel that runs no 32-bit programs (or with VENDREL_WINE_ARCH=64),
# its x86_64 twin under 64-bit Wine. tests/harness/wine.sh decides.
wine-build: win32
	@if [ "$$(tests/harness/wine.sh --arch)" = 64 ]; then \
	  cmake --preset win64 >/dev/null && cmake --build --preset win64 -j $(JOBS); fi

# The sanitizer builds: the portable code under AddressSanitizer with
# UndefinedBehaviorSanitizer, and under ThreadSanitizer.
asan tsan: deps
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

# The fuzz build (clang's libFuzzer): the scene-file reader and
# vendrel-render's options, each fuzzed for 30 s by its test.
fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

build: native win32 wine-build asan tsan fuzz-build

# The fuzz tests run one after another: each fuzzer takes a whole core.
test: build
	@tests/harness/wine.sh --which
	ctest --preset native -j $(JOBS)
	ctest --preset asan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)
	ctest --preset fuzz

run: native
	@bash tools/run-saver.sh

# What people install, in build/packages: the portable saver as a Debian
# package and the Windows saver as a zip (README, "Install").
package: native win32
	cd build/native && cpack -B $(CURDIR)/build/packages
	cd build/win32 && cpack -B $(CURDIR)/build/packages
	@rm -rf build/packages/_CPack_Packages
	@ls -1 build/packages

# Each fuzz target for FUZZ_SECONDS (not part of `make test`).
FUZZ_SECONDS ?= 300
fuzz: fuzz-build
	VENDREL_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --preset fuzz --timeout $$(($(FUZZ_SECONDS) + 120))

# Ten minutes of each saver unattended, side by side (not part of `make test`).
SOAK_SECONDS ?= 600
soak: native wine-build
	@mkdir -p build/soak
	tests/harness/xvfb.sh 1920x1080 /usr/bin/python3 tests/soak/soak.py portable \
	  build/native/vendrel-screensaver $(SOAK_SECONDS) 60 > build/soak/portable.log 2>&1 & \
	portable=$$!; \
	arch=$$(tests/harness/wine.sh --arch); \
	WINE_PREFIX_DIR=$(CURDIR)/build/native/wineprefix$$arch tests/harness/xvfb.sh 1280x720 \
	  /usr/bin/python3 tests/soak/soak.py win32 build/win$$arch/VendrelScreensaver.exe \
	  $(SOAK_SECONDS) 60 > build/soak/win32.log 2>&1; win32=$$?; \
	wait $$portable; portable=$$?; \
	cat build/soak/portable.log build/soak/win32.log; \
	[ $$portable -eq 0 ] && [ $$win32 -eq 0 ]

clean:
	rm -rf build
