# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# Quick start: `make run` builds and starts the game, `make test` builds and
# runs every test. Both first install the Debian packages that are missing
# (for make test, the tests' own too).

BUILD_DIR := build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps test-deps configure build run test asan soak bench fuzz format format-check clean

all: build

deps:
	@scripts/install-deps.sh

test-deps:
	@scripts/install-deps.sh --tests

configure: deps
	@cmake --preset default >/dev/null

build: configure
	@cmake --build --preset default -j $(JOBS)

run: build
	./$(BUILD_DIR)/kvindo

test: test-deps build
	ctest --preset default -j $(JOBS)

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: test-deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The random-play test with ten times the events of make test.
SOAK_EVENTS ?= 1000000
soak: test-deps build
	KVINDO_SOAK_EVENTS=$(SOAK_EVENTS) ctest --preset default -R '^tst_soak$$' --verbose

# Benchmarks, not tests: runs them all and rewrites the table in bench/README.md.
bench: configure
	@scripts/install-deps.sh --tests valgrind libxcb-damage0-dev libxcb-xtest0-dev
	@cmake --preset default -DKVINDO_BENCH=ON >/dev/null
	@cmake --build --preset default -j $(JOBS) --target kvindo_bench
	bench/run.sh $(BUILD_DIR)

# The sound decoder's fuzz target (clang's libFuzzer), for a bounded time.
FUZZ_SECONDS ?= 60
fuzz:
	@scripts/install-deps.sh clang libclang-rt-14-dev
	scripts/fuzz-decode.sh $(FUZZ_SECONDS) build-fuzz

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@scripts/install-deps.sh clang-format
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz
