# Thin wrappers over scripts/: everything they do works on a fresh Debian 12.
.PHONY: setup build test run bench sanitize fuzz lint format clean

setup:
	scripts/setup

build:
	scripts/build

test:
	scripts/test

run:
	scripts/run

bench:
	scripts/bench

# The house checks: clang-format's format and the curated clang-tidy set.
lint:
	scripts/lint

# Rewrites every C++ file in the house format.
format:
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

# The unit suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	scripts/sanitize

# Each libFuzzer target for FUZZ_SECONDS (default 60).
fuzz:
	scripts/fuzz

clean:
	rm -rf build build-asan build-fuzz
