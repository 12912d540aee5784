# Thin wrappers over the CMake presets. `make run` and `make test` work on a
# fresh Debian 12 machine: they install what is missing first.
.PHONY: all deps build run package test test-format test-default test-asan test-release test-e2e bench release windows clean fuzz soak web test-web
# The test stages share the machine and an X display; run them one after another.
.NOTPARALLEL:

all: build

deps:
	@scripts/install-deps.sh

build/build.ninja:
	@scripts/install-deps.sh
	cmake --preset default

build: build/build.ninja
	cmake --build --preset default

run: deps build
	cd build/game && ./gamevrak

# The Debian package: build/gamevrak_<version>_amd64.deb (install it with
# sudo apt install ./build/gamevrak_*.deb).
package: build
	cmake --build --preset default --target package

# The whole fast suite in the default build and again under the sanitizers (with
# a stretch of random play up to a closed window); the release build's replay
# runner; then the real game under Xvfb and Wine, and the browser build in
# headless Chromium.
test: deps test-format test-default test-asan test-release test-e2e test-web
	@! ls build/windows-e2e/skipped-32-bit-*.txt >/dev/null 2>&1 || \
		{ echo "Skipped 32-bit Windows checks (CI fails on these):"; cat build/windows-e2e/skipped-32-bit-*.txt; }

# Every C++ file as .clang-format says, under clang-format-14.
test-format: deps
	scripts/check-format.sh

test-default: build
	ctest --preset default -LE e2e

build-asan/build.ninja:
	@scripts/install-deps.sh
	cmake --preset asan

test-asan: build-asan/build.ninja
	cmake --build --preset asan
	ctest --preset asan

# The release build's replay runner plays the sessions the default build recorded.
build-release/build.ninja:
	@scripts/install-deps.sh
	cmake --preset release

test-release: build-release/build.ninja
	cmake --build --preset release --target gamevrak-replay
	tests/same_bits.sh build/game build-release/same-bits build/same-bits $(CURDIR)/build-release/game/gamevrak-replay

test-e2e: build
	ctest --preset default -L e2e

bench: build
	build/game/gamevrak-bench

# Each fuzz target for FUZZ_SECONDS on its committed corpus (clang, sanitizers).
FUZZ_SECONDS ?= 300
build-fuzz/build.ninja:
	@scripts/install-deps.sh
	cmake --preset fuzz

fuzz: build-fuzz/build.ninja
	cmake --build --preset fuzz --target fuzz_bitmap fuzz_slot fuzz_console
	fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# Generated random play; the resident memory must stay flat.
SOAK_FRAMES ?= 100000
soak: build
	build/game/gamevrak-soak --frames $(SOAK_FRAMES)

release:
	@scripts/install-deps.sh
	cmake --preset release
	cmake --build --preset release

# The 32-bit Windows game, its replay runner and its zip: build-windows/game/
# gamevrak.exe, gamevrak-replay.exe and build-windows/gamevrak-windows.zip; the
# same for x86-64 in build-windows-x64. The art is baked by the native build.
windows: build/build.ninja
	cmake --build --preset default --target art
	cmake --preset windows
	cmake --build --preset windows --target all windows-package
	cmake --preset windows-x64
	cmake --build --preset windows-x64 --target all windows-package

# The browser build: build-web/ is the site (index.html, gamevrak.js, .wasm and
# .data); serve it with any static web server. The art is baked by the native build.
web: build/build.ninja
	cmake --build --preset default --target art
	cmake --preset web
	cmake --build --preset web

# Its test in headless Chromium, against the native replay runner (label e2e-web).
node_modules/.package-lock.json: package.json package-lock.json
	npm ci --no-audit --no-fund

test-web: web node_modules/.package-lock.json
	cmake --build --preset default --target gamevrak-replay
	ctest --preset web

clean:
	rm -rf build build-asan build-release build-windows build-fuzz build-web
