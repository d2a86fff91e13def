# The two commands of the quick start, and the steps behind them.
#   make run    install what is missing, build, start the saver
#   make test   install what is missing, build both builds, run every test
JOBS ?= 2

.PHONY: all deps native win32 asan tsan build test run soak clean

all: build

deps:
	@bash tools/install-deps.sh

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

# The sanitizer builds: the portable code under AddressSanitizer with
# UndefinedBehaviorSanitizer, and under ThreadSanitizer.
asan tsan: deps
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

build: native win32 asan tsan

test: build
	ctest --preset native -j $(JOBS)
	ctest --preset asan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

run: native
	@bash tools/run-saver.sh

clean:
	rm -rf build
