# The two front-door commands: `make run` and `make test`.
# Both install what is missing (Debian packages), then build.

JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
XVFB = xvfb-run -a -s "-screen 0 1440x900x24"
CTEST_FLAGS ?= --output-on-failure --timeout 300

.PHONY: all deps configure build run package test-package mutants test test-main test-asan format format-check bench screenshot install clean

all: build

deps:
	@./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/keystamp

# A Debian package of the installed tree: $(BUILD)/keystamp_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The package installed, used, upgraded and removed in a bare Debian 12 root
# (as root; the bare root is cached in ~/.cache/keystamp).
test-package:
	BUILD=$(BUILD) ./scripts/test-package

# The mutation check: each fault of scripts/mutants.list against the tests
# named for it, in a scratch copy of the committed tree; writes docs/mutants.md.
mutants: deps
	./scripts/mutants

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check: deps
	@./scripts/check-format

test: format-check test-main test-asan

test-main: build
	$(XVFB) ctest --test-dir $(BUILD) $(CTEST_FLAGS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKEYSTAMP_SANITIZE=ON >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  $(XVFB) ctest --test-dir $(ASAN_BUILD) $(CTEST_FLAGS)

bench: build
	cmake --build $(BUILD) --target bench -j $(JOBS)

# docs/screenshot.png: the program with a video and a few coded lines.
screenshot: build
	./scripts/screenshot $(BUILD)/keystamp

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
